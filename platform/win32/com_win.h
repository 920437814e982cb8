// The owners of COM resources: a reference (ComPtr), a BSTR (Bstr) and a
// VARIANT (ComVariant). Header-only, so that the stand-in and the tools own
// their references the same way as the program without linking it.
#pragma once

#include <windows.h>
// after windows.h
#include <oleauto.h>
#include <wrl/client.h>

#include <new>
#include <string>
#include <string_view>

namespace win32 {

using Microsoft::WRL::ComPtr;

// Owns one BSTR.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::wstring_view s)
        : b_(SysAllocStringLen(s.data(), static_cast<UINT>(s.size()))) {
        if (!b_) throw std::bad_alloc();
    }
    ~Bstr() { SysFreeString(b_); }
    Bstr(Bstr&& o) noexcept : b_(o.b_) { o.b_ = nullptr; }
    Bstr& operator=(Bstr&& o) noexcept {
        if (this != &o) {
            SysFreeString(b_);
            b_ = o.b_;
            o.b_ = nullptr;
        }
        return *this;
    }
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
    ComVariant& operator=(ComVariant&& o) noexcept {
        if (this != &o) {
            VariantClear(&v_);
            v_ = o.v_;
            VariantInit(&o.v_);
        }
        return *this;
    }
    ComVariant(const ComVariant&) = delete;
    ComVariant& operator=(const ComVariant&) = delete;

    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    // Frees what it held; the empty VARIANT is then for a callee to fill.
    // A plain value holds nothing to free and is only marked empty: a run of
    // calls empties its answer each time.
    VARIANT* reset() {
        if ((v_.vt & VT_ARRAY) || v_.vt == VT_BSTR || v_.vt == VT_DISPATCH || v_.vt == VT_UNKNOWN ||
            v_.vt == VT_RECORD)
            VariantClear(&v_);
        else
            v_.vt = VT_EMPTY;
        return &v_;
    }

  private:
    VARIANT v_;
};

}  // namespace win32
