// The toolkit's program-wide services: message boxes, the input box, the
// mouse pointer, DoEvents, and unloading the one window.
#pragma once

#include <windows.h>

#include <string>

#include "platform/toolkit.h"

namespace win32 {

// Hands one message to the window: dialog keys first (Tab, access keys),
// then the usual translate and dispatch. A message for a window that it
// owns has that window's dialog keys.
void DispatchToWindow(HWND window, MSG& msg);

class UiWin final : public platform::Ui {
  public:
    explicit UiWin(std::wstring appTitle) : title_(std::move(appTitle)) {}

    // The window that owns message boxes and that Unload destroys.
    void Attach(HWND window) { window_ = window; }
    const std::wstring& AppTitle() const { return title_; }
    // The pointer to show over the window, or null for the controls' own.
    HCURSOR Cursor() const;

    void MsgBox(const std::wstring& text, int style, const std::wstring& title = {}) override;
    std::wstring InputBox(const std::wstring& prompt, const std::wstring& title) override;
    void SetMousePointer(int pointer) override;
    void DoEvents() override;
    void LongRun(bool running) override;
    bool Progress(platform::ListView& list, bool now) override;
    // Esc reached the window (as its cancel command): it stops a long run.
    void Escape() { stop_ = running_; }
    void Unload() override;
    [[noreturn]] void End() override;

    // Boxes are owned by the window once it is on screen; before that they
    // stand alone.
    HWND Owner() const;

  private:
    const wchar_t* TitleOr(const std::wstring& title) const;
    // Takes an Esc pressed in the window when it is the first key waiting
    // but for key releases; any other key stays where it is, and so does
    // everything behind it.
    void TakeEscape();

    std::wstring title_;
    HWND window_ = nullptr;
    int pointer_ = platform::kDefault;
    bool running_ = false, stop_ = false;
    // Ticks of the last progress shown, of the last asked, of the first row.
    ULONGLONG shownAt_ = 0, calledAt_ = 0, firstAt_ = 0;
    int32_t shownRows_ = 0;
};

}  // namespace win32
