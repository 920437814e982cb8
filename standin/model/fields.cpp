#include "standin/model/fields.h"

#include <array>

namespace standin {

using T = FieldType;

const FieldInfo kFields[kFieldCount] = {
    {L"AlternateExtendedCost", T::Currency},
    {L"AlternateExtendedList", T::Currency},
    {L"AlternateExtendedPrice", T::Currency},
    {L"AlternateSalesTax", T::Currency},
    {L"AlternateShippingAmount", T::Currency},
    {L"AlternateUnitCost", T::Currency},
    {L"AlternateUnitList", T::Currency},
    {L"AlternateUnitPrice", T::Currency},
    {L"CustomDate01", T::Date},
    {L"CustomDate02", T::Date},
    {L"CustomMemo01", T::Text},
    {L"CustomMemo02", T::Text},
    {L"CustomNumber01", T::Double},
    {L"CustomNumber02", T::Double},
    {L"CustomText01", T::Text},
    {L"CustomText02", T::Text},
    {L"CustomText03", T::Text},
    {L"CustomText04", T::Text},
    {L"CustomText05", T::Text},
    {L"CustomText06", T::Text},
    {L"CustomText07", T::Text},
    {L"CustomText08", T::Text},
    {L"CustomText09", T::Text},
    {L"CustomText10", T::Text},
    {L"CustomText11", T::Text},
    {L"CustomText12", T::Text},
    {L"CustomText13", T::Text},
    {L"CustomText14", T::Text},
    {L"Description", T::Text},
    {L"ExtendedCost", T::Currency},
    {L"ExtendedList", T::Currency},
    {L"ExtendedPrice", T::Currency},
    {L"ExtendedWeight", T::Double},
    {L"TaxCode", T::Text},
    {L"ItemType", T::Long},
    {L"LineAttributes", T::Long},
    {L"LineType", T::Long},
    {L"Manufacturer", T::Text},
    {L"ManufacturerPartNumber", T::Text},
    {L"Notes", T::Text},
    {L"OrderDate", T::Date},
    {L"PONumber", T::Text},
    {L"PriceModifier", T::Double},
    {L"PriceProfile", T::Text},
    {L"QtyBase", T::Double},
    {L"QtyGroupMultiplier", T::Double},
    {L"QtyMultiplier1", T::Double},
    {L"QtyMultiplier2", T::Double},
    {L"QtyMultiplier3", T::Double},
    {L"QtyMultiplier4", T::Double},
    {L"QtyTotal", T::Double},
    {L"SalesTax", T::Currency},
    {L"ShippingAmount", T::Currency},
    {L"UnitCost", T::Currency},
    {L"UnitList", T::Currency},
    {L"UnitOfMeasure", T::Text},
    {L"UnitOfMeasureFactor", T::Double},
    {L"UnitOfPricing", T::Text},
    {L"UnitOfPricingFactor", T::Double},
    {L"UnitPrice", T::Currency},
    {L"UnitWeight", T::Double},
    {L"Vendor", T::Text},
    {L"VendorPartNumber", T::Text},
    {L"CostModifier", T::Double},
    {L"PSTTax", T::Currency},
    {L"GSTTax", T::Currency},
};

namespace {

constexpr wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - 32) : c; }

uint32_t Hash(std::wstring_view s) {
    uint32_t h = 2166136261u;
    for (wchar_t c : s) h = (h ^ uint32_t(Upper(c))) * 16777619u;
    return h;
}

bool SameName(std::wstring_view a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size(); ++i) {
        if (b[i] == 0 || Upper(a[i]) != Upper(b[i])) return false;
    }
    return b[i] == 0;
}

// Open addressing over a power of two well above 66, so a lookup is one hash
// and, almost always, one comparison. Built once, on first use.
constexpr uint32_t kSlots = 256;

struct FieldTable {
    std::array<int16_t, kSlots> slot;
    FieldTable() {
        slot.fill(-1);
        for (int i = 0; i < kFieldCount; ++i) {
            uint32_t h = Hash(kFields[i].name) & (kSlots - 1);
            while (slot[h] >= 0) h = (h + 1) & (kSlots - 1);
            slot[h] = int16_t(i);
        }
    }
};

const FieldTable& Table() {
    static const FieldTable table;
    return table;
}

}  // namespace

int FindField(std::wstring_view name) {
    const FieldTable& t = Table();
    for (uint32_t h = Hash(name) & (kSlots - 1);; h = (h + 1) & (kSlots - 1)) {
        int i = t.slot[h];
        if (i < 0) return -1;
        if (SameName(name, kFields[i].name)) return i;
    }
}

namespace field {
const int kDescription = FindField(L"Description");
const int kManufacturerPartNumber = FindField(L"ManufacturerPartNumber");
const int kVendor = FindField(L"Vendor");
const int kUnitPrice = FindField(L"UnitPrice");
const int kQtyBase = FindField(L"QtyBase");
}  // namespace field

}  // namespace standin
