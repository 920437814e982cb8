#include "platform/win32/accessible_win.h"

// after windows.h
#include <oleacc.h>

#include <new>
#include <unordered_map>

#include "platform/win32/com_win.h"

namespace win32 {

namespace {

bool IsSelf(const VARIANT& child) { return V_VT(&child) == VT_I4 && V_I4(&child) == CHILDID_SELF; }

// The standard object of a control under another name. Made afresh for each
// client that asks, it reads the control as it is then (at whatever DPI it was
// laid out), and lives as long as a client holds it.
class NamedAccessible final : public IAccessible, public IOleWindow {
  public:
    NamedAccessible(ComPtr<IAccessible> standard, std::wstring name)
        : std_(std::move(standard)), name_(std::move(name)) {
        std_.As(&window_);
    }

    // IUnknown: one identity, this object's.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ||
            iid == __uuidof(IAccessible)) {
            *out = static_cast<IAccessible*>(this);
        } else if (iid == __uuidof(IOleWindow) && window_) {
            *out = static_cast<IOleWindow*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }

    // IDispatch: late-bound calls go through this object's own members, so
    // that they read its name too.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        return std_->GetTypeInfoCount(n);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override {
        return std_->GetTypeInfo(i, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT n, LCID lcid,
                                            DISPID* ids) override {
        return std_->GetIDsOfNames(iid, names, n, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* error,
                                     UINT* argError) override {
        ComPtr<ITypeInfo> info;
        if (FAILED(std_->GetTypeInfo(0, lcid, &info))) {
            return std_->Invoke(id, iid, lcid, flags, params, result, error, argError);
        }
        return DispInvoke(static_cast<IAccessible*>(this), info.Get(), id, flags, params, result,
                          error, argError);
    }

    // IAccessible: the name of the control itself is this object's; its
    // items' names and everything else are the standard object's.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child)) return std_->get_accName(child, name);
        if (!name) return E_POINTER;
        *name = SysAllocStringLen(name_.data(), static_cast<UINT>(name_.size()));
        return *name ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return std_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return std_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        return std_->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return std_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return std_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return std_->get_accRole(child, role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return std_->get_accState(child, state);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return std_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return std_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override {
        return std_->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        return std_->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return std_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        return std_->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG how, VARIANT child) override {
        return std_->accSelect(how, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return std_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG dir, VARIANT start, VARIANT* end) override {
        return std_->accNavigate(dir, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return std_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return std_->accDoDefaultAction(child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override {
        return std_->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
        return std_->put_accValue(child, value);
    }

    // IOleWindow: the control's window, for a client that asks which it is.
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override { return window_->GetWindow(hwnd); }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override {
        return window_->ContextSensitiveHelp(enter);
    }

  private:
    ~NamedAccessible() = default;

    ComPtr<IAccessible> std_;
    ComPtr<IOleWindow> window_;
    const std::wstring name_;
    // None until a ComPtr takes it: MinGW's ComPtr::Attach adds a reference
    // where MSVC's does not, and construction adds one with both.
    LONG refs_ = 0;
};

// The controls named here, each with the procedure it had before. Found
// here rather than through a window property (as SetWindowSubclass keeps
// its chain), because Wine reads a property from its server, for every
// message: the result list would pay that on each of its thousands.
struct Named {
    WNDPROC next;
    std::wstring name;
};
std::unordered_map<HWND, Named>& NamedControls() {
    static std::unordered_map<HWND, Named> controls;
    return controls;
}

// Answers a client's request for the control's object with the named one.
LRESULT CALLBACK NamedControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto& controls = NamedControls();
    const auto it = controls.find(hwnd);
    if (it == controls.end()) return DefWindowProcW(hwnd, msg, wp, lp);
    const WNDPROC next = it->second.next;
    if (msg == WM_GETOBJECT && static_cast<DWORD>(lp) == static_cast<DWORD>(OBJID_CLIENT)) {
        ComPtr<IAccessible> standard;
        if (SUCCEEDED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, IID_PPV_ARGS(&standard)))) {
            try {
                ComPtr<IAccessible> named(
                    new NamedAccessible(std::move(standard), it->second.name));
                return LresultFromObject(__uuidof(IAccessible), wp, named.Get());
            } catch (const std::bad_alloc&) {
                // Out of memory: the standard object answers, unnamed.
            }
        }
    } else if (msg == WM_NCDESTROY) {
        controls.erase(it);
    }
    return CallWindowProcW(next, hwnd, msg, wp, lp);
}

}  // namespace

std::wstring NameFromLabel(std::wstring_view caption) {
    std::wstring name;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size()) ++i;  // "&&" is one '&'
        name += caption[i];
    }
    if (!name.empty() && name.back() == L':') name.pop_back();
    return name;
}

void SetAccessibleName(HWND control, std::wstring name) {
    const auto next = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(control, GWLP_WNDPROC));
    NamedControls()[control] = {next, std::move(name)};
    SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NamedControlProc));
}

}  // namespace win32
