// The result list as the user must see it, written out by hand apart from
// the program's own table, for the unit and the end-to-end tests alike: the
// 102 column headers ('|' between them, trailing spaces included) and the
// order in which one product's 66 fields are read.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace expected {

inline std::vector<std::wstring> Split(std::wstring_view list) {
    std::vector<std::wstring> out;
    for (size_t at = 0, bar; at <= list.size(); at = bar + 1) {
        bar = std::min(list.find(L'|', at), list.size());
        out.emplace_back(list.substr(at, bar - at));
    }
    return out;
}

inline const std::vector<std::wstring> kHeaders = Split(
    L"Description|Vendor|VendorPartNumber|ManufacturerPartNumber|Notes|UnitPrice|"
    L"AlternateExtendedCost|AlternateExtendedList|AlternateExtendedPrice|AlternateSalesTax|"
    L"AlternateShippingAmount|AlternateUnitCost|AlternateUnitList|AlternateUnitPrice|"
    L"BackOrderedDate |BackOrderedQty |BackOrderExpectedDate |CloseProbability|Comment |"
    L"CustomDate01|CustomDate02|CustomDate03 |CustomDate04 |CustomDate05 |CustomMemo01|"
    L"CustomMemo02|CustomMemo03 |CustomMemo04 |CustomMemo05 |CustomNumber01|CustomNumber02|"
    L"CustomNumber03 |CustomNumber04 |CustomNumber05 |CustomText01|CustomText02|CustomText03|"
    L"CustomText04|CustomText05|CustomText06|CustomText07|CustomText08|CustomText09|CustomText10|"
    L"CustomText11 |CustomText12 |CustomText13 |CustomText14 |CustomText15 |DocID |DUI |"
    L"ExtendedCost|ExtendedDescription |ExtendedList|ExtendedPrice|ExtendedWeight|ExtraDate01 |"
    L"ExtraDbl01 |ExtraLng01 |ExtraLogic01 |ExtraMemo01 |TaxCode|ExtraText02 |FontAttributes |"
    L"Formula|GroupTag |ID |InternalPartNo |ItemType|LineAttributes|LineType|Manufacturer|"
    L"OrderDate|PONumber|PriceModifier|PriceProfile|QtyBase|QtyGroupMultiplier|QtyMultiplier1|"
    L"QtyMultiplier2|QtyMultiplier3|QtyMultiplier4|QtyTotal|ReceivedDate |RecLastModified |"
    L"ReplicationID |Result |SalesTax|SerialNumber |ShippingAmount|Style |Tag|UnitCost|UnitList|"
    L"UnitOfMeasure|UnitOfMeasureFactor|UnitOfPricing|UnitOfPricingFactor|UnitWeight|CostModifier|"
    L"PSTTax|GSTTax");
inline const std::vector<std::wstring> kReadOrder = Split(
    L"AlternateExtendedCost|AlternateExtendedList|AlternateExtendedPrice|AlternateSalesTax|"
    L"AlternateShippingAmount|AlternateUnitCost|AlternateUnitList|AlternateUnitPrice|CustomDate01|"
    L"CustomDate02|CustomMemo01|CustomMemo02|CustomNumber01|CustomNumber02|CustomText01|"
    L"CustomText02|CustomText03|CustomText04|CustomText05|CustomText06|CustomText07|CustomText08|"
    L"CustomText09|CustomText10|CustomText11|CustomText12|CustomText13|CustomText14|Description|"
    L"ExtendedCost|ExtendedList|ExtendedPrice|ExtendedWeight|TaxCode|ItemType|LineAttributes|"
    L"LineType|Manufacturer|ManufacturerPartNumber|Notes|OrderDate|PONumber|PriceModifier|"
    L"PriceProfile|QtyBase|QtyGroupMultiplier|QtyMultiplier1|QtyMultiplier2|QtyMultiplier3|"
    L"QtyMultiplier4|QtyTotal|SalesTax|ShippingAmount|UnitCost|UnitList|UnitOfMeasure|"
    L"UnitOfMeasureFactor|UnitOfPricing|UnitOfPricingFactor|UnitPrice|UnitWeight|Vendor|"
    L"VendorPartNumber|CostModifier|PSTTax|GSTTax");

// The field column `c` (from 0) shows: its header without the trailing
// space when that field is read; the other columns stay empty.
inline std::wstring FieldOf(size_t c) {
    std::wstring field = kHeaders.at(c).substr(0, kHeaders[c].find_last_not_of(L' ') + 1);
    const bool read = std::find(kReadOrder.begin(), kReadOrder.end(), field) != kReadOrder.end();
    return read ? field : std::wstring();
}

}  // namespace expected
