// Calls that another program turns away because it is busy: retried
// quietly for a while, then as the user decides in the Server Busy box.
#pragma once

#include <windows.h>
// after windows.h
#include <oaidl.h>

namespace win32 {

// How long calls turned away are retried before the user is asked.
constexpr DWORD kBusyPatienceMs = 10000;
// The wait between two tries.
constexpr DWORD kBusyRetryMs = 100;

// The Server Busy box's buttons: Switch To, and the usual Retry and Cancel.
constexpr int kSwitchToId = 100;

// What answers the user while a call waits for a busy server: set for the
// length of a long run, whose window stays live; it may end the call by
// throwing. Without it the wait only paints, and input is dropped.
using Responder = void (*)();
void SetBusyResponder(Responder respond);

// A server that turned a call away never carried it out.
inline bool TurnedAway(HRESULT hr) {
    return hr == RPC_E_SERVERCALL_RETRYLATER || hr == RPC_E_CALL_REJECTED;
}

// One call's wait for a busy server.
class BusyWait {
  public:
    // `server` is the object called: its program is the one to switch to.
    explicit BusyWait(IDispatch* server) : server_(server), since_(GetTickCount64()) {}

    // Whether to try the call again: after a short wait while patience
    // lasts, then as the user chooses. The windows keep painting meanwhile.
    bool Again();

  private:
    IDispatch* server_;
    ULONGLONG since_;
};

}  // namespace win32
