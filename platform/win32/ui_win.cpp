#include "platform/win32/ui_win.h"

#include "platform/win32/input_box_win.h"

namespace win32 {

void DispatchToWindow(HWND window, MSG& msg) {
    // A window that it owns (one product's details) takes its own dialog keys.
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (root && window && GetWindow(root, GW_OWNER) == window) window = root;
    if (window && IsWindow(window) && IsDialogMessageW(window, &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

HWND UiWin::Owner() const {
    return window_ && IsWindow(window_) && IsWindowVisible(window_) ? window_ : nullptr;
}

const wchar_t* UiWin::TitleOr(const std::wstring& title) const {
    return title.empty() ? title_.c_str() : title.c_str();
}

void UiWin::MsgBox(const std::wstring& text, int style, const std::wstring& title) {
    MessageBoxW(Owner(), text.c_str(), TitleOr(title), static_cast<UINT>(style));
}

std::wstring UiWin::InputBox(const std::wstring& prompt, const std::wstring& title) {
    return ShowInputBox(Owner(), prompt, TitleOr(title));
}

HCURSOR UiWin::Cursor() const {
    return pointer_ == platform::kHourglass ? LoadCursorW(nullptr, IDC_WAIT) : nullptr;
}

// Application-wide: the window answers WM_SETCURSOR with this pointer while
// it is set; the new pointer shows at once, without waiting for the mouse.
void UiWin::SetMousePointer(int pointer) {
    pointer_ = pointer;
    HCURSOR cursor = Cursor();
    SetCursor(cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW));
}

// Handles what is waiting, then returns to the running handler; if the
// window went away meanwhile (closed, or another handler failed), the
// handler must not go on: EndProgram unwinds it.
void UiWin::DoEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the main loop
            throw platform::EndProgram{};
        }
        DispatchToWindow(window_, msg);
    }
    if (!window_ || !IsWindow(window_)) throw platform::EndProgram{};
}

void UiWin::LongRun(bool running) {
    running_ = running;
    stop_ = false;
    shownAt_ = calledAt_ = GetTickCount64();
    firstAt_ = 0;
    shownRows_ = 0;
}

// Paint only, at most every 100 ms: a fast host pays nothing for it, and
// out of process COM's wait during each call paints as well. The first rows
// show within 50 ms of the first one being read: a fast host fills the view
// meanwhile, and the list is drawn once.
bool UiWin::Progress(platform::ListView& list, bool now) {
    constexpr ULONGLONG kIntervalMs = 100, kFirstMs = 50;
    constexpr int kMostPaints = 64;  // a window that never validates cannot hold the run
    const ULONGLONG tick = GetTickCount64();
    const int32_t rows = list.Items().Count();
    if (rows > 0 && shownRows_ == 0 && firstAt_ == 0) firstAt_ = tick;
    // Due when the next call, a step as long as the last one away, would
    // come too late.
    const ULONGLONG step = tick - calledAt_;
    calledAt_ = tick;
    // Before the first row, the list (emptied with its drawing held) shows
    // empty once the host has kept the search waiting.
    const bool due = shownRows_ > 0 ? tick - shownAt_ + step >= kIntervalMs
                     : rows > 0     ? tick - firstAt_ + step >= kFirstMs
                                    : tick - shownAt_ >= kIntervalMs;
    if (!now && !due) return stop_;
    shownRows_ = rows;
    list.RowsAdded(now);
    // Each look at the queue is a trip to Wine's server, and mostly nothing
    // waits: one look first, for keys (typed or posted) and paints only, as a
    // timer or a mouse move may wait throughout the search.
    const DWORD waiting = HIWORD(GetQueueStatus(QS_KEY | QS_POSTMESSAGE | QS_PAINT));
    if (waiting & (QS_KEY | QS_POSTMESSAGE)) TakeEscape();
    MSG msg;
    for (int i = 0; (waiting & QS_PAINT) && i < kMostPaints &&
                    PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE);
         ++i) {
        DispatchMessageW(&msg);
    }
    // The interval runs from the end of the refresh: what it cost is not
    // taken from the search's time again at once.
    shownAt_ = calledAt_ = GetTickCount64();
    return stop_;
}

// Releases of keys pressed before the search (Alt+S, Enter) may wait in
// front; they act on nothing here, so they are taken out of the way.
void UiWin::TakeEscape() {
    MSG msg;
    while (window_ && PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE) &&
           (msg.hwnd == window_ || IsChild(window_, msg.hwnd))) {
        const bool release = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
        if (!release && (msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE)) return;
        // The same message: no key waits before it.
        PeekMessageW(&msg, msg.hwnd, msg.message, msg.message, PM_REMOVE);
        if (!release) {
            Escape();
            return;
        }
    }
}

void UiWin::Unload() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
}

void UiWin::End() { throw platform::EndProgram{}; }

}  // namespace win32
