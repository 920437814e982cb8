// The result list's sort rule, with cells read by a simple reader: numbers
// in C's notation, dates as YYYY-MM-DD, texts by their lower-case letters.
#include "platform/list_items.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

using Lines = std::vector<std::wstring>;

struct Reader final : platform::CellReader {
    bool Number(std::wstring_view cell, double& out) override {
        const std::wstring text(cell);
        wchar_t* end = nullptr;
        out = std::wcstod(text.c_str(), &end);
        return end == text.c_str() + text.size();
    }
    bool Date(std::wstring_view cell, double& out) override {
        int y = 0, m = 0, d = 0;
        if (cell.size() != 10 ||
            std::swscanf(std::wstring(cell).c_str(), L"%4d-%2d-%2d", &y, &m, &d) != 3)
            return false;
        out = y * 10000 + m * 100 + d;
        return true;
    }
    void AppendTextKey(std::wstring_view cell, std::string& keys) override {
        for (wchar_t c : cell) keys += static_cast<char>(std::towlower(c));
    }
};

// Rows keyed r1, r2... in found order, the cells as their texts; after the
// sort, the keys in the order shown.
Lines SortedKeys(const Lines& cells, bool descending) {
    platform::ListItems items;
    const auto keys = std::make_shared<const platform::ListItems::KeySet>();
    for (size_t i = 0; i < cells.size(); ++i)
        items.Add(L"r" + std::to_wstring(i + 1), cells[i], L"", keys, {});
    items.SetSelectedPosition(2);
    const std::wstring focused(items.Key(2));
    Reader reader;
    items.Sort(0, descending, reader);
    Lines shown;
    for (int32_t pos = 1; pos <= items.Count(); ++pos) shown.emplace_back(items.Key(pos));
    EXPECT_EQ(items.Key(items.SelectedPosition()), focused) << "the focused row stays";
    return shown;
}

// Numbers by value before dates before texts (ignoring case), reversed
// whole when descending; empties last both ways, ties in found order.
TEST(ListItemsSort, NumbersThenDatesThenTextsEmptiesLastTiesInFoundOrder) {
    const struct {
        const char* column;
        Lines cells, ascending, descending;
    } cases[] = {
        {"numbers with a text and an empty cell",
         {L"100", L"20", L"n/a", L"", L"3.5", L"Apple", L"20"},
         {L"r5", L"r2", L"r7", L"r1", L"r6", L"r3", L"r4"},
         {L"r3", L"r6", L"r1", L"r2", L"r7", L"r5", L"r4"}},
        {"dates with a number, a text and an empty cell",
         {L"2025-12-31", L"", L"2026-01-02", L"soon", L"7", L"2025-06-15", L"SOON"},
         {L"r5", L"r6", L"r1", L"r3", L"r4", L"r7", L"r2"},
         {L"r4", L"r7", L"r3", L"r1", L"r6", L"r5", L"r2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column);
        EXPECT_EQ(SortedKeys(c.cells, false), c.ascending);
        EXPECT_EQ(SortedKeys(c.cells, true), c.descending);
    }
}

}  // namespace
