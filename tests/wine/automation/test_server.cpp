// A small out-of-process automation server for the automation layer's tests.
//
// Registers one object in the running object table under the class given on
// the command line and serves it until told to quit. Its members:
//   Describe(...)        the argument types in call order, e.g. "BSTR&,I2"
//   Change(s&, i&, d&)   s gains "!", i doubles, d adds 0.5
//   Make(kind)           a value of one type (see MakeValue)
//   Fail                 raises with a description and source
//   FailNumbered         raises an error numbered like a component's own
//   Child                a new object of the same kind
//   Live                 how many objects other than the root are alive
//   Flags                the dispatch flags this call came with
//   Quit                 revoke the registration and end
// Exit code: the root's references left once it is revoked (0 when none leaked).
#include <windows.h>
// after windows.h
#include <objbase.h>
#include <oleauto.h>

#include <cwchar>
#include <string>
#include <utility>

namespace {

long g_live = 0;  // objects other than the root
bool g_quit = false;

enum Member { kDescribe = 1, kChange, kMake, kFail, kFailNumbered, kChild, kLive, kFlags, kQuit };

// By member, in the order above.
const wchar_t* const kNames[] = {L"",      L"Describe",     L"Change", L"Make",
                                 L"Fail",  L"FailNumbered", L"Child",  L"Live",
                                 L"Flags", L"Quit"};

std::wstring TypeText(VARTYPE vt) {
    const std::pair<VARTYPE, const wchar_t*> kTypes[] = {{VT_BSTR, L"BSTR"},
                                                         {VT_I2, L"I2"},
                                                         {VT_I4, L"I4"},
                                                         {VT_R8, L"R8"},
                                                         {VT_VARIANT, L"VARIANT"}};
    std::wstring base = std::to_wstring(vt & ~VT_BYREF);
    for (const auto& [type, name] : kTypes) {
        if (type == (vt & ~VT_BYREF)) base = name;
    }
    return (vt & VT_BYREF) ? base + L"&" : base;
}

HRESULT MakeValue(int kind, VARIANT* out, IDispatch* child);

class TestObject : public IDispatch {
  public:
    explicit TestObject(bool root) : root_(root) {
        if (!root_) ++g_live;
    }
    virtual ~TestObject() = default;
    ULONG refs() const { return refs_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --refs_;
        if (n == 0 && !root_) {
            --g_live;
            delete this;
        }
        return n;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (DISPID m = kDescribe; m <= kQuit; ++m) {
                if (_wcsicmp(kNames[m], names[i]) == 0) ids[i] = m;
            }
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p,
                                     VARIANT* result, EXCEPINFO* ei, UINT*) override {
        const UINT n = p->cArgs;
        VARIANT* args = p->rgvarg;  // last argument first
        VARIANT ignored;
        VariantInit(&ignored);
        if (!result) result = &ignored;
        switch (id) {
            case kDescribe: {
                std::wstring text;
                for (UINT i = 0; i < n; ++i) {
                    if (i) text += L",";
                    text += TypeText(args[n - 1 - i].vt);
                }
                result->vt = VT_BSTR;
                result->bstrVal = SysAllocString(text.c_str());
                return S_OK;
            }
            case kChange: {
                if (n != 3) return DISP_E_BADPARAMCOUNT;
                VARIANT& s = args[2];
                VARIANT& i = args[1];
                VARIANT& d = args[0];
                if (s.vt != (VT_BYREF | VT_BSTR) || i.vt != (VT_BYREF | VT_I2) ||
                    d.vt != (VT_BYREF | VT_R8))
                    return DISP_E_TYPEMISMATCH;
                std::wstring changed(*s.pbstrVal, SysStringLen(*s.pbstrVal));
                changed += L"!";
                SysFreeString(*s.pbstrVal);
                *s.pbstrVal = SysAllocString(changed.c_str());
                *i.piVal = static_cast<SHORT>(*i.piVal * 2);
                *d.pdblVal += 0.5;
                result->vt = VT_I2;
                result->iVal = 0;
                return S_OK;
            }
            case kMake: {
                if (n != 1) return DISP_E_BADPARAMCOUNT;
                VARIANT kind;
                VariantInit(&kind);
                if (FAILED(VariantChangeType(&kind, &args[0], 0, VT_I4)))
                    return DISP_E_TYPEMISMATCH;
                TestObject* child = kind.lVal == 7 ? new TestObject(false) : nullptr;
                if (child) child->AddRef();
                const HRESULT hr = MakeValue(kind.lVal, result, child);
                if (child) child->Release();
                return hr;
            }
            case kFail:
            case kFailNumbered:
                if (ei) {
                    ZeroMemory(ei, sizeof(*ei));
                    ei->bstrSource = SysAllocString(L"Test.Server");
                    ei->bstrDescription = SysAllocString(L"The part is unknown");
                    ei->scode = id == kFail ? static_cast<SCODE>(0x80040201)
                                            : MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 1234);
                }
                return DISP_E_EXCEPTION;
            case kChild: {
                auto* child = new TestObject(false);
                child->AddRef();
                result->vt = VT_DISPATCH;
                result->pdispVal = child;
                return S_OK;
            }
            case kLive:
                result->vt = VT_I4;
                result->lVal = g_live;
                return S_OK;
            case kFlags:
                result->vt = VT_I4;
                result->lVal = flags;
                return S_OK;
            case kQuit:
                g_quit = true;
                PostQuitMessage(0);
                return S_OK;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    }

  private:
    bool root_;
    ULONG refs_ = 0;
};

HRESULT MakeValue(int kind, VARIANT* out, IDispatch* child) {
    // The numbers, each of a type the automation layer must turn into its own.
    struct Number {
        int kind;
        VARTYPE vt;
        double value;
    };
    const Number kNumbers[] = {{2, VT_BOOL, -1},  {3, VT_DATE, 45000.75}, {4, VT_R8, 2.5},
                               {6, VT_I4, 40000}, {8, VT_CY, 1.2345},     {9, VT_DECIMAL, -1.25},
                               {10, VT_UI1, 200}, {12, VT_I8, 5e9}};
    for (const Number& n : kNumbers) {
        if (n.kind != kind) continue;
        out->vt = VT_R8;
        out->dblVal = n.value;
        return VariantChangeType(out, out, 0, n.vt);
    }
    switch (kind) {
        case 1:
            out->vt = VT_BSTR;
            out->bstrVal = SysAllocString(L"text");
            return S_OK;
        case 5:
            out->vt = VT_NULL;
            return S_OK;
        case 7:
            out->vt = VT_DISPATCH;
            out->pdispVal = child;
            child->AddRef();
            return S_OK;
        case 11:
            out->vt = VT_EMPTY;
            return S_OK;
        default:
            return DISP_E_BADINDEX;
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    CLSID clsid;
    if (FAILED(CLSIDFromString(argv[1], &clsid))) return 4;

    TestObject root(true);
    root.AddRef();  // our own
    DWORD cookie = 0;
    if (FAILED(RegisterActiveObject(&root, clsid, ACTIVEOBJECT_STRONG, &cookie))) return 5;

    MSG msg;
    while (!g_quit && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);

    RevokeActiveObject(cookie, nullptr);
    // Let the clients' last releases arrive.
    const ULONGLONG until = GetTickCount64() + 5000;
    while (root.refs() > 1 && GetTickCount64() < until) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(10);
    }
    const int left = static_cast<int>(root.refs()) - 1 + static_cast<int>(g_live);
    CoUninitialize();
    return left;
}
