// The stand-in Vantora as a client process has it: registered for a run,
// started with a scenario and waited for, its call log and reference report
// read, and stopped cleanly. Waits are bounded.
#pragma once

#include <windows.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "standin/client/calls_win.h"

namespace standin_client {

// The stand-in's class ids (fixed).
inline const CLSID kApplicationClsid = {
    0x6f1c2a4e, 0x3b7d, 0x4e2a, {0x9c, 0x11, 0x5a, 0x8e, 0x0d, 0x4b, 0x7f, 0x21}};
inline const CLSID kControlClsid = {
    0x6f1c2a4e, 0x3b7d, 0x4e2a, {0x9c, 0x11, 0x5a, 0x8e, 0x0d, 0x4b, 0x7f, 0x23}};

bool RegisterServer();
bool UnregisterServer();
// Every stand-in process now running (the application and the installation
// registry alike).
std::vector<DWORD> StandInProcesses();
// Waits until no stand-in process runs; false when one still does.
bool WaitUntilNoneRunning(DWORD timeoutMs = 10000);

// COM for this thread and the stand-in registered (to this build's exe) for
// as long as it lives; the registry is then left as it was found.
class Registration {
  public:
    Registration();
    ~Registration();
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    bool ok() const { return ok_; }

  private:
    bool wasRegistered_ = false, ok_ = false;
};

// One stand-in run with its own scenario, log and report in a fresh folder.
// The installation registry (started by COM) reads the same scenario.
class StandIn {
  public:
    explicit StandIn(nlohmann::json scenario = nlohmann::json::object());
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;
    ~StandIn();

    // Starts the application and waits until this very process is in the
    // Running Object Table (never one left over from before).
    bool Start(DWORD timeoutMs = 15000);
    // Ends a running application (however it was started) and waits for it;
    // one this object started that does not end is terminated. False when
    // it had to be.
    bool Stop(DWORD timeoutMs = 10000);

    ComPtr<IDispatch> Application() const { return Running(kApplicationClsid); }
    ComPtr<IDispatch> Control() const { return Running(kControlClsid); }
    // References that clients hold on the application's objects now.
    long Outstanding() const;

    const std::wstring& LogPath() const { return log_; }
    std::vector<std::string> LogLines() const;
    // Empties the log in place: the stand-in keeps it open for appending.
    void ClearLog() const;
    // What the stand-in's processes reported as they ended.
    std::string Report() const;
    // Waits until the report holds a section, e.g. "[installations]".
    bool WaitForReport(const std::string& section, DWORD timeoutMs = 10000) const;
    // Why the last Start or Stop failed.
    const std::string& error() const { return error_; }

  private:
    bool Failed(std::string why);
    std::wstring dir_, log_, report_, scenario_;
    HANDLE process_ = nullptr;
    std::string error_;
};

}  // namespace standin_client
