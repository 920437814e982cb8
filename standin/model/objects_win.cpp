#include "standin/model/objects_win.h"

#include <algorithm>
#include <filesystem>

#include "standin/model/com_win.h"
#include "standin/model/scenario_win.h"

namespace standin {

const CLSID CLSID_VantoraApplication = {
    0x6f1c2a4e, 0x3b7d, 0x4e2a, {0x9c, 0x11, 0x5a, 0x8e, 0x0d, 0x4b, 0x7f, 0x21}};
const CLSID CLSID_VantoraInstallations = {
    0x6f1c2a4e, 0x3b7d, 0x4e2a, {0x9c, 0x11, 0x5a, 0x8e, 0x0d, 0x4b, 0x7f, 0x22}};
const CLSID CLSID_StandInControl = {
    0x6f1c2a4e, 0x3b7d, 0x4e2a, {0x9c, 0x11, 0x5a, 0x8e, 0x0d, 0x4b, 0x7f, 0x23}};

namespace {

HRESULT NeedArgs(const Args& args, UINT least, UINT most) {
    return args.count() < least || args.count() > most ? DISP_E_BADPARAMCOUNT : S_OK;
}

void ReturnLong(VARIANT* result, long n) {
    V_VT(result) = VT_I4;
    V_I4(result) = n;
}

void ReturnText(VARIANT* result, std::wstring_view s) {
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = SysAllocStringLen(s.data(), UINT(s.size()));
}

// Takes over the one reference a new object starts with. Not ComPtr::Attach:
// MinGW's adds a reference of its own, and the object would never go.
ComPtr<IDispatch> Adopt(IDispatch* fresh) {
    ComPtr<IDispatch> p;
    *p.GetAddressOf() = fresh;
    return p;
}

#define STANDIN_TRY(expr)            \
    do {                             \
        const HRESULT hr_ = (expr);  \
        if (FAILED(hr_)) return hr_; \
    } while (0)

// --- Application side -----------------------------------------------------

class DatabaseObject final : public ObjectBase {
  public:
    DatabaseObject(std::shared_ptr<AppState> state, const Database* db)
        : ObjectBase(L"ProductDatabase", kMembers), state_(std::move(state)), db_(db) {}

  private:
    static constexpr Member kMembers[] = {{L"Name", 1}};
    HRESULT Call(DISPID, const Args& args, VARIANT* result, Raise*, UINT*) override {
        STANDIN_TRY(NeedArgs(args, 0, 0));
        ReturnText(result, db_->name);
        return S_OK;
    }
    std::shared_ptr<AppState> state_;  // keeps db_ alive
    const Database* db_;
};

class ProductDatabasesObject final : public ObjectBase {
  public:
    explicit ProductDatabasesObject(const std::shared_ptr<AppState>& state)
        : ObjectBase(L"ProductDatabases", kMembers) {
        for (const Database& db : state->store.databases()) {
            items_.push_back(Adopt(new DatabaseObject(state, &db)));
        }
    }

  private:
    static constexpr Member kMembers[] = {{L"Count", 1}, {L"Item", DISPID_VALUE}};
    HRESULT Call(DISPID id, const Args& args, VARIANT* result, Raise*, UINT* argErr) override {
        if (id == 1) {
            STANDIN_TRY(NeedArgs(args, 0, 0));
            ReturnLong(result, long(items_.size()));
            return S_OK;
        }
        STANDIN_TRY(NeedArgs(args, 1, 1));
        long i = 0;
        STANDIN_TRY(args.Long(0, &i, argErr));
        if (i < 1 || size_t(i) > items_.size()) return DISP_E_BADINDEX;
        IDispatch* item = items_[size_t(i) - 1].Get();
        item->AddRef();
        ReturnObject(result, item);
        return S_OK;
    }
    std::vector<ComPtr<IDispatch>> items_;
};

enum ItemFunction : DISPID {
    kMLIBufferClear = 1,
    kFindAndCopy,
    kMLIBufferCount,
    kSLIBufferCopy,
    kSLIBufferGetValue,
    kAddItem,
};

class ItemFunctionsObject final : public ObjectBase {
  public:
    explicit ItemFunctionsObject(std::shared_ptr<AppState> state)
        : ObjectBase(L"ItemFunctions", kMembers), state_(std::move(state)) {}

