// The hand-written IDispatch base every stand-in object derives from: a
// static member table, arguments taken by value or by reference as any type
// that converts, the call log, injected faults and the count of references
// held by clients.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/com_win.h"
#include "standin/model/text_win.h"

namespace standin {

using win32::ComVariant;

// The arguments of one call, in call order (DISPPARAMS holds them reversed).
class Args {
  public:
    explicit Args(const DISPPARAMS* p) : p_(p) {}
    UINT count() const { return p_->cArgs; }
    // The argument as the caller passed it, by-reference flags included.
    const VARIANT& raw(UINT i) const { return p_->rgvarg[p_->cArgs - 1 - i]; }
    // Converted copies; each fails with DISP_E_TYPEMISMATCH (or DISP_E_OVERFLOW)
    // and names the argument in *argErr.
    HRESULT Long(UINT i, long* out, UINT* argErr) const;
    HRESULT Double(UINT i, double* out, UINT* argErr) const;
    // Borrows the caller's BSTR when it is one; otherwise converts into holder.
    HRESULT Text(UINT i, std::wstring_view* out, ComVariant* holder, UINT* argErr) const;

  private:
    HRESULT Convert(UINT i, VARTYPE vt, ComVariant* out, UINT* argErr) const;
    const DISPPARAMS* p_;
};

struct Member {
    const wchar_t* name;
    DISPID id;
};

// An automation error raised from within a member.
struct Raise {
    std::wstring source, description;
    HRESULT scode = E_FAIL;
};

class ObjectBase : public IDispatch, public IExternalConnection {
  public:
    ObjectBase(const ObjectBase&) = delete;
    ObjectBase& operator=(const ObjectBase&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* excep, UINT* argErr) override;
    // IExternalConnection: COM tells us of references held from other processes.
    DWORD STDMETHODCALLTYPE AddConnection(DWORD type, DWORD) override;
    DWORD STDMETHODCALLTYPE ReleaseConnection(DWORD type, DWORD, BOOL) override;

    const wchar_t* name() const { return name_; }
    // References held by clients: all references and connections beyond those
    // the stand-in holds itself.
    long Outstanding() const;
    // References held by clients now, counted in the report (0 for an object
    // counted by its connections only).
    long ClientRefs() const;
    void SetInternal(long refs, long connections) {
        internalRefs_ = refs;
        internalConnections_ = connections;
    }
    // For an object in the Running Object Table: COM's stubs reference it for
    // the table entry, and those references come and go unseen by clients, so
    // clients are counted by their connections alone.
    void CountByConnections() { byConnections_ = true; }

  protected:
    // tracked objects join the reference report and the call log.
    ObjectBase(const wchar_t* name, std::span<const Member> members, bool tracked = true);
    virtual ~ObjectBase();
    virtual HRESULT Call(DISPID id, const Args& args, VARIANT* result, Raise* raise,
                         UINT* argErr) = 0;

  private:
    const wchar_t* name_;
    std::span<const Member> members_;
    bool tracked_;
    bool byConnections_ = false;
    LONG refs_ = 1;
    LONG connections_ = 0;
    long internalRefs_ = 1, internalConnections_ = 0;  // the creator keeps the first reference
    ObjectBase* prev_ = nullptr;
    ObjectBase* next_ = nullptr;
    friend class Tracker;
};

// Every live tracked object of this process, for the reference report.
class Tracker {
  public:
    static long Outstanding();
    // One line per object with references held by clients, then "total N".
    static std::wstring Report();

  private:
    friend class ObjectBase;
    static void Add(ObjectBase* o);
    static void Remove(ObjectBase* o);
};

class ValueTable;

// A misbehaviour the scenario asks of calls to one member (or to any).
struct Fault {
    enum class Kind {
        Raise,  // raises error
        Busy,   // turns this and every call of the next ms milliseconds away as busy (refusal)
        Slow,   // waits ms before answering
        Exit,   // ends the process before answering, as a crash does
    };
    Kind kind = Kind::Raise;
    std::wstring member;  // "Member" or "Object.Member"; empty: any member
    long call = 0;        // only the Nth call of it (from 1); 0: every call (Busy, Exit: the first)
    DWORD ms = 0;
    Raise error;
    HRESULT refusal = RPC_E_SERVERCALL_RETRYLATER;  // how a busy call is turned away
};

// Per-process call settings: injected faults, delay and log, set from the scenario.
struct CallSettings {
    std::vector<Fault> faults;
    DWORD delayMs = 0;
    std::wstring logPath;                      // empty: no log
    std::shared_ptr<const ValueTable> values;  // answers in place of the stand-in's own
};
void ConfigureCalls(const CallSettings& settings);
const std::wstring& CallLogPath();
// Turns every call of the next ms milliseconds away as busy, answering `refusal`.
void BusyFor(DWORD ms, HRESULT refusal = RPC_E_SERVERCALL_RETRYLATER);
// Runs just before an exit fault ends the process.
void BeforeExitFault(std::function<void()> hook);
// The scenario's answer for a field or "Object.Member" into the empty `out`;
// false when it sets none.
bool ScenarioValue(std::wstring_view name, VARIANT* out);
// Appends one line to the call log, when there is one.
void LogLine(std::wstring_view line);

// The member name of a dispatch id, for the log.
const wchar_t* MemberName(std::span<const Member> members, DISPID id);
// "&I2:3", "BSTR:\"Main\"", "EMPTY": a variant as the call log shows it.
std::wstring Describe(const VARIANT& v);

// Returns obj as an IDispatch result, passing our reference on.
inline void ReturnObject(VARIANT* result, IDispatch* obj) {
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = obj;
}

}  // namespace standin
