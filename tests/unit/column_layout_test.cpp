// The columns as the user arranges them, and the layout kept between runs:
// read back whole, or not at all.
#include "platform/column_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>

namespace {

using platform::ColumnLayout;
using Bytes = std::vector<std::byte>;

struct MapSettings final : platform::Settings {
    std::optional<Bytes> Read(std::wstring_view name) const override {
        const auto at = values.find(std::wstring(name));
        return at == values.end() ? std::nullopt : std::optional<Bytes>(at->second);
    }
    void Write(std::wstring_view name, std::span<const std::byte> bytes) override {
        values[std::wstring(name)].assign(bytes.begin(), bytes.end());
    }
    void Remove(std::wstring_view name) override { values.erase(std::wstring(name)); }
    std::map<std::wstring, Bytes> values;
};

Bytes Words(std::initializer_list<int> numbers) {
    Bytes bytes;
    for (int n : numbers) bytes.insert(bytes.end(), {std::byte(n & 0xFF), std::byte(n >> 8)});
    return bytes;
}

TEST(ColumnLayout, HiddenColumnsKeepTheirPlacesAndTheFirstStaysShown) {
    ColumnLayout layout({100, 200, 300, 400});
    EXPECT_FALSE(layout.SetHidden(0, true));
    EXPECT_TRUE(layout.SetHidden(2, true));
    EXPECT_EQ(layout.Shown(), (std::vector<int>{0, 1, 3}));
    EXPECT_FALSE(layout.SetShownOrder(std::vector<int>{3, 3, 0}));
    EXPECT_FALSE(layout.SetShownOrder(std::vector<int>{2, 0, 1}));
    EXPECT_TRUE(layout.SetShownOrder(std::vector<int>{3, 0, 1}));
    EXPECT_EQ(layout.Order(), (std::vector<int>{3, 0, 2, 1}));
    layout.Move(0, 3);
    EXPECT_EQ(layout.Order(), (std::vector<int>{0, 2, 1, 3}));
    layout.Move(2, 0);
    EXPECT_EQ(layout.Order(), (std::vector<int>{1, 0, 2, 3}));
    layout.SetWidth(1, 40000);
    layout.SetWidth(3, -5);
    EXPECT_EQ(layout.Width(1), platform::kMaxColumnTwips);
    EXPECT_EQ(layout.Width(3), 0);
    EXPECT_EQ(layout.Width(2), 300);
}

// Empty everywhere: hidden; text in one row: shown; the first column stays.
TEST(ColumnLayout, HideEmptyHidesTheColumnsWithoutTextInAnyRow) {
    const auto keys = std::make_shared<const platform::ListItems::KeySet>(3);
    platform::ListItems items;
    const std::wstring_view first[] = {L"", L"", L""}, second[] = {L"x", L"", L""};
    items.Add(L"k", L"", L"t", keys, first);
    items.Add(L"k", L"", L"t", keys, second);
    ColumnLayout layout({1, 1, 1, 1});
    layout.HideEmpty(items);
    EXPECT_EQ(layout.Shown(), (std::vector<int>{0, 1}));
}

TEST(ColumnLayout, AWrittenLayoutReadsBackAndForgottenIsGone) {
    ColumnLayout layout({2500, 2500, 2500, 2500});
    layout.SetHidden(1, true);
    layout.Move(3, 0);
    layout.SetWidth(2, 1234);
    MapSettings settings;
    layout.Write(settings);
    EXPECT_EQ(ColumnLayout::Read(settings, 4), layout);
    EXPECT_EQ(ColumnLayout::Read(settings, 5), std::nullopt) << "another list's layout";
    ColumnLayout::Forget(settings);
    EXPECT_TRUE(settings.values.empty());
}

// Each way a kept value can be wrong spoils the whole layout (the window
// tests take the program through the others).
TEST(ColumnLayout, AnyBadValueIsIgnoredAsAWhole) {
    const struct {
        const char* why;
        const wchar_t* name;
        Bytes value;
    } cases[] = {
        {"odd length", L"ColumnOrder", Bytes(7)},
        {"too long", L"ColumnWidths", Words({1, 1, 1, 1, 1})},
        {"hidden twice", L"HiddenColumns", Words({2, 2})},
        {"unknown hidden", L"HiddenColumns", Words({9})},
        {"first hidden", L"HiddenColumns", Words({0})},
        {"too wide", L"ColumnWidths", Words({1, 32768, 1, 1})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        MapSettings settings;
        ColumnLayout({5, 5, 5, 5}).Write(settings);
        ASSERT_TRUE(ColumnLayout::Read(settings, 4));
        settings.values[c.name] = c.value;
        EXPECT_EQ(ColumnLayout::Read(settings, 4), std::nullopt);
    }
}

// Random bytes, whole or one byte changed from a good layout: read, they are
// a layout of every column once with the first shown, or nothing.
TEST(ColumnLayout, RandomBytesReadAsAValidLayoutOrNothing) {
    std::mt19937 random(2718);
    const std::wstring names[] = {L"ColumnOrder", L"ColumnWidths", L"HiddenColumns"};
    int read = 0;
    for (int round = 0; round < 20000; ++round) {
        MapSettings settings;
        ColumnLayout({7, 7, 7, 7, 7}).Write(settings);
        for (const std::wstring& name : names) {
            Bytes& bytes = settings.values[name];
            if (round % 2) bytes.resize(random() % 14);
            for (std::byte& b : bytes)
                if (round % 2 || random() % 8 == 0) b = std::byte(random() % 8);
        }
        const auto layout = ColumnLayout::Read(settings, 5);
        if (!layout) continue;
        ++read;
        std::vector<int> order = layout->Order();
        std::sort(order.begin(), order.end());
        EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
        EXPECT_FALSE(layout->Hidden(0));
    }
    EXPECT_GT(read, 0) << "some changes leave a layout";
}

}  // namespace
