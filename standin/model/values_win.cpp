#include "standin/model/values_win.h"

#include <nlohmann/json.hpp>

#include "standin/model/store.h"

namespace standin {

namespace {

using nlohmann::json;

struct TypeName {
    const char* name;
    VARTYPE vt;
};
// The names the call log writes.
constexpr TypeName kTypes[] = {
    {"EMPTY", VT_EMPTY},
    {"NULL", VT_NULL},
    {"BOOL", VT_BOOL},
    {"UI1", VT_UI1},
    {"I2", VT_I2},
    {"I4", VT_I4},
    {"I8", VT_I8},
    {"R4", VT_R4},
    {"R8", VT_R8},
    {"CY", VT_CY},
    {"DATE", VT_DATE},
    {"DECIMAL", VT_DECIMAL},
    {"BSTR", VT_BSTR},
    {"ERROR", VT_ERROR},
    {"DISPATCH", VT_DISPATCH},
    {"ARRAY", VT_ARRAY | VT_VARIANT},
};

bool SetText(std::wstring_view s, VARIANT* out) {
    V_VT(out) = VT_BSTR;
    V_BSTR(out) = SysAllocStringLen(s.data(), UINT(s.size()));
    return V_BSTR(out) != nullptr;
}

bool MakeValue(const json& given, VARIANT* out);

// {"ARRAY": [value, ...]}: a one-dimensional array of VARIANTs, from 0.
bool MakeArray(const json& items, VARIANT* out) {
    if (!items.is_array()) return false;
    SAFEARRAY* a = SafeArrayCreateVector(VT_VARIANT, 0, ULONG(items.size()));
    if (!a) return false;
    VARIANT* data = nullptr;
    SafeArrayAccessData(a, reinterpret_cast<void**>(&data));
    bool ok = true;
    for (size_t i = 0; i < items.size() && ok; ++i) ok = MakeValue(items[i], &data[i]);
    SafeArrayUnaccessData(a);
    V_VT(out) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(out) = a;  // the caller's VariantClear frees it, also on failure
    return ok;
}

// One value: {"TYPE": v}, with "repeat": n for text repeated n times.
bool MakeValue(const json& given, VARIANT* out) {
    if (!given.is_object() || given.empty()) return false;
    const auto first = given.begin();
    const std::string& type = first.key();
    const json& v = first.value();
    VARTYPE vt = VT_ILLEGAL;
    for (const TypeName& t : kTypes)
        if (type == t.name) vt = t.vt;
    if (vt == VT_ILLEGAL || given.size() != (vt == VT_BSTR && given.contains("repeat") ? 2u : 1u))
        return false;
    switch (vt) {
        case VT_EMPTY:
        case VT_NULL:
            V_VT(out) = vt;
            return v.is_null();
        case VT_DISPATCH:  // Nothing: the only object a scenario can name
            V_VT(out) = VT_DISPATCH;
            V_DISPATCH(out) = nullptr;
            return v.is_null();
        case VT_BOOL:
            V_VT(out) = VT_BOOL;
            V_BOOL(out) = v.is_boolean() && v.get<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
            return v.is_boolean();
        case VT_ARRAY | VT_VARIANT:
            return MakeArray(v, out);
        case VT_BSTR: {
            if (!v.is_string()) return false;
            const std::wstring unit = Wide(v.get<std::string>());
            const auto times = given.value("repeat", json(1u));
            if (!times.is_number_unsigned()) return false;
            std::wstring s;
            s.reserve(unit.size() * times.get<size_t>());
            for (size_t i = 0; i < times.get<size_t>(); ++i) s += unit;
            return SetText(s, out);
        }
        case VT_DATE:
            V_VT(out) = VT_DATE;
            return v.is_string() && ParseDate(Wide(v.get<std::string>()), &V_DATE(out));
        case VT_ERROR:
            V_VT(out) = VT_ERROR;
            if (v.is_number_integer()) {
                V_ERROR(out) = SCODE(v.get<int64_t>());
                return true;
            }
            if (!v.is_string()) return false;
            try {
                V_ERROR(out) = SCODE(std::stoul(v.get<std::string>(), nullptr, 0));
            } catch (const std::exception&) {
                return false;
            }
            return true;
        default: {
            // Numbers from their invariant text, so that a 64-bit integer or
            // a decimal given as text keeps every digit.
            if (!v.is_number() && !v.is_string()) return false;
            ComVariant text;
            if (!SetText(Wide(v.is_string() ? v.get<std::string>() : v.dump()), text.get()))
                return false;
            return SUCCEEDED(VariantChangeTypeEx(out, text.get(), LOCALE_INVARIANT, 0, vt));
        }
    }
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && FoldCase(a) == FoldCase(b);
}

}  // namespace

bool ValueTable::Parse(std::string_view utf8, std::wstring* error) {
    const json j = json::parse(utf8, nullptr, false);
    if (!j.is_object()) {
        *error = L"the values are not a JSON object";
        return false;
    }
    for (const auto& [name, given] : j.items()) {
        ComVariant v;
        if (!MakeValue(given, v.get())) {
            *error = L"the value of \"" + Wide(name) + L"\" has the wrong form";
            return false;
        }
        values_.emplace_back(Wide(name), std::move(v));
    }
    return true;
}

bool ValueTable::Find(std::wstring_view name, VARIANT* out) const {
    for (const auto& [key, value] : values_) {
        if (SameName(key, name))
            return SUCCEEDED(VariantCopy(out, const_cast<VARIANT*>(value.get())));
    }
    return false;
}

}  // namespace standin
