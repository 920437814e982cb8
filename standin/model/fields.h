// The 66 product fields the stand-in knows, in the order the search window
// reads them, with the automation type each one is returned as.
#pragma once

#include <cstdint>
#include <string_view>

namespace standin {

enum class FieldType : uint8_t { Text, Currency, Double, Long, Date };

struct FieldInfo {
    const wchar_t* name;
    FieldType type;
};

constexpr int kFieldCount = 66;
extern const FieldInfo kFields[kFieldCount];

// Index into kFields, ignoring ASCII case; -1 when the name is unknown.
int FindField(std::wstring_view name);

// Field indexes the stand-in itself needs.
namespace field {
extern const int kDescription;
extern const int kManufacturerPartNumber;
extern const int kVendor;
extern const int kUnitPrice;
extern const int kQtyBase;
}  // namespace field

}  // namespace standin
