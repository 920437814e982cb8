// Late-bound calls from a client, raw as the host receives them: a member by
// name, arguments as VARIANTs by value or by reference, and what a member
// raised. The one caller of tests, benchmarks and tools alike.
#pragma once

#include <windows.h>
// after windows.h
#include <oleauto.h>

#include <span>
#include <string>
#include <vector>

#include "platform/win32/com_win.h"

namespace standin_client {

using win32::Bstr;
using win32::ComPtr;
using win32::ComVariant;

// How the program calls every member: as a method or a property read.
inline constexpr WORD kMethodOrGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

// What a member raised with DISP_E_EXCEPTION.
struct Raised {
    std::wstring source, description;
    SCODE scode = 0;
};

HRESULT MemberId(IDispatch* obj, const wchar_t* name, DISPID* id);
// `args` in DISPPARAMS order (the last argument first); `result` is cleared
// first. `raised`, when given, receives what the member raised.
HRESULT Invoke(IDispatch* obj, DISPID id, WORD flags, std::span<VARIANT> args, VARIANT* result,
               Raised* raised = nullptr);
// The member looked up, then invoked as a method or property read.
HRESULT Call(IDispatch* obj, const wchar_t* name, std::span<VARIANT> args, VARIANT* result,
             Raised* raised = nullptr);

// Arguments in call order. Values are owned; by-reference arguments point at
// the caller's own variables, which must outlive the call.
class ArgList {
  public:
    ArgList() = default;
    ArgList(const ArgList&) = delete;
    ArgList& operator=(const ArgList&) = delete;
    ~ArgList();
    ArgList& Text(const wchar_t* s);
    ArgList& TextRef(BSTR* s);
    ArgList& I2(short n);
    ArgList& I2Ref(short* n);
    ArgList& I4(long n);
    ArgList& R8Ref(double* d);
    ArgList& VariantRef(VARIANT* v);
    // DISPPARAMS order: the last argument first.
    std::vector<VARIANT> Reversed() const { return {args_.rbegin(), args_.rend()}; }

  private:
    ArgList& Add(VARTYPE vt, const void* value, size_t bytes);
    std::vector<VARIANT> args_;
};

struct CallResult {
    HRESULT hr = E_FAIL;
    ComVariant value;
    Raised raised;

    VARTYPE vt() const { return V_VT(value.get()); }
    // The value converted under the invariant locale; "" or 0 when it does not convert.
    std::wstring text() const;
    long asLong() const;
    double asDouble() const;
    ComPtr<IDispatch> object() const;
};

CallResult Call(IDispatch* obj, const wchar_t* name, const ArgList& args = ArgList());
// A member that returns an object; empty when the call failed.
ComPtr<IDispatch> Object(IDispatch* obj, const wchar_t* name, const ArgList& args = ArgList());
// A running object of the Running Object Table; empty when none runs.
ComPtr<IDispatch> Running(REFCLSID clsid);

}  // namespace standin_client
