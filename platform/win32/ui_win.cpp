#include "platform/win32/ui_win.h"

#include "platform/win32/input_box_win.h"

namespace win32 {

void DispatchToWindow(HWND window, MSG& msg) {
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

void UiWin::Unload() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
}

void UiWin::End() { throw platform::EndProgram{}; }

}  // namespace win32
