#include "standin/client/process_win.h"

// after windows.h
#include <tlhelp32.h>

#include <fstream>
#include <sstream>

#include "standin/client/driver_win.h"
#include "standin/model/text_win.h"

namespace standin_client {

namespace {

const wchar_t kSettingsKey[] = L"Software\\VantoraStandIn";

std::wstring StandInExe() { return driver::WindowsPath(standin::Wide(STANDIN_EXE_PATH)); }

// Starts the exe with a command line: its process, or null.
PROCESS_INFORMATION Launch(const std::wstring& args) {
    const std::wstring exe = StandInExe();
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &pi)) {
        CloseHandle(pi.hThread);
    }
    return pi;
}

// Runs the exe with a command line and waits; true when it ended with 0.
bool Run(const std::wstring& args, DWORD timeoutMs = 30000) {
    const PROCESS_INFORMATION pi = Launch(args);
    DWORD code = DWORD(-1);
    if (pi.hProcess && WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(pi.hProcess, &code);
    }
    if (pi.hProcess) CloseHandle(pi.hProcess);
    return code == 0;
}

std::string ReadAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

bool RegisterServer() { return Run(L"/RegServer"); }
bool UnregisterServer() { return Run(L"/UnregServer"); }

std::vector<DWORD> StandInProcesses() {
    std::wstring name = StandInExe();
    name = name.substr(name.find_last_of(L'\\') + 1);
    std::vector<DWORD> ids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W e = {};
    e.dwSize = sizeof e;
    for (BOOL more = Process32FirstW(snap, &e); more; more = Process32NextW(snap, &e)) {
        if (lstrcmpiW(e.szExeFile, name.c_str()) == 0) ids.push_back(e.th32ProcessID);
    }
    CloseHandle(snap);
    return ids;
}

bool WaitUntilNoneRunning(DWORD timeoutMs) {
    return driver::WaitUntil(timeoutMs, [] { return StandInProcesses().empty(); });
}

Registration::Registration() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CLSID clsid;
    wasRegistered_ = SUCCEEDED(CLSIDFromProgID(L"VantoraBackend.Installations", &clsid));
    // Registered anew even so: an earlier build may have registered another path.
    ok_ = RegisterServer();
}

Registration::~Registration() {
    if (!wasRegistered_) UnregisterServer();
    CoUninitialize();
}

StandIn::StandIn(nlohmann::json scenario) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    // Wine hands out the same few process ids run after run: the tick count
    // keeps an old run's log and report out of this one.
    static int serial = 0;
    dir_ = std::wstring(tmp) + L"standin-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++serial);
    CreateDirectoryW(dir_.c_str(), nullptr);
    log_ = dir_ + L"\\calls.log";
    report_ = dir_ + L"\\report.txt";
    scenario_ = dir_ + L"\\scenario.json";
    if (!scenario.contains("log")) scenario["log"] = standin::Utf8(log_);
    scenario["report"] = standin::Utf8(report_);
    std::ofstream(scenario_.c_str(), std::ios::binary) << scenario.dump(2);
    RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"Scenario", REG_SZ, scenario_.c_str(),
                    DWORD((scenario_.size() + 1) * sizeof(wchar_t)));
}

StandIn::~StandIn() {
    Stop();
    WaitUntilNoneRunning();
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"Scenario");
    if (process_) CloseHandle(process_);
}

bool StandIn::Start(DWORD timeoutMs) {
    if (Control()) return Failed("a stand-in application was already running");
    const PROCESS_INFORMATION pi = Launch(L"/app /scenario \"" + scenario_ + L"\"");
    if (!pi.hProcess) return Failed("cannot start " + standin::Utf8(StandInExe()));
    if (process_) CloseHandle(process_);
    process_ = pi.hProcess;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < deadline) {
        ComPtr<IDispatch> control = Control();
        if (control && DWORD(Call(control.Get(), L"ProcessId").asLong()) == pi.dwProcessId &&
            Application()) {
            return true;
        }
        if (WaitForSingleObject(process_, 50) == WAIT_OBJECT_0) {
            return Failed("the stand-in ended at start: " + Report());
        }
    }
    return Failed("the stand-in was not in the Running Object Table after " +
                  std::to_string(timeoutMs) + " ms");
}

bool StandIn::Stop(DWORD timeoutMs) {
    bool clean = true;
    if (ComPtr<IDispatch> control = Control()) {
        HANDLE process =
            OpenProcess(SYNCHRONIZE, FALSE, DWORD(Call(control.Get(), L"ProcessId").asLong()));
        Call(control.Get(), L"Quit");
        control.Reset();
        if (process) {
            clean = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
            CloseHandle(process);
        }
    }
    if (process_ && WaitForSingleObject(process_, clean ? timeoutMs : 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, timeoutMs);
        clean = false;
    }
    if (!clean) Failed("the stand-in did not end when asked to quit");
    return clean;
}

long StandIn::Outstanding() const {
    ComPtr<IDispatch> c = Control();
    return c ? Call(c.Get(), L"OutstandingReferences").asLong() : -1;
}

std::vector<std::string> StandIn::LogLines() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadAll(log_));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void StandIn::ClearLog() const {
    HANDLE f = CreateFileW(log_.c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
}

std::string StandIn::Report() const { return ReadAll(report_); }

bool StandIn::WaitForReport(const std::string& section, DWORD timeoutMs) const {
    return driver::WaitUntil(timeoutMs,
                             [&] { return Report().find(section) != std::string::npos; });
}

bool StandIn::Failed(std::string why) {
    error_ = std::move(why);
    return false;
}

}  // namespace standin_client
