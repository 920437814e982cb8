// The result list's model: its sort rule, with cells read by a simple reader
// (numbers in C's notation, dates as YYYY-MM-DD, texts by their lower-case
// letters); the copied text's quoting; the text looked for, with a simple
// case fold; and the filter.
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

// Copied text quotes a cell that holds a tab, a line break (CR LF, or LF or
// CR alone) or a quote, each alone, its quotes doubled; a plain cell is bare.
TEST(ListItemsCopy, EachCellIsQuotedOnlyWhenItMustBe) {
    platform::ListItems items;
    const std::wstring_view cells[] = {L"\t", L"\r\n", L"\n", L"\r", L"a\"b", L"plain"};
    items.Add(L"k", L"x", L"", std::make_shared<const platform::ListItems::KeySet>(), cells);
    items.SetSelected(1, true);
    const std::wstring captions[] = {L"", L"T", L"CRLF", L"LF", L"CR", L"Q", L"P"};
    const int columns[] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(platform::SelectedRowsAsText(items, captions, columns),
              L"T\tCRLF\tLF\tCR\tQ\tP\r\n\"\t\"\t\"\r\n\"\t\"\n\"\t\"\r\"\t\"a\"\"b\"\tplain\r\n");
}

// A fold as a locale's: the capitals of ASCII and Latin-1 to their small letters.
const platform::CaseFold& Fold() {
    static const platform::CaseFold fold = [] {
        auto units = std::make_unique<char16_t[]>(0x10000);
        for (char32_t u = 0; u < 0x10000; ++u) {
            const bool capital = (u >= U'A' && u <= U'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7);
            units[u] = static_cast<char16_t>(capital ? u + 0x20 : u);
        }
        return platform::CaseFold(std::move(units));
    }();
    return fold;
}

// Case, whole cells, and texts that are long, hold a surrogate pair, a tab or
// a line break: each found as it is, or turned away.
TEST(TextMatch, FindsTheTextAsTypedIgnoringCaseUnlessAsked) {
    const std::wstring longText(100000, L'a');
    const struct {
        std::wstring text, cell;
        bool matchCase, wholeCell, found;
    } cases[] = {
        {L"BREAK", L"Circuit breaker", false, false, true},
        {L"BREAK", L"Circuit breaker", true, false, false},
        {L"\u00c4pfel", L"\u00e4PFEL", false, true, true},
        {L"pole", L"4-pole", false, true, false},
        {L"", L"", false, true, true},
        {L"", L"x", false, false, true},
        {longText, longText.substr(1), false, false, false},
        {L"\U0001F600", L"smile \U0001F600!", false, false, true},
        {L"a\tb", L"a b", false, false, false},
        {L"a\r\nb", L"x a\r\nb", true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text.size() << " units, case " << c.matchCase);
        EXPECT_EQ(platform::TextMatch(c.text, c.matchCase, c.wholeCell, Fold()).In(c.cell),
                  c.found);
    }
}

Lines Shown(const platform::ListItems& items) {
    Lines shown;
    for (int32_t pos = 1; pos <= items.Count(); ++pos) shown.emplace_back(items.Key(pos));
    return shown;
}

// The filter narrows from the rows shown and widens from all, in the order
// shown; rows added later show only if they match, keyed past every row; a
// sort orders what shows; every row comes back selected as it was.
TEST(ListItemsFilter, ShowsOnlyMatchingRowsAndKeepsTheRestAsTheyWere) {
    platform::ListItems items;
    const auto keys = std::make_shared<const platform::ListItems::KeySet>();
    const auto add = [&](const wchar_t* text, const wchar_t* vendor) {
        const std::wstring_view sub[] = {vendor};
        items.Add(L"r" + std::to_wstring(items.Total() + 1), text, L"", keys, sub);
    };
    for (const auto& [text, vendor] : {std::pair{L"Breaker 3-pole", L"Nord"},
                                       {L"Socket 3-gang", L"S\u00fcd"},
                                       {L"Cable", L"3-pole s\u00dcd"}})
        add(text, vendor);
    items.SetSelected(1, true);
    items.SetSelectedPosition(2);
    const auto filter = [&](const wchar_t* text, std::vector<int> columns = {0, 1}) {
        items.Filter(std::make_shared<platform::TextMatch>(text, false, false, Fold()),
                     std::move(columns));
        return Shown(items);
    };
    EXPECT_EQ(filter(L"3-"), (Lines{L"r1", L"r2", L"r3"}));
    EXPECT_EQ(filter(L"3-p"), (Lines{L"r1", L"r3"}));
    EXPECT_EQ(items.SelectedPosition(), 0) << "the focused row is hidden";
    EXPECT_EQ(filter(L"3-p", {0}), (Lines{L"r1"}));
    EXPECT_EQ(filter(L"s\u00fcd"), (Lines{L"r2", L"r3"}));
    add(L"Fuse", L"Nord");
    add(L"Fuse", L"S\u00fcd");
    EXPECT_EQ(Shown(items), (Lines{L"r2", L"r3", L"r5"}));
    items.SetAllSelected(false);
    Reader reader;
    items.Sort(0, false, reader);
    EXPECT_EQ(Shown(items), (Lines{L"r3", L"r5", L"r2"}));
    const platform::TextMatch fuse(L"FUSE", false, false, Fold());
    EXPECT_EQ(items.Next(fuse, std::vector{0}, 3, false), 2);
    EXPECT_EQ(items.Next(fuse, std::vector{0}, 1, true), 2);
    EXPECT_EQ(items.Next(fuse, std::vector{1}, 1, true), 0) << "not in the vendor column";
    items.Filter(nullptr, {});
    EXPECT_EQ(Shown(items), (Lines{L"r1", L"r3", L"r4", L"r5", L"r2"}));
    EXPECT_TRUE(items.Selected(1)) << "hidden, it kept its selection";
    EXPECT_EQ(items.Key(items.SelectedPosition()), L"r2") << "shown again, it has the focus";
    // A text set before shows what it showed, the rows found since tried
    // too; widened, the rows it hid are tried.
    add(L"Plug 3-pin", L"Nord");
    EXPECT_EQ(filter(L"3-p"), (Lines{L"r1", L"r3", L"r6"}));
    EXPECT_EQ(filter(L"3-pi"), (Lines{L"r6"}));
    EXPECT_EQ(filter(L"-p"), (Lines{L"r1", L"r3", L"r6"}));
}
