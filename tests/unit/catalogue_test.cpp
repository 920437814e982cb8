#include "search/catalogue.h"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/fakes/fake_toolkit.h"

namespace {

using search::kCatalogue;

// The read sequence of one product, written out on its own so that a slip
// in the table's read numbers shows up here.
const std::vector<std::wstring> kExpectedReads = [] {
    std::wistringstream names(
        L"AlternateExtendedCost AlternateExtendedList AlternateExtendedPrice AlternateSalesTax "
        L"AlternateShippingAmount AlternateUnitCost AlternateUnitList AlternateUnitPrice "
        L"CustomDate01 CustomDate02 CustomMemo01 CustomMemo02 CustomNumber01 CustomNumber02 "
        L"CustomText01 CustomText02 CustomText03 CustomText04 CustomText05 CustomText06 "
        L"CustomText07 CustomText08 CustomText09 CustomText10 CustomText11 CustomText12 "
        L"CustomText13 CustomText14 Description ExtendedCost ExtendedList ExtendedPrice "
        L"ExtendedWeight TaxCode ItemType LineAttributes LineType Manufacturer "
        L"ManufacturerPartNumber Notes OrderDate PONumber PriceModifier PriceProfile QtyBase "
        L"QtyGroupMultiplier QtyMultiplier1 QtyMultiplier2 QtyMultiplier3 QtyMultiplier4 "
        L"QtyTotal SalesTax ShippingAmount UnitCost UnitList UnitOfMeasure UnitOfMeasureFactor "
        L"UnitOfPricing UnitOfPricingFactor UnitPrice UnitWeight Vendor VendorPartNumber "
        L"CostModifier PSTTax GSTTax");
    return std::vector<std::wstring>(std::istream_iterator<std::wstring, wchar_t>(names), {});
}();

const std::set<int> kWithoutField = {14, 15, 16, 17, 18, 21, 22, 23, 26, 27, 28, 31,
                                     32, 33, 48, 49, 50, 52, 56, 57, 58, 59, 60, 62,
                                     63, 64, 65, 66, 67, 83, 84, 85, 86, 88, 90, 91};

const std::set<int> kTrailingSpace = {14, 15, 16, 18, 21, 22, 23, 26, 27, 28, 31, 32, 33,
                                      44, 45, 46, 47, 48, 49, 50, 52, 56, 57, 58, 59, 60,
                                      62, 63, 65, 66, 67, 83, 84, 85, 86, 88, 90};

// Values that name their field, so a cell shows where it came from.
search::ProductValues Named() {
    static const std::vector<std::wstring> texts = [] {
        std::vector<std::wstring> t;
        for (const std::wstring& field : kExpectedReads) t.push_back(L"<" + field + L">");
        return t;
    }();
    search::ProductValues v;
    for (size_t r = 0; r < v.size(); ++r) v[r] = texts[r];
    return v;
}

TEST(Catalogue, ReadSequenceIsTheFixedOrderAndReadsEachFieldOnce) {
    std::vector<std::wstring> reads;
    for (uint8_t pos : search::kReadOrder) reads.push_back(kCatalogue[pos].field);
    EXPECT_EQ(reads, kExpectedReads);
    EXPECT_EQ(std::set<std::wstring>(reads.begin(), reads.end()).size(), 66u);
}

TEST(Catalogue, ThirtySixPositionsHaveNoFieldAndNoFieldCarriesTheHeadersSpace) {
    std::set<int> without, spaced;
    for (int pos = 0; pos < search::kColumnCount; ++pos) {
        const auto& e = kCatalogue[static_cast<size_t>(pos)];
        if (e.header.ends_with(L' ')) spaced.insert(pos);
        if (!e.field) {
            without.insert(pos);
            continue;
        }
        EXPECT_FALSE(std::wstring_view(e.field).ends_with(L' ')) << pos;
        // Apart from the space, a column shows the field it is named after.
        std::wstring_view h = e.header;
        if (h.ends_with(L' ')) h.remove_suffix(1);
        EXPECT_EQ(h, e.field) << pos;
    }
    EXPECT_EQ(without, kWithoutField);
    EXPECT_EQ(spaced, kTrailingSpace);
}

TEST(Catalogue, ColumnsAreRebuiltInPositionOrderWithTheirExactCaptions) {
    fake::Journal journal;
    fake::ListView list(journal);
    list.AddColumn(L"left over", 100);
    search::BuildColumns(list);

    ASSERT_EQ(list.columns().size(), 102u);
    for (size_t pos = 0; pos < 102; ++pos) {
        EXPECT_EQ(list.columns()[pos].text, kCatalogue[pos].header);
        EXPECT_EQ(list.columns()[pos].width, 2500);
    }
    EXPECT_EQ(list.columns()[0].text, L"Description");
    EXPECT_EQ(list.columns()[18].text, L"Comment ");
    EXPECT_EQ(list.columns()[66].text, L"ID ");
    EXPECT_EQ(list.columns()[101].text, L"GSTTax");
}

TEST(ResultRow, CarriesDescriptionPartNumberAndEveryCellUnderItsHeader) {
    fake::Journal journal;
    fake::ListView list(journal);
    search::BuildColumns(list);
    platform::ListItems& items = list.Items();
    search::AddRow(items, Named());

    ASSERT_EQ(items.Count(), 1);
    EXPECT_EQ(items.Key(1), L"0key");
    EXPECT_EQ(items.Text(1), L"<Description>");
    EXPECT_EQ(items.Tag(1), L"<ManufacturerPartNumber>");
    EXPECT_EQ(items.SubItem(1, 1), L"<Vendor>");
    EXPECT_EQ(items.SubItem(1, 3), items.Tag(1));
    ASSERT_EQ(items.SubItemCount(1), 101);
    for (int sub = 1; sub <= 101; ++sub) {
        const auto& e = kCatalogue[static_cast<size_t>(sub)];
        // The key is the column's caption, trailing space and all.
        EXPECT_EQ(items.SubItemKey(1, sub), list.columns()[static_cast<size_t>(sub)].text) << sub;
        if (kWithoutField.count(sub))
            EXPECT_EQ(items.SubItem(1, sub), L"") << sub;
        else
            EXPECT_EQ(items.SubItem(1, sub), L"<" + std::wstring(e.field) + L">") << sub;
    }
}

}  // namespace
