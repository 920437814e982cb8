// Drives the stand-in Vantora from a test process, through COM as Skuvane does:
// registers it, starts it with a scenario, calls members late-bound, reads its
// call log and reference report, and stops it cleanly. Link the CMake target
// standin_fixture (it builds VantoraStandIn.exe first).
#pragma once

#include <windows.h>
// after windows.h
#include <oleauto.h>
#include <tlhelp32.h>
#include <wrl/client.h>

#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "standin/model/text_win.h"
#include "tests/wine/driver/driver.h"

namespace standin_test {

using Microsoft::WRL::ComPtr;

// The stand-in's class ids (fixed).
inline const CLSID kApplicationClsid = {
    0x6f1c2a4e, 0x3b7d, 0x4e2a, {0x9c, 0x11, 0x5a, 0x8e, 0x0d, 0x4b, 0x7f, 0x21}};
inline const CLSID kControlClsid = {
    0x6f1c2a4e, 0x3b7d, 0x4e2a, {0x9c, 0x11, 0x5a, 0x8e, 0x0d, 0x4b, 0x7f, 0x23}};

using standin::Utf8;
using standin::Wide;

// An owned VARIANT.
class Variant {
  public:
    Variant() { VariantInit(&v_); }
    Variant(Variant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
    Variant& operator=(Variant&&) = delete;
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v_); }
    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    VARTYPE vt() const { return V_VT(&v_); }
    // The value as text (invariant locale); "" for EMPTY and NULL.
    std::wstring text() const {
        Variant t = As(VT_BSTR);
        return t.vt() == VT_BSTR ? std::wstring(V_BSTR(t.get()), SysStringLen(V_BSTR(t.get())))
                                 : L"";
    }
    long asLong() const {
        Variant t = As(VT_I4);
        return t.vt() == VT_I4 ? V_I4(t.get()) : 0;
    }
    double asDouble() const {
        Variant t = As(VT_R8);
        return t.vt() == VT_R8 ? V_R8(t.get()) : 0;
    }
    ComPtr<IDispatch> object() const {
        ComPtr<IDispatch> p;
        if (vt() == VT_DISPATCH) p = V_DISPATCH(&v_);
        return p;
    }

  private:
    // The value converted (invariant locale); EMPTY when it does not convert.
    Variant As(VARTYPE type) const {
        Variant t;
        VariantChangeTypeEx(t.get(), const_cast<VARIANT*>(&v_), LOCALE_INVARIANT, 0, type);
        return t;
    }
    VARIANT v_;
};

// Arguments in call order. Values are owned; by-reference arguments point at
// the test's own variables, which must outlive the call.
class ArgList {
  public:
    ArgList() = default;
    ArgList(const ArgList&) = delete;
    ArgList& operator=(const ArgList&) = delete;
    ~ArgList() {
        for (VARIANT& v : args_) VariantClear(&v);
    }
    ArgList& Text(const wchar_t* s) { return Add(VT_BSTR, SysAllocString(s)); }
    ArgList& TextRef(BSTR* s) { return Add(VT_BYREF | VT_BSTR, s); }
    ArgList& I2(short n) { return Add(VT_I2, n); }
    ArgList& I2Ref(short* n) { return Add(VT_BYREF | VT_I2, n); }
    ArgList& I4(long n) { return Add(VT_I4, n); }
    ArgList& R8(double d) { return Add(VT_R8, d); }
    ArgList& R8Ref(double* d) { return Add(VT_BYREF | VT_R8, d); }
    ArgList& VariantRef(VARIANT* p) { return Add(VT_BYREF | VT_VARIANT, p); }
    // DISPPARAMS order: the last argument first.
    std::vector<VARIANT> Reversed() const { return {args_.rbegin(), args_.rend()}; }

  private:
    // Every value and pointer of a VARIANT starts where its 8-byte integer does.
    template <typename T>
    ArgList& Add(VARTYPE vt, T value) {
        static_assert(sizeof(T) <= sizeof(LONGLONG));
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = vt;
        V_I8(&v) = 0;
        std::memcpy(&V_I8(&v), &value, sizeof value);
        args_.push_back(v);
        return *this;
    }
    std::vector<VARIANT> args_;
};

struct CallResult {
    HRESULT hr = E_FAIL;
    Variant value;
    std::wstring source, description;  // of a raised error
    SCODE scode = 0;
};

// A late-bound call by member name, as a method or property read.
inline CallResult Call(IDispatch* obj, const wchar_t* name, const ArgList& args = ArgList()) {
    CallResult r;
    if (!obj) {
        r.hr = E_POINTER;
        return r;
    }
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    r.hr = obj->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(r.hr)) return r;
    std::vector<VARIANT> rev = args.Reversed();
    DISPPARAMS p = {rev.data(), nullptr, UINT(rev.size()), 0};
    EXCEPINFO ex = {};
    UINT argErr = 0;
    r.hr = obj->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                       &p, r.value.get(), &ex, &argErr);
    if (r.hr == DISP_E_EXCEPTION) {
        r.source.assign(ex.bstrSource ? ex.bstrSource : L"");
        r.description.assign(ex.bstrDescription ? ex.bstrDescription : L"");
        r.scode = ex.scode;
    }
    SysFreeString(ex.bstrSource);
    SysFreeString(ex.bstrDescription);
    SysFreeString(ex.bstrHelpFile);
    return r;
}

// A member that returns an object; empty when the call failed.
inline ComPtr<IDispatch> Object(IDispatch* obj, const wchar_t* name,
                                const ArgList& args = ArgList()) {
    CallResult r = Call(obj, name, args);
    return SUCCEEDED(r.hr) ? r.value.object() : nullptr;
}

