#include "platform/win32/ui_win.h"

#include <exception>

#include "platform/win32/busy_win.h"
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

namespace {

// How often a long run looks at the queue, at most: the user's input is
// answered this soon, plus the host call in hand.
constexpr ULONGLONG kLookMs = 10;
// What the pump answers at once. Any posted message: QS_POSTMESSAGE is
// cleared by every look at the queue, COM's own during a host call included.
constexpr UINT kActs = QS_KEY | QS_MOUSEBUTTON | QS_MOUSEMOVE | QS_ALLPOSTMESSAGE | QS_HOTKEY;

// Keys, clicks and the wheel: the list must draw what they do to it. A mouse
// move alone (the tooltip's) leaves it as it is.
bool Acts(UINT msg) {
    return (msg >= WM_KEYFIRST && msg <= WM_KEYLAST) ||
           (msg > WM_MOUSEMOVE && msg <= WM_MOUSELAST) ||
           (msg > WM_NCMOUSEMOVE && msg <= WM_NCXBUTTONDBLCLK);
}

// The long run whose pump the resume timer serves, if any.
UiWin* running = nullptr;

// The thread as a fiber, made so once; null when it cannot be one.
void* ThreadFiber() {
    thread_local void* const fiber = ConvertThreadToFiber(nullptr);
    return fiber;
}

}  // namespace

UiWin::~UiWin() {
    if (timer_) KillTimer(nullptr, timer_);
    if (running == this) {
        running = nullptr;
        SetBusyResponder(nullptr);
    }
    if (pump_ && !pumping_) DeleteFiber(pump_);
}

// Handles what is waiting, then returns to the running handler; if the
// window went away meanwhile (closed, or another handler failed), the
// handler must not go on: EndProgram unwinds it.
void UiWin::DoEvents() {
    if (running_ && pump_) {
        RunPump();
    } else {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit_ = true;
                quitCode_ = msg.wParam;
                break;
            }
            DispatchToWindow(window_, msg);
        }
    }
    if (!window_ || !IsWindow(window_)) closed_ = true;
    EndIfClosed();
}

void UiWin::LongRun(bool on) {
    if (on) {
        // The thread's own fiber runs the handlers; a thread that cannot be
        // one keeps the window painted only, as a plain loop would.
        if (!run_) run_ = ThreadFiber();
        if (run_ && !pump_) pump_ = CreateFiberEx(0, 0, FIBER_FLAG_FLOAT_SWITCH, &PumpMain, this);
        running = this;
        SetBusyResponder(&RespondNow);
    } else if (running_) {
        Drain();
        if (timer_) KillTimer(nullptr, timer_);
        timer_ = 0;
        running = nullptr;
        SetBusyResponder(nullptr);
    }
    running_ = on;
    stop_ = false;
    shownAt_ = calledAt_ = lookedAt_ = GetTickCount64();
    firstAt_ = 0;
    shownRows_ = 0;
    list_ = nullptr;
}

// The rows at most every 100 ms: a fast host pays nothing for it, and out
// of process COM's wait during each call paints as well. The first rows show
// within 50 ms of the first one being read: a fast host fills the view
// meanwhile, and the list is drawn once. In between, the queue is looked at
// every few milliseconds for what the user does.
bool UiWin::Progress(platform::ListView& list, bool now) {
    // A row that took this long comes from a host too slow to fill the view
    // before the first rows are due: they show at once, for the next call may
    // take much longer still.
    constexpr ULONGLONG kIntervalMs = 100, kFirstMs = 50, kSlowRowMs = 5;
    list_ = &list;
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
                     : rows > 0     ? step >= kSlowRowMs || tick - firstAt_ + step >= kFirstMs
                                    : tick - shownAt_ >= kIntervalMs;
    if (now || due) {
        // A loop of the pump's (the thumb held, a menu open) has the list as
        // the user put it: its count waits for the loop's end.
        if (!inside_) {
            shownRows_ = rows;
            list.RowsAdded(now);
        }
        Look(true);
        // The interval runs from the end of the refresh: what it cost is not
        // taken from the search's time again at once.
        shownAt_ = calledAt_ = GetTickCount64();
    } else if (tick - lookedAt_ >= kLookMs) {
        Look(false);
    }
    EndIfClosed();
    return stop_;
}

