#include "standin/model/com_win.h"

#include <cwchar>

#include "standin/model/values_win.h"

namespace standin {

namespace {

CallSettings g_settings;
ObjectBase* g_head = nullptr;

bool SameAscii(const wchar_t* a, const wchar_t* b) {
    for (;; ++a, ++b) {
        wchar_t x = *a, y = *b;
        if (x >= L'a' && x <= L'z') x = wchar_t(x - 32);
        if (y >= L'a' && y <= L'z') y = wchar_t(y - 32);
        if (x != y) return false;
        if (!x) return true;
    }
}

const wchar_t* TypeName(VARTYPE vt) {
    switch (vt) {
        case VT_EMPTY:
            return L"EMPTY";
        case VT_NULL:
            return L"NULL";
        case VT_I1:
            return L"I1";
        case VT_UI1:
            return L"UI1";
        case VT_I2:
            return L"I2";
        case VT_UI2:
            return L"UI2";
        case VT_I4:
            return L"I4";
        case VT_UI4:
            return L"UI4";
        case VT_INT:
            return L"INT";
        case VT_UINT:
            return L"UINT";
        case VT_I8:
            return L"I8";
        case VT_UI8:
            return L"UI8";
        case VT_R4:
            return L"R4";
        case VT_R8:
            return L"R8";
        case VT_CY:
            return L"CY";
        case VT_DATE:
            return L"DATE";
        case VT_BSTR:
            return L"BSTR";
        case VT_DISPATCH:
            return L"DISPATCH";
        case VT_ERROR:
            return L"ERROR";
        case VT_BOOL:
            return L"BOOL";
        case VT_VARIANT:
            return L"VARIANT";
        case VT_UNKNOWN:
            return L"UNKNOWN";
        case VT_DECIMAL:
            return L"DECIMAL";
        default:
            return L"OTHER";
    }
}

void Quote(std::wstring_view s, std::wstring* out) {
    *out += L'"';
    for (wchar_t c : s) {
        if (c == L'"' || c == L'\\') *out += L'\\';
        if (c == L'\r') {
            *out += L"\\r";
        } else if (c == L'\n') {
            *out += L"\\n";
        } else {
            *out += c;
        }
    }
    *out += L'"';
}

std::wstring Hex(HRESULT hr) {
    wchar_t buf[16];
    std::swprintf(buf, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return buf;
}

}  // namespace

// --- Arguments ------------------------------------------------------------

HRESULT Args::Convert(UINT i, VARTYPE vt, ComVariant* out, UINT* argErr) const {
    const VARIANT* v = &raw(i);
    while (V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
    HRESULT hr = VariantChangeType(out->reset(), const_cast<VARIANT*>(v), 0, vt);
    if (FAILED(hr)) {
        if (argErr) *argErr = p_->cArgs - 1 - i;
        return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
    }
    return S_OK;
}

HRESULT Args::Long(UINT i, long* out, UINT* argErr) const {
    const VARIANT& v = raw(i);
    switch (V_VT(&v)) {  // the usual cases without a conversion
        case VT_I2:
            *out = V_I2(&v);
            return S_OK;
        case VT_I4:
            *out = V_I4(&v);
            return S_OK;
        case VT_BYREF | VT_I2:
            *out = *V_I2REF(&v);
            return S_OK;
        case VT_BYREF | VT_I4:
            *out = *V_I4REF(&v);
            return S_OK;
    }
    ComVariant tmp;
    HRESULT hr = Convert(i, VT_I4, &tmp, argErr);
    if (SUCCEEDED(hr)) *out = V_I4(tmp.get());
    return hr;
}

HRESULT Args::Double(UINT i, double* out, UINT* argErr) const {
    const VARIANT& v = raw(i);
    if (V_VT(&v) == VT_R8) {
        *out = V_R8(&v);
        return S_OK;
    }
    if (V_VT(&v) == (VT_BYREF | VT_R8)) {
        *out = *V_R8REF(&v);
        return S_OK;
    }
    ComVariant tmp;
    HRESULT hr = Convert(i, VT_R8, &tmp, argErr);
    if (SUCCEEDED(hr)) *out = V_R8(tmp.get());
    return hr;
}

HRESULT Args::Text(UINT i, std::wstring_view* out, ComVariant* holder, UINT* argErr) const {
    const VARIANT* v = &raw(i);
    while (V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
    BSTR s = nullptr;
    if (V_VT(v) == VT_BSTR) {
        s = V_BSTR(v);
    } else if (V_VT(v) == (VT_BYREF | VT_BSTR)) {
        s = *V_BSTRREF(v);
    } else {
        HRESULT hr = Convert(i, VT_BSTR, holder, argErr);
        if (FAILED(hr)) return hr;
        s = V_BSTR(holder->get());
    }
    *out = std::wstring_view(s ? s : L"", SysStringLen(s));
    return S_OK;
}

// --- Objects --------------------------------------------------------------

ObjectBase::ObjectBase(const wchar_t* name, std::span<const Member> members, bool tracked)
    : name_(name), members_(members), tracked_(tracked) {
    if (tracked_) Tracker::Add(this);
}

ObjectBase::~ObjectBase() {
    if (tracked_) Tracker::Remove(this);
}

HRESULT ObjectBase::QueryInterface(REFIID riid, void** out) {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *out = static_cast<IDispatch*>(this);
    } else if (riid == IID_IExternalConnection) {
        *out = static_cast<IExternalConnection*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG ObjectBase::AddRef() { return ULONG(InterlockedIncrement(&refs_)); }

ULONG ObjectBase::Release() {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return ULONG(n);
}

HRESULT ObjectBase::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ObjectBase::GetTypeInfo(UINT, LCID, ITypeInfo**) { return DISP_E_BADINDEX; }

HRESULT ObjectBase::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    ids[0] = DISPID_UNKNOWN;
    for (const Member& m : members_) {
        if (SameAscii(names[0], m.name)) {
            ids[0] = m.id;
            break;
        }
    }
    if (ids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    // No member has named parameters.
    for (UINT i = 1; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

const wchar_t* MemberName(std::span<const Member> members, DISPID id) {
    for (const Member& m : members) {
        if (m.id == id) return m.name;
    }
    return nullptr;
}

namespace {

// Per fault of g_settings: the calls of its member so far. A call turned away
// as busy was never carried out and is not counted.
std::vector<long> g_calls;
ULONGLONG g_busyUntil = 0;
HRESULT g_refusal = RPC_E_SERVERCALL_RETRYLATER;
std::function<void()> g_beforeExit;

// "Object.Member(arguments) -> ", as the call log starts a line.
std::wstring CallText(const wchar_t* object, const wchar_t* member, const Args& args) {
    std::wstring line = std::wstring(object) + L"." + member + L"(";
    for (UINT i = 0; i < args.count(); ++i) {
        if (i) line += L", ";
        line += Describe(args.raw(i));
    }
    return line + L") -> ";
}

// Counts the call for fault i when it is of the fault's member; true when the
// fault applies to this call.
bool Due(size_t i, const wchar_t* object, const wchar_t* member) {
    const Fault& f = g_settings.faults[i];
    if (!f.member.empty() && !SameAscii(f.member.c_str(), member) &&
        !SameAscii(f.member.c_str(), (std::wstring(object) + L"." + member).c_str())) {
        return false;
    }
    const long n = ++g_calls[i];
    if (f.call) return n == f.call;
    return n == 1 || f.kind == Fault::Kind::Raise || f.kind == Fault::Kind::Slow;
}

// What the scenario makes of this call: S_OK to carry it out, or the failure
// to answer with. An exit ends the process here.
HRESULT Misbehave(const wchar_t* object, const wchar_t* member, const Args& args, Raise* raise) {
    using Kind = Fault::Kind;
    const auto& faults = g_settings.faults;
    bool busy = GetTickCount64() < g_busyUntil;
    for (size_t i = 0; !busy && i < faults.size(); ++i) {
        if (faults[i].kind == Kind::Busy && Due(i, object, member)) {
            BusyFor(faults[i].ms, faults[i].refusal);
            busy = true;
        }
    }
    if (busy) return g_refusal;
    for (size_t i = 0; i < faults.size(); ++i) {
        const Fault& f = faults[i];
        if (f.kind == Kind::Busy || !Due(i, object, member)) continue;
        if (f.kind == Kind::Slow) Sleep(f.ms);
        if (f.kind == Kind::Exit) {
            if (!g_settings.logPath.empty()) LogLine(CallText(object, member, args) + L"exit");
            // A crash: no clean-up, no answer, no reference report.
            if (g_beforeExit) g_beforeExit();
            TerminateProcess(GetCurrentProcess(), 0xC0000005);
        }
        if (f.kind == Kind::Raise) {
            *raise = f.error;
            return DISP_E_EXCEPTION;
        }
    }
    return S_OK;
}

}  // namespace

HRESULT ObjectBase::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    const wchar_t* member = MemberName(members_, id);
    // Every member is a read-only property or a method; both ways of calling work.
    if (!member || !(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET))) {
        return DISP_E_MEMBERNOTFOUND;
    }
    static const DISPPARAMS kNoArgs = {nullptr, nullptr, 0, 0};
    if (!params) params = const_cast<DISPPARAMS*>(&kNoArgs);
    if (params->cNamedArgs) return DISP_E_NONAMEDARGS;

    const Args args(params);
    ComVariant value;
    Raise raise;
    const CallSettings& s = g_settings;
    if (tracked_ && s.delayMs) Sleep(s.delayMs);
    HRESULT hr = tracked_ ? Misbehave(name_, member, args, &raise) : S_OK;
    if (hr == S_OK) {
        hr = Call(id, args, value.get(), &raise, argErr);
        // The member has done its work; the scenario may change its answer.
        if (SUCCEEDED(hr) && tracked_ && s.values) {
            ComVariant odd;
            if (ScenarioValue(std::wstring(name_) + L"." + member, odd.get()))
                value = std::move(odd);
        }
    }
    if (hr == DISP_E_EXCEPTION && excep) {
        *excep = EXCEPINFO{};
        excep->bstrSource = SysAllocString(raise.source.c_str());
        excep->bstrDescription = SysAllocString(raise.description.c_str());
        excep->scode = raise.scode;
    }
    if (tracked_ && !s.logPath.empty()) {
        std::wstring line = CallText(name_, member, args);
        if (hr == DISP_E_EXCEPTION) {
            line += L"raised " + Hex(raise.scode) + L" ";
            Quote(raise.source + L": " + raise.description, &line);
        } else if (FAILED(hr)) {
            line += L"failed " + Hex(hr);
        } else {
            line += Describe(*value.get());
        }
        LogLine(line);
    }
    if (SUCCEEDED(hr) && result) {
        *result = *value.get();
        VariantInit(value.get());
    }
    return hr;
}

DWORD ObjectBase::AddConnection(DWORD type, DWORD) {
    return type & EXTCONN_STRONG ? DWORD(InterlockedIncrement(&connections_)) : 0;
}

DWORD ObjectBase::ReleaseConnection(DWORD type, DWORD, BOOL) {
    return type & EXTCONN_STRONG ? DWORD(InterlockedDecrement(&connections_)) : 0;
}

long ObjectBase::ClientRefs() const {
    const long n = byConnections_ ? 0 : refs_ - internalRefs_;
    return n > 0 ? n : 0;
}

long ObjectBase::Outstanding() const {
    const long c = connections_ - internalConnections_;
    return ClientRefs() + (c > 0 ? c : 0);
}

void Tracker::Add(ObjectBase* o) {
    o->next_ = g_head;
    if (g_head) g_head->prev_ = o;
    g_head = o;
}

void Tracker::Remove(ObjectBase* o) {
    if (o->prev_) o->prev_->next_ = o->next_;
    if (o->next_) o->next_->prev_ = o->prev_;
    if (g_head == o) g_head = o->next_;
}

long Tracker::Outstanding() {
    long total = 0;
    for (ObjectBase* o = g_head; o; o = o->next_) total += o->Outstanding();
    return total;
}

std::wstring Tracker::Report() {
    std::wstring out;
    for (ObjectBase* o = g_head; o; o = o->next_) {
        if (o->Outstanding() == 0) continue;
        out += std::wstring(o->name_) + L" refs=" + std::to_wstring(o->ClientRefs()) +
               L" connections=" + std::to_wstring(o->connections_ - o->internalConnections_) +
               L"\n";
    }
    out += L"total " + std::to_wstring(Outstanding()) + L"\n";
    return out;
}

// --- Settings and log -----------------------------------------------------

namespace {

// The call log, kept open for appending: opening a file costs more than a
// cross-process call under Wine. Appends from the two stand-in processes
// stay whole lines, and readers see each line as soon as it is written.
HANDLE g_log = INVALID_HANDLE_VALUE;

void CloseLog() {
    if (g_log != INVALID_HANDLE_VALUE) CloseHandle(g_log);
    g_log = INVALID_HANDLE_VALUE;
}

}  // namespace

void ConfigureCalls(const CallSettings& settings) {
    if (settings.logPath != g_settings.logPath) CloseLog();
    g_settings = settings;
    g_calls.assign(settings.faults.size(), 0);
    g_busyUntil = 0;
}

const std::wstring& CallLogPath() { return g_settings.logPath; }

void BeforeExitFault(std::function<void()> hook) { g_beforeExit = std::move(hook); }

void BusyFor(DWORD ms, HRESULT refusal) {
    g_busyUntil = GetTickCount64() + ms;
    g_refusal = refusal;
}

bool ScenarioValue(std::wstring_view name, VARIANT* out) {
    return g_settings.values && g_settings.values->Find(name, out);
}

void LogLine(std::wstring_view line) {
    if (g_settings.logPath.empty()) return;
    if (g_log == INVALID_HANDLE_VALUE) {
        g_log = CreateFileW(g_settings.logPath.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (g_log == INVALID_HANDLE_VALUE) return;
    }
    const std::string text = Utf8(line) + "\n";
    DWORD written = 0;
    WriteFile(g_log, text.data(), DWORD(text.size()), &written, nullptr);
}

std::wstring Describe(const VARIANT& v) {
    std::wstring out;
    const VARIANT* p = &v;
    if (V_VT(p) & VT_BYREF) {
        out += L'&';
        if (V_VT(p) == (VT_BYREF | VT_VARIANT)) {
            return out + L"VARIANT:" + Describe(*V_VARIANTREF(p));
        }
    }
    if (V_VT(p) & VT_ARRAY) return out + L"ARRAY";
    const VARTYPE base = V_VT(p) & VT_TYPEMASK;
    out += TypeName(base);
    if (base == VT_EMPTY || base == VT_NULL || base == VT_DISPATCH || base == VT_UNKNOWN) {
        return out;
    }
    if (base == VT_ERROR) return out + L":" + Hex(V_VT(p) & VT_BYREF ? *V_ERRORREF(p) : V_ERROR(p));
    ComVariant text;
    if (FAILED(VariantChangeTypeEx(text.get(), const_cast<VARIANT*>(p), LOCALE_INVARIANT,
                                   VARIANT_ALPHABOOL, VT_BSTR))) {
        return out + L":?";
    }
    out += L':';
    const std::wstring_view s(V_BSTR(text.get()), SysStringLen(V_BSTR(text.get())));
    if (base == VT_BSTR) {
        Quote(s, &out);
    } else {
        out += s;
    }
    return out;
}

}  // namespace standin
