// VantoraStandIn.exe: plays Vantora through COM.
//   /RegServer, /UnregServer   register or remove the classes for this user
//   /app [/scenario file]      run as the application (the default)
//   -Embedding                 started by COM: serve the installation registry
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <string>

#include "standin/app/register_win.h"
#include "standin/app/window_win.h"
#include "standin/model/scenario_win.h"

namespace standin {
namespace {

std::wstring ExePath() {
    wchar_t buf[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    return std::wstring(buf, n);
}

bool Switch(const wchar_t* arg, const wchar_t* name) {
    return (arg[0] == L'/' || arg[0] == L'-') && lstrcmpiW(arg + 1, name) == 0;
}

// Failures go to stderr and, when the scenario has one, to its report file,
// so a test sees why the stand-in did not come up.
int Fail(const Scenario& scenario, const std::wstring& why) {
    const std::string text = Utf8(L"VantoraStandIn: " + why + L"\n");
    fputs(text.c_str(), stderr);
    AppendToFile(scenario.reportPath, L"error " + why + L"\n");
    return 2;
}

void PumpMessages() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// --- The application -------------------------------------------------------

int RunApplication(HINSTANCE instance, const std::wstring& scenarioPath, int show) {
    Scenario scenario;
    std::wstring error;
    if (!scenarioPath.empty() && !ReadScenario(scenarioPath, &scenario, &error)) {
        return Fail(scenario, error);
    }
    ConfigureCalls(scenario.calls);
    auto state = std::make_shared<AppState>();
    if (!LoadState(scenario, state.get(), &error)) return Fail(scenario, error);

    MainWindow window(*state);
    if (!window.Create(instance, show)) return Fail(scenario, L"the window cannot be created");
    state->changed = [&window] { window.Refresh(); };

    ComPtr<IDispatch> app = CreateApplication(state);
    static_cast<ObjectBase*>(app.Get())->CountByConnections();
    ComPtr<IDispatch> control =
        CreateControl(state, [&window] { PostMessageW(window.hwnd(), WM_CLOSE, 0, 0); });
    RotEntry appEntry, controlEntry;
    // The control goes first: once the application is visible, a test may use both.
    if (FAILED(controlEntry.Register(control.Get(), CLSID_StandInControl)) ||
        FAILED(appEntry.Register(app.Get(), CLSID_VantoraApplication))) {
        return Fail(scenario, L"cannot register in the Running Object Table");
    }

    PumpMessages();

    appEntry.Revoke();
    controlEntry.Revoke();
    AppendToFile(scenario.reportPath, L"[application]\n" + Tracker::Report());
    // Clients that still hold objects get errors from now on, not a hung call.
    CoDisconnectObject(app.Get(), 0);
    state->changed = nullptr;
    return 0;
}

// --- The installation registry, started by COM --------------------------------

// Every activation reads the scenario registered now, so that a registry
// process still serving one client never hands the next the old settings.
class Factory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // Lives as long as the server; COM's references do not own it.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        Scenario scenario;
        std::wstring error;
        const std::wstring path = RegisteredScenario();
        if (!path.empty() && !ReadScenario(path, &scenario, &error)) {
            Fail(scenario, error);
            return CO_E_SERVER_EXEC_FAILURE;
        }
        ConfigureCalls(scenario.calls);
        reportPath_ = scenario.reportPath;
        scenario.install.exePath = ExePath();
        ComPtr<IDispatch> obj = CreateInstallations(
            std::make_shared<const InstallSettings>(scenario.install), &Factory::Gone);
        return obj->QueryInterface(riid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            CoAddRefServerProcess();
        } else if (CoReleaseServerProcess() == 0) {
            PostQuitMessage(0);
        }
        return S_OK;
    }
    static void Gone() { PostQuitMessage(0); }
    const std::wstring& reportPath() const { return reportPath_; }

  private:
    std::wstring reportPath_;
};

int RunInstallations() {
    Factory factory;
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(CLSID_VantoraInstallations, &factory, CLSCTX_LOCAL_SERVER,
                                     REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED, &cookie)) ||
        FAILED(CoResumeClassObjects())) {
        return Fail(Scenario(), L"cannot register the installation registry");
    }
    // Wine keeps the class of a server that ended without revoking it, and
    // fails every later activation with it where Windows would start a new
    // server: a registry that plays a crash revokes it first.
    BeforeExitFault([cookie] { CoRevokeClassObject(cookie); });
    // Ends when its last object goes, or soon if COM never asks for one. A
    // client that arrived while the end was being posted keeps it serving.
    SetTimer(nullptr, 0, 15000, nullptr);
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if ((got == 0 || msg.message == WM_TIMER) && !InstallationObjectsAlive()) break;
        if (got != 0) DispatchMessageW(&msg);
    }
    CoRevokeClassObject(cookie);
    AppendToFile(factory.reportPath(), L"[installations]\n" + Tracker::Report());
    return 0;
}

}  // namespace
}  // namespace standin

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    using namespace standin;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    enum class Mode { App, Server, Register, Unregister } mode = Mode::App;
    std::wstring scenarioPath;
    for (int i = 1; i < argc; ++i) {
        if (Switch(argv[i], L"RegServer")) {
            mode = Mode::Register;
        } else if (Switch(argv[i], L"UnregServer")) {
            mode = Mode::Unregister;
        } else if (Switch(argv[i], L"Embedding") || Switch(argv[i], L"Automation")) {
            mode = Mode::Server;
        } else if (Switch(argv[i], L"scenario") && i + 1 < argc) {
            scenarioPath = argv[++i];
        }
    }
    LocalFree(argv);

    if (mode == Mode::Register) return RegisterServer(ExePath()) ? 0 : 1;
    if (mode == Mode::Unregister) {
        UnregisterServer();
        return 0;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    const int rc =
        mode == Mode::Server ? RunInstallations() : RunApplication(instance, scenarioPath, show);
    CoUninitialize();
    return rc;
}
