#include "standin/client/driver_win.h"

// after windows.h
#include <commctrl.h>

#include <chrono>
#include <thread>

namespace driver {

namespace {

using Clock = std::chrono::steady_clock;

template <class F>
auto Poll(DWORD timeoutMs, F f) -> decltype(f()) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto r = f();
        if (r || Clock::now() >= end) return r;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

constexpr int kMessageTextId = 0xFFFF;
constexpr int kInputEditId = 101;  // the input box's edit control
constexpr size_t kRemoteBytes = size_t{64} * 1024;

}  // namespace

std::wstring WindowsPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/') return path;
    std::wstring out = L"Z:" + path;
    for (auto& c : out) {
        if (c == L'/') c = L'\\';
    }
    return out;
}

Process Process::Start(const std::wstring& exe, const std::wstring& args) {
    std::wstring path = WindowsPath(exe);
    std::wstring cmd = L"\"" + path + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        return Process(nullptr, 0);
    }
    CloseHandle(pi.hThread);
    WaitForInputIdle(pi.hProcess, 5000);
    return Process(pi.hProcess, pi.dwProcessId);
}

Process::Process(Process&& other) noexcept : process_(other.process_), pid_(other.pid_) {
    other.process_ = nullptr;
}

Process::~Process() {
    if (!process_) return;
    if (Running()) {
        TerminateProcess(process_, 255);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool Kill(DWORD pid) {
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!h) return false;
    TerminateProcess(h, 0xC0000005);
    WaitForSingleObject(h, 5000);
    CloseHandle(h);
    return true;
}

bool Process::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitExit(DWORD timeoutMs) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return {};
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

std::vector<HWND> WindowsOf(DWORD pid, const wchar_t* className, bool visibleOnly) {
    struct Query {
        DWORD pid;
        const wchar_t* cls;
        bool visible;
        std::vector<HWND> found;
    } q{pid, className, visibleOnly, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto& query = *reinterpret_cast<Query*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner != query.pid) return TRUE;
            if (query.visible && !IsWindowVisible(hwnd)) return TRUE;
            if (query.cls && ClassName(hwnd) != query.cls) return TRUE;
            query.found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&q));
    return q.found;
}

HWND WaitWindow(DWORD pid, const wchar_t* className, DWORD timeoutMs) {
    return Poll(timeoutMs, [&]() -> HWND {
        auto found = WindowsOf(pid, className, true);
        return found.empty() ? nullptr : found.front();
    });
}

std::wstring Text(HWND hwnd) {
    LRESULT len = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    LRESULT n = SendMessageW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(n));
    return text;
}

std::wstring ClassName(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

std::wstring ComboText(HWND combo) {
    LRESULT sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR) return {};
    return ComboItems(combo).at(static_cast<size_t>(sel));
}

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT len = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<size_t>(len) + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(len));
        items.push_back(text);
    }
    return items;
}

RECT ClientRectIn(HWND child, HWND parent) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::optional<MessageBoxSeen> WaitMessageBox(DWORD pid, DWORD timeoutMs) {
    HWND box = Poll(timeoutMs, [&]() -> HWND {
        for (HWND dlg : WindowsOf(pid, L"#32770", true)) {
            if (GetDlgItem(dlg, kMessageTextId)) return dlg;
        }
        return nullptr;
    });
    if (!box) return {};
    return MessageBoxSeen{box, Text(box), Text(GetDlgItem(box, kMessageTextId))};
}

void Press(HWND dialog, int buttonId) {
    PostMessageW(GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
}

void Click(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    INPUT click[2] = {};
    click[0].type = click[1].type = INPUT_MOUSE;
    click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, click, sizeof(INPUT));
}

void Key(WORD vk, bool down) {
    INPUT key = {};
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = vk;
    key.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &key, sizeof(INPUT));
}

void Keys(std::initializer_list<WORD> chord) {
    for (WORD vk : chord) Key(vk, true);
    for (auto vk = std::rbegin(chord); vk != std::rend(chord); ++vk) Key(*vk, false);
}

