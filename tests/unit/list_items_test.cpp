#include "platform/list_items.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_automation.h"

using platform::ListItems;

namespace {

std::shared_ptr<const ListItems::KeySet> Keys() {
    return std::make_shared<const ListItems::KeySet>(
        ListItems::KeySet{L"Vendor", L"Comment ", L""});
}

TEST(ListItems, RowsReadBackExactlyAsAdded) {
    ListItems items;
    auto keys = Keys();
    std::wstring_view subs1[] = {L"Acme", L"", L"x y "};
    std::wstring_view subs2[] = {L"Zeta", L"café", L""};
    items.Add(L"0key", L"First", L"P-1", keys, subs1);
    items.Add(L"1key", L"", L"", keys, subs2);

    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Key(1), L"0key");
    EXPECT_EQ(items.Text(1), L"First");
    EXPECT_EQ(items.Tag(1), L"P-1");
    EXPECT_EQ(items.SubItem(1, 1), L"Acme");
    EXPECT_EQ(items.SubItem(1, 2), L"");
    EXPECT_EQ(items.SubItem(1, 3), L"x y ");
    EXPECT_EQ(items.SubItemKey(1, 2), L"Comment ");
    EXPECT_EQ(items.Key(2), L"1key");
    EXPECT_EQ(items.Text(2), L"");
    EXPECT_EQ(items.SubItem(2, 2), L"café");
    EXPECT_EQ(items.SubItemCount(2), 3);
}

TEST(ListItems, SelectionAndClear) {
    ListItems items;
    auto keys = Keys();
    std::wstring_view subs[] = {L"a", L"b", L"c"};
    for (int i = 0; i < 3; ++i) items.Add(L"k", L"t", L"g", keys, subs);
    items.SetSelected(2, true);
    items.SetSelectedPosition(2);
    EXPECT_FALSE(items.Selected(1));
    EXPECT_TRUE(items.Selected(2));
    EXPECT_EQ(items.SelectedPosition(), 2);
    items.SetAllSelected(true);
    EXPECT_TRUE(items.Selected(3));
    items.Clear();
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(items.SelectedPosition(), 0);
}

TEST(ListItems, PositionOutsideTheListRaisesIndexOutOfBounds) {
    ListItems items;
    EXPECT_EQ(fake::Raised([&] { (void)items.Text(1); }).number(),
              platform::err::kIndexOutOfBounds);
}

}  // namespace
