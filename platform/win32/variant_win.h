// Owners for BSTR and VARIANT, and the crossings between VARIANT and
// platform::Variant.
#pragma once

#include <windows.h>
// after windows.h
#include <oleauto.h>

#include <string>
#include <string_view>

#include "platform/variant.h"

namespace win32 {

// Owns one BSTR.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::wstring_view s);
    ~Bstr() { SysFreeString(b_); }
    Bstr(Bstr&& o) noexcept : b_(o.b_) { o.b_ = nullptr; }
    Bstr& operator=(Bstr&& o) noexcept;
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR get() const { return b_; }
    BSTR* out() { return &b_; }  // for a callee that fills it; must be empty
    std::wstring str() const { return std::wstring(b_, SysStringLen(b_)); }

  private:
    BSTR b_ = nullptr;
};

// Owns one VARIANT.
class ComVariant {
  public:
    ComVariant() { VariantInit(&v_); }
    ~ComVariant() { VariantClear(&v_); }
    ComVariant(ComVariant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
    ComVariant& operator=(ComVariant&& o) noexcept;
    ComVariant(const ComVariant&) = delete;
    ComVariant& operator=(const ComVariant&) = delete;

    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    void Clear() { VariantClear(&v_); }

  private:
    VARIANT v_;
};

// Fills an empty VARIANT with an owned copy of `in` (a BSTR is allocated, an
// object gains a reference). Raises 13 for an object of another platform.
void ToComVariant(const platform::Variant& in, VARIANT& out);
// A platform value for a VARIANT, by reference or not; objects gain a
// reference of their own. Raises for types the platform has no value for.
platform::Variant FromComVariant(const VARIANT& in);
// The same into `out`; text reuses the storage of text that `out` held.
void FromComVariant(const VARIANT& in, platform::Variant& out);

}  // namespace win32