  private:
    static constexpr Member kMembers[] = {
        {L"MLIBufferClear", kMLIBufferClear},
        {L"FindAndCopyProductsIntoMLIBuffer", kFindAndCopy},
        {L"MLIBufferCount", kMLIBufferCount},
        {L"SLIBufferCopyFromMLIBuffer", kSLIBufferCopy},
        {L"SLIBufferGetValue", kSLIBufferGetValue},
        {L"AddItemFromProductDatabase", kAddItem},
    };

    HRESULT Call(DISPID id, const Args& args, VARIANT* result, Raise*, UINT* argErr) override {
        AppState& s = *state_;
        switch (id) {
            case kMLIBufferClear:
                STANDIN_TRY(NeedArgs(args, 0, 0));
                s.mli.clear();
                s.mliDatabase = nullptr;
                return S_OK;
            case kFindAndCopy: {
                STANDIN_TRY(NeedArgs(args, 4, 4));
                std::wstring_view db, field, words, value;
                ComVariant h0, h1, h2, h3;
                STANDIN_TRY(args.Text(0, &db, &h0, argErr));
                STANDIN_TRY(args.Text(1, &field, &h1, argErr));
                STANDIN_TRY(args.Text(2, &words, &h2, argErr));
                STANDIN_TRY(args.Text(3, &value, &h3, argErr));
                // The buffer holds the matches of this find only; an unknown
                // database, field or operator finds nothing.
                s.mli.clear();
                s.mliDatabase = s.store.FindDatabase(db);
                const int f = FindField(field);
                Operator op;
                if (s.mliDatabase && f >= 0 && ParseOperator(words, &op)) {
                    FindProducts(s.store, *s.mliDatabase, f, op, value, &s.mli);
                }
                ReturnLong(result, long(s.mli.size()));
                return S_OK;
            }
            case kMLIBufferCount:
                STANDIN_TRY(NeedArgs(args, 0, 0));
                ReturnLong(result, long(s.mli.size()));
                return S_OK;
            case kSLIBufferCopy: {
                STANDIN_TRY(NeedArgs(args, 1, 1));
                long row = 0;
                STANDIN_TRY(args.Long(0, &row, argErr));
                const bool inRange = row >= 1 && size_t(row) <= s.mli.size();
                s.sliDatabase = inRange ? s.mliDatabase : nullptr;
                s.sli = inRange ? s.mli[size_t(row) - 1] : 0;
                ReturnLong(result, inRange ? 1 : 0);
                return S_OK;
            }
            case kSLIBufferGetValue: {
                STANDIN_TRY(NeedArgs(args, 1, 1));
                std::wstring_view name;
                ComVariant holder;
                STANDIN_TRY(args.Text(0, &name, &holder, argErr));
                const int f = FindField(name);
                if (f >= 0 && s.sliDatabase && !ScenarioValue(kFields[f].name, result)) {
                    ValueToVariant(s.store, s.sliDatabase->products[s.sli].fields[f], result);
                }
                return S_OK;
            }
            case kAddItem: {
                STANDIN_TRY(NeedArgs(args, 3, 4));
                std::wstring_view part, vendor;
                ComVariant h0, h1;
                double quantity = 0;
                long flags = 0;
                STANDIN_TRY(args.Text(0, &part, &h0, argErr));
                STANDIN_TRY(args.Text(1, &vendor, &h1, argErr));
                STANDIN_TRY(args.Double(2, &quantity, argErr));
                if (args.count() == 4) STANDIN_TRY(args.Long(3, &flags, argErr));
                ReturnLong(result, s.AddLine(part, vendor, quantity));
                return S_OK;
            }
        }
        return DISP_E_MEMBERNOTFOUND;
    }
    std::shared_ptr<AppState> state_;
};

class DocFunctionsObject final : public ObjectBase {
  public:
    explicit DocFunctionsObject(std::shared_ptr<AppState> state)
        : ObjectBase(L"DocFunctions", kMembers), state_(std::move(state)) {}