inline ComPtr<IDispatch> Running(REFCLSID clsid) {
    ComPtr<IUnknown> unknown;
    ComPtr<IDispatch> disp;
    if (SUCCEEDED(GetActiveObject(clsid, nullptr, &unknown))) unknown.As(&disp);
    return disp;
}

// The stand-in exe; under Wine the build's Unix path is on drive Z:.
inline std::wstring StandInExe() {
    std::wstring path = Wide(STANDIN_EXE_PATH);
    if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    return path;
}

// Starts the exe with a command line: its process, or null.
inline PROCESS_INFORMATION LaunchStandIn(const std::wstring& args) {
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

// Runs the exe with a command line and waits; its exit code, or -1.
inline int RunStandIn(const std::wstring& args, DWORD timeoutMs = 30000) {
    const PROCESS_INFORMATION pi = LaunchStandIn(args);
    DWORD code = DWORD(-1);
    if (pi.hProcess && WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(pi.hProcess, &code);
    }
    if (pi.hProcess) CloseHandle(pi.hProcess);
    return int(code);
}

inline bool RegisterServer() { return RunStandIn(L"/RegServer") == 0; }
inline bool UnregisterServer() { return RunStandIn(L"/UnregServer") == 0; }

inline std::string ReadFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every stand-in process now running (the application and the installation
// registry alike), by the exe's file name.
inline std::vector<DWORD> StandInProcesses() {
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

using driver::WaitUntil;

// Waits until no stand-in process runs; false when one still does.
inline bool WaitUntilNoneRunning(DWORD timeoutMs = 10000) {
    return WaitUntil(timeoutMs, [] { return StandInProcesses().empty(); });
}

// One stand-in run with its own scenario, log and report in a fresh folder.
// The installation registry (started by COM) reads the same scenario. Waits
// are bounded: a stand-in that does not come up or go away fails the call,
// and error() says why.
class StandIn {
  public:
    explicit StandIn(nlohmann::json scenario = nlohmann::json::object()) {
        wchar_t tmp[MAX_PATH];
        GetTempPathW(MAX_PATH, tmp);
        // Wine hands out the same few process ids run after run: the tick
        // count keeps an old run's log and report out of this one.
        static int serial = 0;
        dir_ = std::wstring(tmp) + L"standin-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++serial);
        CreateDirectoryW(dir_.c_str(), nullptr);
        log_ = dir_ + L"\\calls.log";
        report_ = dir_ + L"\\report.txt";
        scenario_ = dir_ + L"\\scenario.json";
        DeleteFileW(log_.c_str());
        DeleteFileW(report_.c_str());
        if (!scenario.contains("log")) scenario["log"] = Utf8(log_);
        scenario["report"] = Utf8(report_);
        std::ofstream(scenario_.c_str(), std::ios::binary) << scenario.dump(2);
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\VantoraStandIn", L"Scenario", REG_SZ,
                        scenario_.c_str(), DWORD((scenario_.size() + 1) * sizeof(wchar_t)));
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;
    ~StandIn() {
        Stop();
        WaitUntilNoneRunning();
        RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\VantoraStandIn", L"Scenario");
        if (process_) CloseHandle(process_);
    }

    // Starts the application and waits until this very process is in the
    // Running Object Table (never one left over from before).
    bool Start(DWORD timeoutMs = 15000) {
        if (Control()) return Failed("a stand-in application was already running");
        const PROCESS_INFORMATION pi = LaunchStandIn(L"/app /scenario \"" + scenario_ + L"\"");
        if (!pi.hProcess) return Failed("cannot start " + Utf8(StandInExe()));
        if (process_) CloseHandle(process_);
        process_ = pi.hProcess;
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        while (GetTickCount64() < deadline) {
            ComPtr<IDispatch> control = Control();
            if (control &&
                DWORD(Call(control.Get(), L"ProcessId").value.asLong()) == pi.dwProcessId &&
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

    // Ends a running application (however it was started) and waits for it;
    // one this fixture started and that does not end is terminated. False
    // when it had to be.
    bool Stop(DWORD timeoutMs = 10000) {
        bool clean = true;
        if (ComPtr<IDispatch> control = Control()) {
            HANDLE process = OpenProcess(SYNCHRONIZE, FALSE,
                                         DWORD(Call(control.Get(), L"ProcessId").value.asLong()));
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

    ComPtr<IDispatch> Application() const { return Running(kApplicationClsid); }
    ComPtr<IDispatch> Control() const { return Running(kControlClsid); }

    // References that clients hold on the application's objects now.
    long Outstanding() const {
        ComPtr<IDispatch> c = Control();
        return c ? Call(c.Get(), L"OutstandingReferences").value.asLong() : -1;
    }

    const std::wstring& LogPath() const { return log_; }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        std::istringstream in(ReadFile(log_));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // Empties the log in place: the stand-in keeps it open for appending.
    void ClearLog() const {
        HANDLE f = CreateFileW(log_.c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    }
    // What the stand-in's processes reported as they ended.
    std::string Report() const { return ReadFile(report_); }
    // Waits (bounded) until the report holds a section, e.g. "[installations]".
    bool WaitForReport(const std::string& section, DWORD timeoutMs = 10000) const {
        return WaitUntil(timeoutMs, [&] { return Report().find(section) != std::string::npos; });
    }
    // Why the last Start or Stop failed.
    const std::string& error() const { return error_; }

  private:
    bool Failed(std::string why) {
        error_ = std::move(why);
        return false;
    }
    std::wstring dir_, log_, report_, scenario_;
    HANDLE process_ = nullptr;
    std::string error_;
};

}  // namespace standin_test
