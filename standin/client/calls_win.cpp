#include "standin/client/calls_win.h"

#include <cstring>

namespace standin_client {

HRESULT MemberId(IDispatch* obj, const wchar_t* name, DISPID* id) {
    *id = DISPID_UNKNOWN;
    if (!obj) return E_POINTER;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    return obj->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, id);
}

HRESULT Invoke(IDispatch* obj, DISPID id, WORD flags, std::span<VARIANT> args, VARIANT* result,
               Raised* raised) {
    VariantClear(result);
    if (!obj) return E_POINTER;
    DISPPARAMS p = {args.data(), nullptr, UINT(args.size()), 0};
    EXCEPINFO ex = {};
    UINT argErr = 0;
    const HRESULT hr =
        obj->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &p, result, &ex, &argErr);
    if (hr == DISP_E_EXCEPTION && raised) {
        raised->source.assign(ex.bstrSource ? ex.bstrSource : L"");
        raised->description.assign(ex.bstrDescription ? ex.bstrDescription : L"");
        raised->scode = ex.scode;
    }
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrHelpFile);
    return hr;
}

HRESULT Call(IDispatch* obj, const wchar_t* name, std::span<VARIANT> args, VARIANT* result,
             Raised* raised) {
    DISPID id;
    const HRESULT hr = MemberId(obj, name, &id);
    return FAILED(hr) ? hr : Invoke(obj, id, kMethodOrGet, args, result, raised);
}

ArgList::~ArgList() {
    for (VARIANT& v : args_) VariantClear(&v);
}

ArgList& ArgList::Text(const wchar_t* s) {
    BSTR b = SysAllocString(s);
    return Add(VT_BSTR, &b, sizeof b);
}
ArgList& ArgList::TextRef(BSTR* s) { return Add(VT_BYREF | VT_BSTR, &s, sizeof s); }
ArgList& ArgList::I2(short n) { return Add(VT_I2, &n, sizeof n); }
ArgList& ArgList::I2Ref(short* n) { return Add(VT_BYREF | VT_I2, &n, sizeof n); }
ArgList& ArgList::I4(long n) { return Add(VT_I4, &n, sizeof n); }
ArgList& ArgList::R8Ref(double* d) { return Add(VT_BYREF | VT_R8, &d, sizeof d); }
// NOLINTNEXTLINE(bugprone-sizeof-expression): the pointer itself is the value
ArgList& ArgList::VariantRef(VARIANT* v) { return Add(VT_BYREF | VT_VARIANT, &v, sizeof v); }

// Every value and pointer of a VARIANT starts where its 8-byte integer does.
ArgList& ArgList::Add(VARTYPE vt, const void* value, size_t bytes) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = vt;
    V_I8(&v) = 0;
    std::memcpy(&V_I8(&v), value, bytes);
    args_.push_back(v);
    return *this;
}

namespace {

// `v` converted under the invariant locale; EMPTY when it does not convert.
ComVariant As(const VARIANT* v, VARTYPE type) {
    ComVariant t;
    VariantChangeTypeEx(t.get(), const_cast<VARIANT*>(v), LOCALE_INVARIANT, 0, type);
    return t;
}

}  // namespace

std::wstring CallResult::text() const {
    const ComVariant t = As(value.get(), VT_BSTR);
    const VARIANT* v = t.get();
    return V_VT(v) == VT_BSTR ? std::wstring(V_BSTR(v), SysStringLen(V_BSTR(v))) : L"";
}

long CallResult::asLong() const {
    const ComVariant t = As(value.get(), VT_I4);
    return V_VT(t.get()) == VT_I4 ? V_I4(t.get()) : 0;
}

double CallResult::asDouble() const {
    const ComVariant t = As(value.get(), VT_R8);
    return V_VT(t.get()) == VT_R8 ? V_R8(t.get()) : 0;
}

ComPtr<IDispatch> CallResult::object() const {
    ComPtr<IDispatch> p;
    if (vt() == VT_DISPATCH) p = V_DISPATCH(value.get());
    return p;
}

CallResult Call(IDispatch* obj, const wchar_t* name, const ArgList& args) {
    CallResult r;
    std::vector<VARIANT> reversed = args.Reversed();
    r.hr = Call(obj, name, reversed, r.value.get(), &r.raised);
    return r;
}

ComPtr<IDispatch> Object(IDispatch* obj, const wchar_t* name, const ArgList& args) {
    CallResult r = Call(obj, name, args);
    return SUCCEEDED(r.hr) ? r.object() : nullptr;
}

ComPtr<IDispatch> Running(REFCLSID clsid) {
    ComPtr<IUnknown> unknown;
    ComPtr<IDispatch> disp;
    if (SUCCEEDED(GetActiveObject(clsid, nullptr, &unknown))) unknown.As(&disp);
    return disp;
}

}  // namespace standin_client