  private:
    static constexpr Member kMembers[] = {{L"GetActiveDocumentIndex", 1}, {L"DocumentCount", 2}};
    HRESULT Call(DISPID id, const Args& args, VARIANT* result, Raise*, UINT*) override {
        STANDIN_TRY(NeedArgs(args, 0, 0));
        ReturnLong(result, id == 1 ? long(state_->active) : long(state_->documents.size()));
        return S_OK;
    }
    std::shared_ptr<AppState> state_;
};

class ApplicationObject final : public ObjectBase {
  public:
    explicit ApplicationObject(const std::shared_ptr<AppState>& state)
        : ObjectBase(L"Application", kMembers),
          databases_(Adopt(new ProductDatabasesObject(state))),
          items_(Adopt(new ItemFunctionsObject(state))),
          docs_(Adopt(new DocFunctionsObject(state))) {}

  private:
    static constexpr Member kMembers[] = {
        {L"ProductDatabases", 1}, {L"ItemFunctions", 2}, {L"DocFunctions", 3}, {L"Name", 4}};
    HRESULT Call(DISPID id, const Args& args, VARIANT* result, Raise*, UINT*) override {
        STANDIN_TRY(NeedArgs(args, 0, 0));
        if (id == 4) {
            ReturnText(result, L"Vantora");
            return S_OK;
        }
        IDispatch* child = id == 1 ? databases_.Get() : id == 2 ? items_.Get() : docs_.Get();
        child->AddRef();
        ReturnObject(result, child);
        return S_OK;
    }
    ComPtr<IDispatch> databases_, items_, docs_;
};

// --- Installation registry ------------------------------------------------

LONG g_installObjects = 0;
LastObjectGone g_gone = nullptr;

// Installation objects are handed straight to clients: none of their
// references is the stand-in's own. They keep the server process alive.
class InstallObject : public ObjectBase {
  protected:
    InstallObject(const wchar_t* name, std::span<const Member> members)
        : ObjectBase(name, members) {
        SetInternal(0, 0);
        InterlockedIncrement(&g_installObjects);
        CoAddRefServerProcess();
    }
    ~InstallObject() override {
        InterlockedDecrement(&g_installObjects);
        if (CoReleaseServerProcess() == 0 && g_gone) g_gone();
    }
};

bool ApplicationRunning() {
    ComPtr<IUnknown> app;
    return SUCCEEDED(GetActiveObject(CLSID_VantoraApplication, nullptr, &app));
}

class InstallationApplication final : public InstallObject {
  public:
    explicit InstallationApplication(std::shared_ptr<const InstallSettings> settings)
        : InstallObject(L"InstallationApplication", kMembers), settings_(std::move(settings)) {}