void UiWin::Respond() {
    if (running_ && GetTickCount64() - lookedAt_ >= kLookMs) Look(false);
}

// Closed meanwhile, the call the server turned away is not made again: it
// was never carried out, and the program ends.
void UiWin::RespondNow() {
    if (!running) return;
    running->Look(true);
    running->EndIfClosed();
}

// Each look at the queue is a trip to Wine's server, and mostly nothing
// waits: one look, for what the user did, posted messages and paints, and
// timers (a tooltip's, the scroll bar's) only as often as the list is
// refreshed. What is in the queue (the high word), not what came since the
// last look: COM's wait during a host call looks too, and that resets it.
void UiWin::Look(bool timers) {
    lookedAt_ = GetTickCount64();
    const DWORD waiting = HIWORD(GetQueueStatus(kActs | QS_PAINT | QS_TIMER));
    if (pump_ && ((waiting & kActs) || (timers && (waiting & QS_TIMER)))) {
        RunPump();
    } else if (waiting & QS_PAINT) {
        constexpr int kMostPaints = 64;  // a window that never validates cannot hold the run
        MSG msg;
        for (int i = 0;
             i < kMostPaints && PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i) {
            DispatchMessageW(&msg);
        }
    }
}

// The pump answers what waits and comes back; a message that enters a loop
// of its own (a menu, the thumb dragged, the window moved) keeps the pump
// there, and the timer brings the run back from inside the loop.
void UiWin::RunPump() {
    if (!pump_ || pumping_) return;
    if (!timer_) timer_ = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, &Resume);
    SwitchTo(true);
    if (!inside_ && timer_) {
        KillTimer(nullptr, timer_);
        timer_ = 0;
    }
    lookedAt_ = GetTickCount64();
}

void CALLBACK UiWin::PumpMain(void* self) { static_cast<UiWin*>(self)->Pump(); }

void UiWin::Pump() {
    for (;;) {
        MSG msg;
        while (!draining_ && !quit_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit_ = true;
                quitCode_ = msg.wParam;
                break;
            }
            // Here the pump is in no loop: the timer that brings the run back
            // from one has nothing to do, and the run comes back once all is
            // answered.
            if (msg.message == WM_TIMER && !msg.hwnd && msg.wParam == timer_) continue;
            // The list draws again what the user does to it.
            if (list_ && Acts(msg.message)) list_->RowsAdded(true);
            inside_ = true;
            DispatchToWindow(window_, msg);
            inside_ = false;
        }
        SwitchTo(false);
    }
}

void CALLBACK UiWin::Resume(HWND, UINT, UINT_PTR, DWORD) {
    UiWin* self = running;
    if (self && !self->draining_ && self->pumping_) self->SwitchTo(false);
}

void UiWin::SwitchTo(bool pump) {
    pumping_ = pump;
    SwitchToFiber(pump ? pump_ : run_);
}

// The run is over, but the pump may be inside a loop still (the thumb held,
// a menu open): the handler returns once the user has ended it. Not while an
// error unwinds the handler: its report comes first, and the program ends.
void UiWin::Drain() {
    if (std::uncaught_exceptions() > 0) return;
    draining_ = true;
    while (inside_ && !pumping_) SwitchTo(true);
    draining_ = false;
}

void UiWin::EndIfClosed() {
    if (!closed_ && !quit_) return;
    PostQuitMessage(static_cast<int>(quitCode_));  // for the main loop
    throw platform::EndProgram{};
}

void UiWin::Unload() {
    closed_ = true;
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
}

void UiWin::End() { throw platform::EndProgram{}; }

}  // namespace win32
