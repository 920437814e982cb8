// One row of the result list against the catalogue written out by hand, and
// the list's own bounds.
#include "search/catalogue.h"

#include <gtest/gtest.h>

#include "tests/expected/catalogue.h"
#include "tests/fakes/fake_automation.h"

namespace {

using expected::kHeaders;

// Values that name their field, handed over in the expected read order: a
// cell shows the field its column names, or nothing, and only when the
// program reads in that order.
TEST(Catalogue, EveryCellShowsTheFieldItsHeaderNames) {
    std::vector<std::wstring> texts;
    texts.reserve(expected::kReadOrder.size());
    for (const std::wstring& field : expected::kReadOrder) texts.push_back(L"<" + field + L">");
    search::ProductValues values;
    ASSERT_EQ(values.size(), texts.size());
    for (size_t r = 0; r < values.size(); ++r) values[r] = texts[r];
    platform::ListItems items;
    search::AddRow(items, values);
    search::AddRow(items, values);

    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.Key(2), L"1key");
    EXPECT_EQ(items.Text(1), L"<Description>");
    EXPECT_EQ(items.Tag(1), L"<ManufacturerPartNumber>");
    EXPECT_EQ(fake::ErrorOf([&] { (void)items.Text(3); }), platform::err::kIndexOutOfBounds.number);
    ASSERT_EQ(items.SubItemCount(1), 101);
    for (int sub = 1; sub <= 101; ++sub) {
        const std::wstring field = expected::FieldOf(size_t(sub));
        // The key is the column's header, trailing space and all.
        EXPECT_EQ(items.SubItemKey(1, sub), kHeaders[size_t(sub)]) << sub;
        EXPECT_EQ(items.SubItem(1, sub), field.empty() ? L"" : L"<" + field + L">") << sub;
    }
}

}  // namespace