  private:
    static constexpr Member kMembers[] = {
        {L"IsRunning", 1}, {L"Start", 2}, {L"GetRunningObject", 3}};
    HRESULT Call(DISPID id, const Args& args, VARIANT* result, Raise* raise, UINT*) override {
        STANDIN_TRY(NeedArgs(args, 0, 0));
        const InstallSettings& s = *settings_;
        if (id == 1) {
            const bool running = s.isRunning >= 0 ? s.isRunning != 0 : ApplicationRunning();
            V_VT(result) = VT_BOOL;
            V_BOOL(result) = running ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
        if (id == 2) {
            long code = 0;
            if (!ApplicationRunning() && s.startLaunches) code = Launch(raise);
            if (code < 0) return DISP_E_EXCEPTION;
            ReturnLong(result, s.startResult != 0 ? s.startResult : code);
            return S_OK;
        }
        // Nothing (an empty object reference) when the application is not running.
        ComPtr<IUnknown> app;
        ComPtr<IDispatch> disp;
        if (SUCCEEDED(GetActiveObject(CLSID_VantoraApplication, nullptr, &app))) app.As(&disp);
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = disp.Detach();
        return S_OK;
    }

    // Starts the application and waits for it in the Running Object Table:
    // 0 once it is there, 1 when it does not come up in time, -1 when it
    // cannot be started (raised).
    long Launch(Raise* raise) {
        const InstallSettings& s = *settings_;
        std::wstring cmd = L"\"" + s.exePath + L"\" /app";
        if (!s.scenarioPath.empty()) cmd += L" /scenario \"" + s.scenarioPath + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(s.exePath.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            nullptr, &si, &pi)) {
            raise->source = L"VantoraBackend";
            raise->description = L"The Vantora application could not be started.";
            raise->scode = HRESULT_FROM_WIN32(GetLastError());
            return -1;
        }
        CloseHandle(pi.hThread);
        long code = 1;
        for (DWORD waited = 0; waited < s.startTimeoutMs; waited += 50) {
            if (ApplicationRunning()) {
                code = 0;
                break;
            }
            if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) break;  // it ended
        }
        CloseHandle(pi.hProcess);
        return code;
    }
    std::shared_ptr<const InstallSettings> settings_;
};

class InstallationObject final : public InstallObject {
  public:
    InstallationObject(std::shared_ptr<const InstallSettings> settings, long index)
        : InstallObject(L"Installation", kMembers), settings_(std::move(settings)), index_(index) {}

  private:
    static constexpr Member kMembers[] = {{L"Application", 1}, {L"Name", 2}};
    HRESULT Call(DISPID id, const Args& args, VARIANT* result, Raise*, UINT*) override {
        STANDIN_TRY(NeedArgs(args, 0, 0));
        if (id == 2) {
            ReturnText(result, L"Vantora " + std::to_wstring(index_));
            return S_OK;
        }
        // A fresh object on every read, as a client may not keep one.
        ReturnObject(result, new InstallationApplication(settings_));
        return S_OK;
    }
    std::shared_ptr<const InstallSettings> settings_;
    long index_;
};

class InstallationsObject final : public InstallObject {
  public:
    explicit InstallationsObject(std::shared_ptr<const InstallSettings> settings)
        : InstallObject(L"Installations", kMembers), settings_(std::move(settings)) {}

  private:
    static constexpr Member kMembers[] = {{L"Count", 1}, {L"Item", DISPID_VALUE}};
    HRESULT Call(DISPID id, const Args& args, VARIANT* result, Raise*, UINT* argErr) override {
        if (id == 1) {
            STANDIN_TRY(NeedArgs(args, 0, 0));
            ReturnLong(result, settings_->count);
            return S_OK;
        }
        STANDIN_TRY(NeedArgs(args, 1, 1));
        long i = 0;
        STANDIN_TRY(args.Long(0, &i, argErr));
        if (i < 1 || i > settings_->count) return DISP_E_BADINDEX;
        ReturnObject(result, new InstallationObject(settings_, i));
        return S_OK;
    }
    std::shared_ptr<const InstallSettings> settings_;
};

// --- Control --------------------------------------------------------------

class ControlObject final : public ObjectBase {
  public:
    ControlObject(std::shared_ptr<AppState> state, std::function<void()> quit)
        : ObjectBase(L"Control", kMembers, false),
          state_(std::move(state)),
          quit_(std::move(quit)) {}

