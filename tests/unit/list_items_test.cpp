#include "platform/list_items.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_automation.h"

using platform::ListItems;

namespace {

TEST(ListItems, PositionOutsideTheListRaisesIndexOutOfBounds) {
    ListItems items;
    EXPECT_EQ(fake::Raised([&] { (void)items.Text(1); }).number(),
              platform::err::kIndexOutOfBounds.number);
}

}  // namespace
