#include "platform/win32/busy_win.h"

// after windows.h
#include <objbase.h>

#include <cstddef>
#include <cstdint>

#include "platform/win32/com_win.h"
#include "platform/win32/dialog_template_win.h"

namespace win32 {

namespace {

constexpr WORD kTextId = 0xFFFF;  // where a message box keeps its text
constexpr WORD kIconId = 101;

Responder responder = nullptr;

// Waits, keeping this thread's windows painted. Input that arrives meanwhile
// is answered by the responder, if any, or dropped, as the classic runtime
// dropped it: a click made while the program seemed frozen must not fire
// later.
void WaitPainting(DWORD ms) {
    const ULONGLONG until = GetTickCount64() + ms;
    for (ULONGLONG now = GetTickCount64(); now < until; now = GetTickCount64()) {
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(until - now),
                                    QS_PAINT | QS_INPUT | QS_SENDMESSAGE | QS_POSTMESSAGE, 0);
        if (responder) {
            responder();
            continue;
        }
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_INPUT)) {
        }
        // Bounded: a window that never validates itself must not hold the wait.
        for (int n = 0; n < 100 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT);
             ++n) {
            DispatchMessageW(&msg);
        }
    }
}

// The box belongs to the window this thread shows, if any.
HWND OwnerWindow() {
    HWND owner = GetActiveWindow();
    if (owner && IsWindowVisible(owner)) return owner;
    owner = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM found) -> BOOL {
            if (!IsWindowVisible(w)) return TRUE;
            *reinterpret_cast<HWND*>(found) = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&owner));
    return owner;
}

// The reference as another apartment would receive it. Table-weak, so that
// marshalling asks nothing of the server and holds no reference on it.
struct StandardReference {
    DWORD signature;  // "MEOW"
    DWORD flags;      // 1: standard
    IID iid;
    DWORD stdFlags;
    DWORD publicRefs;
    uint64_t oxid;
    uint64_t oid;
    GUID ipid;  // the interface's stub
};
static_assert(offsetof(StandardReference, ipid) == 48);

// The process that serves a proxy. Windows (8.1 on) decodes a proxy for
// debuggers; where it cannot (Wine), the stub id that the proxy calls tells:
// COM puts the server's process id in its second field (Windows) or its
// third (Wine), 16 bits of it, and the server's thread id in the other.
// Thread and process ids never coincide, so only the server's process
// matches either field.
class ServerProcess {
  public:
    explicit ServerProcess(IDispatch* server) {
        using Decode = HRESULT(WINAPI*)(DWORD, UINT64, PServerInformation);
        HMODULE combase = GetModuleHandleW(L"combase.dll");
        const FARPROC found = combase ? GetProcAddress(combase, "CoDecodeProxy") : nullptr;
        ServerInformation info = {};
        if (found && SUCCEEDED(reinterpret_cast<Decode>(reinterpret_cast<void (*)()>(found))(
                         GetCurrentProcessId(), reinterpret_cast<UINT64>(server), &info))) {
            pid_ = info.dwServerPid;
        }
        if (!pid_) ReadStubId(server);
    }
    bool Known() const { return pid_ || first_ || second_; }
    bool Is(DWORD pid) const {
        return pid_ ? pid == pid_ : LOWORD(pid) == first_ || LOWORD(pid) == second_;
    }

  private:
    void ReadStubId(IDispatch* server) {
        ComPtr<IStream> stream;
        if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) ||
            FAILED(CoMarshalInterface(stream.Get(), IID_IDispatch, server, MSHCTX_LOCAL, nullptr,
                                      MSHLFLAGS_TABLEWEAK))) {
            return;
        }
        StandardReference ref = {};
        ULONG read = 0;
        const LARGE_INTEGER start = {};
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        const HRESULT hr = stream->Read(&ref, sizeof ref, &read);
        stream->Seek(start, STREAM_SEEK_SET, nullptr);
        CoReleaseMarshalData(stream.Get());
        if (SUCCEEDED(hr) && read == sizeof ref && ref.signature == 0x574f454d && ref.flags == 1) {
            first_ = ref.ipid.Data2;
            second_ = ref.ipid.Data3;
        }
    }

    DWORD pid_ = 0;
    WORD first_ = 0, second_ = 0;
};

// The server program's main window: visible, top-level and unowned.
HWND ServerWindow(IDispatch* server) {
    struct Search {
        ServerProcess process;
        DWORD self;
        HWND found;
    } search = {ServerProcess(server), GetCurrentProcessId(), nullptr};
    if (!search.process.Known()) return nullptr;
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == s.self || !s.process.Is(pid) || !IsWindowVisible(w) ||
                GetWindow(w, GW_OWNER)) {
                return TRUE;
            }
            s.found = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Brings the server program forward, at the box it may have open.
void SwitchTo(IDispatch* server) {
    HWND main = ServerWindow(server);
    if (!main) return;
    if (IsIconic(main)) ShowWindow(main, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(main));
}

INT_PTR CALLBACK ServerBusyProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            SetWindowTextW(dlg, L"Server Busy");
            SendDlgItemMessageW(dlg, kIconId, STM_SETICON,
                                reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_EXCLAMATION)), 0);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wp) == kSwitchToId || LOWORD(wp) == IDRETRY || LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, LOWORD(wp));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

// Asks the user what to do about the busy program: Switch To, Retry or Cancel.
int AskServerBusy() {
    DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 230, 80,
                     L"MS Shell Dlg", 8);
    t.Item(WS_TABSTOP | BS_DEFPUSHBUTTON, 50, 58, 56, 14, kSwitchToId, kButtonAtom,
           L"&Switch To...");
    t.Item(WS_TABSTOP | BS_PUSHBUTTON, 110, 58, 50, 14, IDRETRY, kButtonAtom, L"&Retry");
    t.Item(WS_TABSTOP | BS_PUSHBUTTON, 164, 58, 50, 14, IDCANCEL, kButtonAtom, L"Cancel");
    t.Item(SS_ICON, 12, 10, 21, 20, kIconId, kStaticAtom);
    t.Item(SS_LEFT | SS_NOPREFIX, 44, 10, 174, 40, kTextId, kStaticAtom,
           L"This action cannot be completed because the other program is busy. Choose "
           L"'Switch To' to activate the busy program and correct the problem.");
    const INT_PTR choice = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(),
                                                   OwnerWindow(), ServerBusyProc, 0);
    return choice == kSwitchToId || choice == IDRETRY ? static_cast<int>(choice) : IDCANCEL;
}

}  // namespace

void SetBusyResponder(Responder respond) { responder = respond; }

bool BusyWait::Again() {
    if (GetTickCount64() - since_ < kBusyPatienceMs) {
        WaitPainting(kBusyRetryMs);
        return true;
    }
    const int choice = AskServerBusy();
    if (choice == IDCANCEL) return false;
    if (choice == kSwitchToId) SwitchTo(server_);
    since_ = GetTickCount64();  // another while of patience, then ask again
    return true;
}

}  // namespace win32