  private:
    static constexpr Member kMembers[] = {
        {L"Quit", 1},
        {L"OutstandingReferences", 2},
        {L"ReferenceReport", 3},
        {L"ProcessId", 4},
        {L"LineCount", 5},
        {L"LineValue", 6},
        {L"LineQuantity", 7},
        {L"Misbehave", 8},
    };
    HRESULT Call(DISPID id, const Args& args, VARIANT* result, Raise* raise,
                 UINT* argErr) override {
        AppState& s = *state_;
        const Document* doc = s.active >= 0 ? &s.documents[size_t(s.active)] : nullptr;
        switch (id) {
            case 1:
                if (quit_) quit_();
                return S_OK;
            case 2:
                ReturnLong(result, Tracker::Outstanding());
                return S_OK;
            case 3:
                ReturnText(result, Tracker::Report());
                return S_OK;
            case 4:
                ReturnLong(result, long(GetCurrentProcessId()));
                return S_OK;
            case 5:
                ReturnLong(result, doc ? long(doc->lines.size()) : -1);
                return S_OK;
            case 8:
                return Misbehave(args, raise, argErr);
        }
        // LineValue(line, field) and LineQuantity(line); lines count from 0.
        STANDIN_TRY(NeedArgs(args, id == 6 ? 2 : 1, id == 6 ? 2 : 1));
        long line = 0;
        STANDIN_TRY(args.Long(0, &line, argErr));
        if (!doc || line < 0 || size_t(line) >= doc->lines.size()) return DISP_E_BADINDEX;
        const Line& l = doc->lines[size_t(line)];
        if (id == 7) {
            V_VT(result) = VT_R8;
            V_R8(result) = l.quantity;
            return S_OK;
        }
        std::wstring_view name;
        ComVariant holder;
        STANDIN_TRY(args.Text(1, &name, &holder, argErr));
        const int f = FindField(name);
        if (f < 0) return DISP_E_BADINDEX;
        ValueToVariant(s.store, l.db->products[l.product].fields[f], result);
        return S_OK;
    }
    // Misbehave(scenario text): from now on the calls misbehave as its `error`,
    // `busy`, `slow`, `exit`, `values` and `delay_ms` say, and only so; each
    // fault counts its calls from here. "{}" makes them well again.
    static HRESULT Misbehave(const Args& args, Raise* raise, UINT* argErr) {
        STANDIN_TRY(NeedArgs(args, 1, 1));
        std::wstring_view text;
        ComVariant holder;
        STANDIN_TRY(args.Text(0, &text, &holder, argErr));
        Scenario next;
        if (!ParseScenario(Utf8(text), &next, &raise->description)) return DISP_E_EXCEPTION;
        next.calls.logPath = CallLogPath();
        ConfigureCalls(next.calls);
        return S_OK;
    }
    std::shared_ptr<AppState> state_;
    std::function<void()> quit_;
};

}  // namespace

long AppState::AddLine(std::wstring_view partNumber, std::wstring_view vendor, double quantity) {
    if (active < 0) return -1;
    const Database* db = nullptr;
    uint32_t index = 0;
    if (!store.FindProduct(partNumber, vendor, &db, &index)) return -2;
    auto& lines = documents[size_t(active)].lines;
    lines.push_back({db, index, quantity});
    if (changed) changed();
    return long(lines.size() - 1);
}

void ValueToVariant(const Store& store, ValueId id, VARIANT* out) {
    const Value& v = store.value(id);
    switch (v.kind) {
        case ValueKind::Empty:
            V_VT(out) = VT_EMPTY;
            break;
        case ValueKind::Null:
            V_VT(out) = VT_NULL;
            break;
        case ValueKind::Text: {
            const std::wstring_view s = store.Text(v);
            ReturnText(out, s);
            break;
        }
        case ValueKind::Currency:
            V_VT(out) = VT_CY;
            V_CY(out).int64 = v.cy;
            break;
        case ValueKind::Double:
            V_VT(out) = VT_R8;
            V_R8(out) = v.number;
            break;
        case ValueKind::Long:
            V_VT(out) = VT_I4;
            V_I4(out) = long(v.number);
            break;
        case ValueKind::Date:
            V_VT(out) = VT_DATE;
            V_DATE(out) = v.number;
            break;
    }
}

