// Drives Skuvane.exe (or any program) from a test process: start it, find
// its windows and boxes, read its controls, press its buttons, wait for it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace driver {

// A started process; killed when the test lets go of it still running.
class Process {
  public:
    // `exe` may be a Windows path or a Unix one (seen through drive Z:).
    static Process Start(const std::wstring& exe, const std::wstring& args = {});
    Process(Process&& other) noexcept;
    Process& operator=(Process&&) = delete;
    Process(const Process&) = delete;
    ~Process();

    DWORD pid() const { return pid_; }
    bool Running() const;
    // The exit code, or nothing when it still runs after `timeoutMs`.
    std::optional<DWORD> WaitExit(DWORD timeoutMs);

  private:
    Process(HANDLE process, DWORD pid) : process_(process), pid_(pid) {}
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

std::wstring WindowsPath(const std::wstring& path);
// Ends a process at once, as a crash does, and waits for its end; false when
// there is no such process.
bool Kill(DWORD pid);

// Polls until `done` holds; false when it still does not after `timeoutMs`.
template <class F>
bool WaitUntil(DWORD timeoutMs, F done) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
    return true;
}

// Top-level windows of a process, by class (null for any) and visibility.
std::vector<HWND> WindowsOf(DWORD pid, const wchar_t* className, bool visibleOnly);
// Waits for a visible top-level window of the process; null on time-out.
HWND WaitWindow(DWORD pid, const wchar_t* className, DWORD timeoutMs);

std::wstring Text(HWND hwnd);  // WM_GETTEXT
std::wstring ClassName(HWND hwnd);
std::wstring ComboText(HWND combo);  // the selected entry, empty for none
std::vector<std::wstring> ComboItems(HWND combo);
RECT ClientRectIn(HWND child, HWND parent);

// A message box: '#32770' with the static text 0xFFFF.
struct MessageBoxSeen {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text;
};
std::optional<MessageBoxSeen> WaitMessageBox(DWORD pid, DWORD timeoutMs);
// Presses a button of a dialog: posted, so a box opened by the click
// cannot block the test.
void Press(HWND dialog, int buttonId);
// Clicks the middle of a control with the mouse: input as a user's comes,
// through the input queue, whatever the program is doing.
void Click(HWND control);
// More input as a user's comes; the window it is meant for must be in front.
// A key pressed or let go.
void Key(WORD vk, bool down);
// Keys pressed in order and let go in reverse: a chord such as Ctrl+C.
void Keys(std::initializer_list<WORD> chord);
// The wheel turned over the middle of a window, or where the mouse is;
// negative notches roll towards the user, down a list.
void Wheel(HWND over, int notches);
void Wheel(int notches);
// The mouse moved to a point of the screen, the left button pressed or let go.
void MouseTo(POINT at);
void LeftButton(bool down);
// A point inside the thumb of a window's vertical scroll bar while its view
// is at the top, on the screen.
POINT TopThumb(HWND window);
std::wstring ClipboardText();  // empty when it holds no text
// Waits for the input box, types `text` and presses OK (or Cancel).
bool AnswerInputBox(DWORD pid, const std::wstring& text, bool ok, DWORD timeoutMs,
                    std::wstring* prompt = nullptr, std::wstring* caption = nullptr);

// Reads a list view of another process through memory of its own.
class RemoteListView {
  public:
    explicit RemoteListView(HWND list);
    ~RemoteListView();
    RemoteListView(const RemoteListView&) = delete;
    RemoteListView& operator=(const RemoteListView&) = delete;

    int Count() const;
    int ColumnCount() const;
    std::wstring Text(int row, int column) const;  // 0-based
    // The first `chars` characters the list hands over for a cell, NULs
    // included: long text whole, and text past an embedded NUL.
    std::wstring Text(int row, int column, size_t chars) const;
    std::wstring ColumnText(int column) const;
    // Selects these rows and no others, the first one focused, as clicks would.
    void Select(const std::vector<int>& rows) const;
    RECT RowRect(int row) const;  // the row's label, in the list's client area

  private:
    std::wstring TextAt(void* remote, size_t bytes, int row, int column, size_t chars) const;
    HWND list_;
    HANDLE process_ = nullptr;
    void* remote_ = nullptr;
};

}  // namespace driver
