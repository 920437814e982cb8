// The product field catalogue: the 102 result columns, the host field that
// fills each, and the layout of one result row.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/vantora.h"
#include "platform/automation.h"
#include "platform/toolkit.h"

namespace search {

struct CatalogueEntry {
    std::wstring_view header;  // the column caption, and the cell's sub-item key
    const wchar_t* field;      // the host field that fills the column, or nullptr
    int read;                  // 1-based place in the read sequence of a row; 0 without field
};

constexpr int kColumnCount = 102;
constexpr int kSubItemCount = kColumnCount - 1;
constexpr int kReadCount = 66;
constexpr int16_t kColumnWidth = 2500;  // twips, every column alike

// Position 0 is the row's own text, positions 1 to 101 its sub-items.
// Headers keep their trailing spaces: they are shown and used as keys.
constexpr std::array<CatalogueEntry, kColumnCount> kCatalogue = {{
    {L"Description", L"Description", 29},
    {L"Vendor", L"Vendor", 62},
    {L"VendorPartNumber", L"VendorPartNumber", 63},
    {L"ManufacturerPartNumber", L"ManufacturerPartNumber", 39},
    {L"Notes", L"Notes", 40},
    {L"UnitPrice", L"UnitPrice", 60},
    {L"AlternateExtendedCost", L"AlternateExtendedCost", 1},
    {L"AlternateExtendedList", L"AlternateExtendedList", 2},
    {L"AlternateExtendedPrice", L"AlternateExtendedPrice", 3},
    {L"AlternateSalesTax", L"AlternateSalesTax", 4},
    {L"AlternateShippingAmount", L"AlternateShippingAmount", 5},
    {L"AlternateUnitCost", L"AlternateUnitCost", 6},
    {L"AlternateUnitList", L"AlternateUnitList", 7},
    {L"AlternateUnitPrice", L"AlternateUnitPrice", 8},
    {L"BackOrderedDate ", nullptr, 0},
    {L"BackOrderedQty ", nullptr, 0},
    {L"BackOrderExpectedDate ", nullptr, 0},
    {L"CloseProbability", nullptr, 0},
    {L"Comment ", nullptr, 0},
    {L"CustomDate01", L"CustomDate01", 9},
    {L"CustomDate02", L"CustomDate02", 10},
    {L"CustomDate03 ", nullptr, 0},
    {L"CustomDate04 ", nullptr, 0},
    {L"CustomDate05 ", nullptr, 0},
    {L"CustomMemo01", L"CustomMemo01", 11},
    {L"CustomMemo02", L"CustomMemo02", 12},
    {L"CustomMemo03 ", nullptr, 0},
    {L"CustomMemo04 ", nullptr, 0},
    {L"CustomMemo05 ", nullptr, 0},
    {L"CustomNumber01", L"CustomNumber01", 13},
    {L"CustomNumber02", L"CustomNumber02", 14},
    {L"CustomNumber03 ", nullptr, 0},
    {L"CustomNumber04 ", nullptr, 0},
    {L"CustomNumber05 ", nullptr, 0},
    {L"CustomText01", L"CustomText01", 15},
    {L"CustomText02", L"CustomText02", 16},
    {L"CustomText03", L"CustomText03", 17},
    {L"CustomText04", L"CustomText04", 18},
    {L"CustomText05", L"CustomText05", 19},
    {L"CustomText06", L"CustomText06", 20},
    {L"CustomText07", L"CustomText07", 21},
    {L"CustomText08", L"CustomText08", 22},
    {L"CustomText09", L"CustomText09", 23},
    {L"CustomText10", L"CustomText10", 24},
    {L"CustomText11 ", L"CustomText11", 25},
    {L"CustomText12 ", L"CustomText12", 26},
    {L"CustomText13 ", L"CustomText13", 27},
    {L"CustomText14 ", L"CustomText14", 28},
    {L"CustomText15 ", nullptr, 0},
    {L"DocID ", nullptr, 0},
    {L"DUI ", nullptr, 0},
    {L"ExtendedCost", L"ExtendedCost", 30},
    {L"ExtendedDescription ", nullptr, 0},
    {L"ExtendedList", L"ExtendedList", 31},
    {L"ExtendedPrice", L"ExtendedPrice", 32},
    {L"ExtendedWeight", L"ExtendedWeight", 33},
    {L"ExtraDate01 ", nullptr, 0},
    {L"ExtraDbl01 ", nullptr, 0},
    {L"ExtraLng01 ", nullptr, 0},
    {L"ExtraLogic01 ", nullptr, 0},
    {L"ExtraMemo01 ", nullptr, 0},
    {L"TaxCode", L"TaxCode", 34},
    {L"ExtraText02 ", nullptr, 0},
    {L"FontAttributes ", nullptr, 0},
    {L"Formula", nullptr, 0},
    {L"GroupTag ", nullptr, 0},
    {L"ID ", nullptr, 0},
    {L"InternalPartNo ", nullptr, 0},
    {L"ItemType", L"ItemType", 35},
    {L"LineAttributes", L"LineAttributes", 36},
    {L"LineType", L"LineType", 37},
    {L"Manufacturer", L"Manufacturer", 38},
    {L"OrderDate", L"OrderDate", 41},
    {L"PONumber", L"PONumber", 42},
    {L"PriceModifier", L"PriceModifier", 43},
    {L"PriceProfile", L"PriceProfile", 44},
    {L"QtyBase", L"QtyBase", 45},
    {L"QtyGroupMultiplier", L"QtyGroupMultiplier", 46},
    {L"QtyMultiplier1", L"QtyMultiplier1", 47},
    {L"QtyMultiplier2", L"QtyMultiplier2", 48},
    {L"QtyMultiplier3", L"QtyMultiplier3", 49},
    {L"QtyMultiplier4", L"QtyMultiplier4", 50},
    {L"QtyTotal", L"QtyTotal", 51},
    {L"ReceivedDate ", nullptr, 0},
    {L"RecLastModified ", nullptr, 0},
    {L"ReplicationID ", nullptr, 0},
    {L"Result ", nullptr, 0},
    {L"SalesTax", L"SalesTax", 52},
    {L"SerialNumber ", nullptr, 0},
    {L"ShippingAmount", L"ShippingAmount", 53},
    {L"Style ", nullptr, 0},
    {L"Tag", nullptr, 0},
    {L"UnitCost", L"UnitCost", 54},
    {L"UnitList", L"UnitList", 55},
    {L"UnitOfMeasure", L"UnitOfMeasure", 56},
    {L"UnitOfMeasureFactor", L"UnitOfMeasureFactor", 57},
    {L"UnitOfPricing", L"UnitOfPricing", 58},
    {L"UnitOfPricingFactor", L"UnitOfPricingFactor", 59},
    {L"UnitWeight", L"UnitWeight", 61},
    {L"CostModifier", L"CostModifier", 64},
    {L"PSTTax", L"PSTTax", 65},
    {L"GSTTax", L"GSTTax", 66},
}};

// The catalogue positions in read order: kReadOrder[r - 1] is read number r.
constexpr std::array<uint8_t, kReadCount> kReadOrder = [] {
    std::array<uint8_t, kReadCount> order{};
    for (size_t pos = 0; pos < kCatalogue.size(); ++pos)
        if (kCatalogue[pos].read > 0) order[kCatalogue[pos].read - 1] = static_cast<uint8_t>(pos);
    return order;
}();

// The texts of one product's fields, in read order.
using ProductValues = std::array<std::wstring_view, kReadCount>;

// Clears the list's columns and adds the 102 catalogue columns.
void BuildColumns(platform::ListView& list);

// Reads products field by field. It keeps the field names in the form the
// host's calls take, and the values' storage from one product to the next.
class ProductReader {
  public:
    // Between two reads of a product, `ui` answers the user (Respond).
    ProductReader(platform::Automation& com, platform::Ui& ui);
    // The texts point into the reader's own slots: it stays where it is made.
    ProductReader(const ProductReader&) = delete;
    ProductReader& operator=(const ProductReader&) = delete;
    // Reads the product in the host's single-line-item buffer: one
    // ItemFunctions lookup, then one read per host field, in read order.
    // The texts stay valid until the next Read.
    const ProductValues& Read(platform::Dispatch& app);

  private:
    platform::Automation& com_;
    std::function<void()> respond_;
    std::array<std::unique_ptr<const platform::Text>, kReadCount> names_;
    std::array<host::FieldValue, kReadCount> slots_;
    ProductValues texts_;
};

// Appends one row keyed by the count of rows in the list, shown or not; the caller keeps
// the count within 16 bits and tells the control.
void AddRow(platform::ListItems& items, const ProductValues& values);

}  // namespace search