ComPtr<IDispatch> CreateApplication(const std::shared_ptr<AppState>& state) {
    return Adopt(new ApplicationObject(state));
}

ComPtr<IDispatch> CreateInstallations(std::shared_ptr<const InstallSettings> settings,
                                      LastObjectGone gone) {
    g_gone = gone;
    return Adopt(new InstallationsObject(std::move(settings)));
}

bool InstallationObjectsAlive() { return g_installObjects > 0; }

ComPtr<IDispatch> CreateControl(std::shared_ptr<AppState> state, std::function<void()> quit) {
    return Adopt(new ControlObject(std::move(state), std::move(quit)));
}

HRESULT RotEntry::Register(IUnknown* object, REFCLSID clsid) {
    Revoke();
    // Weak: the registering process keeps the object alive itself, and a
    // client's hold shows as a connection of its own (a strong entry is one
    // lasting connection that hides the clients' behind it).
    return RegisterActiveObject(object, clsid, ACTIVEOBJECT_WEAK, &cookie_);
}

void RotEntry::Revoke() {
    if (cookie_) RevokeActiveObject(cookie_, nullptr);
    cookie_ = 0;
}

InProcessHost::InProcessHost() : state_(std::make_shared<AppState>()) {}

InProcessHost::~InProcessHost() { Revoke(); }

bool InProcessHost::LoadDirectory(const std::wstring& dir, std::wstring* error) {
    return LoadDatabases(&state_->store, dir, {}, error);
}

bool InProcessHost::Generate(const std::wstring& name, int count) {
    return state_->store.Generate(name, count);
}

void InProcessHost::KeepOnly(const std::wstring& name) { state_->store.KeepOnly(name); }

HRESULT InProcessHost::Register() {
    if (!app_) {
        // One open quote, so that adding works as in the real application.
        state_->documents = {Document{L"Quote 1", {}}};
        state_->active = 0;
        app_ = CreateApplication(state_);
    }
    return rot_.Register(app_.Get(), CLSID_VantoraApplication);
}

void InProcessHost::Revoke() { rot_.Revoke(); }

bool LoadDatabases(Store* store, const std::wstring& dir, const std::vector<std::wstring>& only,
                   std::wstring* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(fs::path(dir), ec)) {
        if (entry.path().extension() == L".json") files.push_back(entry.path());
    }
    if (ec) {
        *error = dir + L": the data folder cannot be read";
        return false;
    }
    std::sort(files.begin(), files.end());
    if (only.empty()) {
        for (const fs::path& f : files) {
            if (!store->LoadFile(f.wstring(), error)) return false;
        }
        return true;
    }
    // Only the databases named, in the order named: by database or file name.
    std::vector<std::pair<std::wstring, fs::path>> named;
    for (const fs::path& f : files) {
        Store one;
        if (!one.LoadFile(f.wstring(), error)) return false;
        named.emplace_back(FoldCase(one.databases()[0].name), f);
    }
    for (const std::wstring& name : only) {
        const std::wstring folded = FoldCase(name);
        const auto it = std::find_if(named.begin(), named.end(), [&](const auto& n) {
            return n.first == folded || FoldCase(n.second.stem().wstring()) == folded;
        });
        if (it == named.end()) {
            *error = L"no database named \"" + name + L"\" in " + dir;
            return false;
        }
        if (!store->LoadFile(it->second.wstring(), error)) return false;
    }
    return true;
}

std::wstring DefaultDataDirectory() {
    wchar_t exe[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::filesystem::path dir = std::filesystem::path(std::wstring(exe, n)).parent_path() / L"data";
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return dir.wstring();
#ifdef STANDIN_SOURCE_DATA_DIR
    return STANDIN_SOURCE_DATA_DIR;
#else
    return dir.wstring();
#endif
}

}  // namespace standin
