// The toolkit's program-wide services: message boxes, the input box, the
// mouse pointer, DoEvents, the window kept answering during a long run, and
// unloading the one window.
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
    ~UiWin() override;
    UiWin(const UiWin&) = delete;
    UiWin& operator=(const UiWin&) = delete;

    // The window that owns message boxes and that Unload destroys.
    void Attach(HWND window) { window_ = window; }
    const std::wstring& AppTitle() const { return title_; }
    // The pointer to show over the window, or null for the controls' own.
    HCURSOR Cursor() const;
    bool LongRunning() const { return running_; }

    void MsgBox(const std::wstring& text, int style, const std::wstring& title = {}) override;
    std::wstring InputBox(const std::wstring& prompt, const std::wstring& title) override;
    void SetMousePointer(int pointer) override;
    void DoEvents() override;
    void LongRun(bool running) override;
    bool Progress(platform::ListView& list, bool now) override;
    void Respond() override;
    // Esc reached the window (as its cancel command): it stops a long run.
    void Escape() { stop_ = running_; }
    void Unload() override;
    [[noreturn]] void End() override;

    // Boxes are owned by the window once it is on screen; before that they
    // stand alone.
    HWND Owner() const;

  private:
    const wchar_t* TitleOr(const std::wstring& title) const;
    // What waits in the queue, looked at once: input and posted messages are
    // answered by the pump, the list let go first so that it draws what the
    // user does; timers too when `timers`; paint messages here.
    void Look(bool timers);
    // Runs the pump until it has answered what waits, or until a loop of its
    // own (a menu, a drag) lets the long run go on.
    void RunPump();
    void Pump();
    static void CALLBACK PumpMain(void* self);
    static void CALLBACK Resume(HWND, UINT, UINT_PTR, DWORD);
    // While a host call waits for a busy server.
    static void RespondNow();
    void SwitchTo(bool pump);
    void Drain();
    // Throws EndProgram when the window was closed or the program asked to
    // quit meanwhile; the main loop still sees its quit message.
    void EndIfClosed();

    std::wstring title_;
    HWND window_ = nullptr;
    int pointer_ = platform::kDefault;
    bool running_ = false, stop_ = false;
    bool closed_ = false, quit_ = false;
    WPARAM quitCode_ = 0;
    // Ticks of the last progress shown, of the last asked, of the first row,
    // of the last look at the queue.
    ULONGLONG shownAt_ = 0, calledAt_ = 0, firstAt_ = 0, lookedAt_ = 0;
    int32_t shownRows_ = 0;
    platform::ListView* list_ = nullptr;  // the list a long run fills

    // While a long run waits, the window's messages run on a fiber of their
    // own, the pump: a loop that a message enters (a menu, a drag of the
    // thumb, a move of the window) holds the pump, not the run, which goes
    // on from the pump's timer. One thread, one apartment: the host sees
    // the same calls, and every reference is released where it was got.
    void* run_ = nullptr;    // the thread's own fiber, where handlers run
    void* pump_ = nullptr;   // the pump's fiber
    bool pumping_ = false;   // the pump's fiber runs, the run's waits
    bool inside_ = false;    // the pump is inside a message (a loop may hold it)
    bool draining_ = false;  // the run is over: the pump finishes its message
    UINT_PTR timer_ = 0;     // brings the run back from a loop inside the pump
};

}  // namespace win32