void Wheel(HWND over, int notches) {
    RECT r;
    GetWindowRect(over, &r);
    MouseTo({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    Wheel(notches);
}

void Wheel(int notches) {
    INPUT wheel = {};
    wheel.type = INPUT_MOUSE;
    wheel.mi.dwFlags = MOUSEEVENTF_WHEEL;
    const LONG delta = notches * WHEEL_DELTA;  // negative down, as the field holds it
    wheel.mi.mouseData = static_cast<DWORD>(delta);
    SendInput(1, &wheel, sizeof(INPUT));
}

void MouseTo(POINT at) { SetCursorPos(at.x, at.y); }

void LeftButton(bool down) {
    INPUT button = {};
    button.type = INPUT_MOUSE;
    button.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &button, sizeof(INPUT));
}

// Another process's scroll bar cannot be asked where its thumb is; at the
// top of the view it lies right under the up arrow, inside the window's edge.
POINT TopThumb(HWND window) {
    RECT r, client;
    GetWindowRect(window, &r);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    return {client.right + bar / 2, client.top + GetSystemMetrics(SM_CYVSCROLL) + 4};
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

bool AnswerInputBox(DWORD pid, const std::wstring& text, bool ok, DWORD timeoutMs,
                    std::wstring* prompt, std::wstring* caption) {
    HWND box = Poll(timeoutMs, [&]() -> HWND {
        for (HWND dlg : WindowsOf(pid, L"#32770", true)) {
            if (GetDlgItem(dlg, kInputEditId)) return dlg;
        }
        return nullptr;
    });
    if (!box) return false;
    if (prompt) *prompt = Text(GetDlgItem(box, 100));
    if (caption) *caption = Text(box);
    SendMessageW(GetDlgItem(box, kInputEditId), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(text.c_str()));
    Press(box, ok ? IDOK : IDCANCEL);
    return true;
}

RemoteListView::RemoteListView(HWND list) : list_(list) {
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process_) {
        remote_ = VirtualAllocEx(process_, nullptr, kRemoteBytes, MEM_COMMIT | MEM_RESERVE,
                                 PAGE_READWRITE);
    }
}

RemoteListView::~RemoteListView() {
    if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
}

int RemoteListView::Count() const {
    return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
}

int RemoteListView::ColumnCount() const {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    return static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
}

// The item structure and the text buffer both live in the list's process.
// Reads `chars` characters, or as many as the list says it wrote when 0.
std::wstring RemoteListView::TextAt(void* remote, size_t bytes, int row, int column,
                                    size_t chars) const {
    auto* base = static_cast<char*>(remote);
    wchar_t* remoteText = reinterpret_cast<wchar_t*>(base + sizeof(LVITEMW));
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iSubItem = column;
    item.pszText = remoteText;
    item.cchTextMax = static_cast<int>((bytes - sizeof(LVITEMW)) / sizeof(wchar_t));
    WriteProcessMemory(process_, base, &item, sizeof(item), nullptr);
    LRESULT n = SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                             reinterpret_cast<LPARAM>(base));
    std::wstring text(chars ? chars : static_cast<size_t>(n > 0 ? n : 0), L'\0');
    ReadProcessMemory(process_, remoteText, text.data(), text.size() * 2, nullptr);
    return text;
}

std::wstring RemoteListView::Text(int row, int column) const {
    return remote_ ? TextAt(remote_, kRemoteBytes, row, column, 0) : std::wstring();
}

std::wstring RemoteListView::Text(int row, int column, size_t chars) const {
    const size_t bytes = sizeof(LVITEMW) + (chars + 1) * sizeof(wchar_t);
    void* remote = process_ ? VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT | MEM_RESERVE,
                                             PAGE_READWRITE)
                            : nullptr;
    if (!remote) return {};
    std::wstring text = TextAt(remote, bytes, row, column, chars);
    VirtualFreeEx(process_, remote, 0, MEM_RELEASE);
    return text;
}

std::wstring RemoteListView::ColumnText(int column) const {
    if (!remote_) return {};
    auto* base = static_cast<char*>(remote_);
    wchar_t* remoteText = reinterpret_cast<wchar_t*>(base + sizeof(LVCOLUMNW));
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT;
    col.pszText = remoteText;
    col.cchTextMax = 1024;
    WriteProcessMemory(process_, base, &col, sizeof(col), nullptr);
    if (!SendMessageW(list_, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                      reinterpret_cast<LPARAM>(base))) {
        return {};
    }
    wchar_t buffer[1024] = {};
    ReadProcessMemory(process_, remoteText, buffer, sizeof(buffer) - sizeof(wchar_t), nullptr);
    return buffer;
}

void RemoteListView::Select(const std::vector<int>& rows) const {
    if (!remote_) return;
    // Row -1 is every row: what was selected before is not any more.
    for (int i = -1; i < int(rows.size()); ++i) {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | (i <= 0 ? LVIS_FOCUSED : 0);
        item.state = i < 0 ? 0 : LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0);
        WriteProcessMemory(process_, remote_, &item, sizeof item, nullptr);
        SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(i < 0 ? -1 : rows[size_t(i)]),
                     reinterpret_cast<LPARAM>(remote_));
    }
}

RECT RemoteListView::RowRect(int row) const {
    RECT r = {LVIR_LABEL, 0, 0, 0};
    if (!remote_) return r;
    WriteProcessMemory(process_, remote_, &r, sizeof r, nullptr);
    SendMessageW(list_, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(remote_));
    ReadProcessMemory(process_, remote_, &r, sizeof r, nullptr);
    return r;
}

}  // namespace driver
