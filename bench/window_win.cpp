#include "bench/window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "bench/bench.h"
#include "standin/client/driver_win.h"
#include "standin/model/text_win.h"

namespace bench {

// Only the outermost call counts: the time the search was away.
class WatchedUi::Timed {
  public:
    explicit Timed(WatchedUi& ui) : ui_(ui), start_(ui.inside_++ == 0 ? Ticks() : 0) {}
    ~Timed() {
        --ui_.inside_;
        if (start_) ui_.calls.push_back({start_, Ticks()});
    }
    Timed(const Timed&) = delete;
    Timed& operator=(const Timed&) = delete;

  private:
    WatchedUi& ui_;
    const int64_t start_;
};

void WatchedUi::Reset() {
    firstRow = 0;
    calls.clear();
    rowEnds.clear();
    rows_ = 0;
    rowsRead = 0;
}

int64_t WatchedUi::InsideTicks(int64_t from, int64_t to) const {
    int64_t sum = 0;
    for (const Span& s : calls)
        sum += std::max<int64_t>(0, std::min(s.to, to) - std::max(s.from, from));
    return sum;
}

void WatchedUi::DoEvents() {
    if (!timed) return ui_.DoEvents();
    const Timed span(*this);
    ui_.DoEvents();
}

// Called once a row, after the row went into the list's model.
bool WatchedUi::Progress(platform::ListView& list, bool now) {
    const int rows = list.Items().Count();
    if (rows > rows_) {
        rows_ = rows;
        if (!firstRow) firstRow = Ticks();
        if (timed) rowEnds.push_back(Ticks());
        rowsRead.store(rows, std::memory_order_relaxed);
    }
    if (held) {
        if (now) list.RowsAdded(true);
        return false;
    }
    if (!timed) return ui_.Progress(list, now);
    const Timed span(*this);
    return ui_.Progress(list, now);
}

// Called between a row's field reads, 66 times a row: untimed, it adds
// nothing to the in-process figures.
void WatchedUi::Respond() {
    if (held) return;
    if (!timed) return ui_.Respond();
    const Timed span(*this);
    ui_.Respond();
}

Window::Window() : ui_(window_.Ui()), form_(window_.Controls(), automation_, ui_, numbers_) {
    // Over the list's own procedure as the program subclasses it, so that
    // the watch adds no cost of its own to every message.
    watched_ = this;
    listProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(List(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::ListWatch)));
    window_.Bind(app::BindTo(form_));
    if (!window_.Load()) Fail("the window did not load (is the host registered?)");
    window_.Show();
    Pump();
}

void Window::Choose(const wchar_t* database) {
    Select(search::kCboProductDatabase, database);
    Select(search::kCboSearchField, kField);
    Select(search::kCboOperator, kOperator);
    SetWindowTextW(window_.Control(search::kTxtSearchFor), kValue);
}

void Window::Select(search::ControlId id, const wchar_t* text) {
    HWND combo = window_.Control(id);
    const LRESULT at = SendMessageW(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(text));
    if (at == CB_ERR) Fail("the window offers no \"" + standin::Utf8(text) + "\"");
    SendMessageW(combo, CB_SETCURSEL, WPARAM(at), 0);
}

double Window::Search(int expected) {
    ui_.Reset();
    firstPaint_ = listOutside_ = 0;
    seenTop_ = 0;  // the search empties the list: its view goes to the top
    searching_ = true;
    const int64_t t0 = start_ = Ticks();
    // Held, the list draws nothing until the search ends, as it did before
    // its rows showed as they arrived.
    if (ui_.held) SendMessageW(List(), WM_SETREDRAW, FALSE, 0);
    try {
        form_.cmdSearch_Click();
    } catch (const platform::RuntimeError& e) {
        searching_ = false;
        Fail("the search raised run-time error " + std::to_string(e.number()) + ": " +
             standin::Utf8(e.description()));
    }
    searching_ = false;
    if (ui_.held) {
        SendMessageW(List(), WM_SETREDRAW, TRUE, 0);
        RedrawWindow(List(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    }
    const double ms = SinceMs(t0);
    const int shown = ListView_GetItemCount(List());
    if (shown != expected)
        Fail("the search listed " + std::to_string(shown) + " rows, not " +
             std::to_string(expected));
    return ms;
}

double Window::SearchWhile(int expected, const std::function<void()>& user) {
    ui_.rowsRead = 0;
    searching_ = true;
    std::thread thread(user);
    double ms = 0;
    try {
        ms = Search(expected);
    } catch (...) {
        thread.join();
        throw;
    }
    thread.join();
    return ms;
}

bool Window::WaitRows(int rows) const {
    while (ui_.rowsRead.load(std::memory_order_relaxed) < rows) {
        if (!searching_) return false;
        Sleep(5);
    }
    return true;
}

double Window::FirstRowReadMs() const { return Ms(ui_.firstRow - start_); }
double Window::FirstRowShownMs() const { return Ms(firstPaint_ - start_); }

double Window::Paint() {
    const int64_t t0 = Ticks();
    RedrawWindow(List(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    return SinceMs(t0);
}

void Window::Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT) win32::DispatchToWindow(window_.hwnd(), msg);
    }
}

void Window::Front() {
    SetForegroundWindow(window_.hwnd());
    SetFocus(List());
    Pump();
}

void Window::AddFirstRow() {
    const UINT both = LVIS_SELECTED | LVIS_FOCUSED;
    ListView_SetItemState(List(), 0, both, both);
    Pump();
    bool answered = false;
    std::thread user([&answered] {
        const DWORD self = GetCurrentProcessId();
        const bool typed = driver::AnswerInputBox(self, L"1", true, 10000);
        const auto report = driver::WaitMessageBox(self, 10000);
        if (report) driver::Press(report->hwnd, IDOK);
        answered = typed && report;
    });
    form_.cmdAddToQuote_Click();
    user.join();
    if (!answered) Fail("the add did not show its two boxes");
}

void Window::Arm() {
    const std::lock_guard<std::mutex> lock(moving_);
    armedAt_ = Ticks();
    movedAt_ = 0;
    armed_ = true;
}

std::optional<double> Window::WaitMoved(DWORD timeoutMs) {
    std::unique_lock<std::mutex> lock(moving_);
    const bool seen = moved_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                      [this] { return movedAt_ != 0; });
    armed_ = false;
    if (!seen) return std::nullopt;
    return Ms(movedAt_ - armedAt_);
}

void Window::SeeTop(HWND list) {
    const int top = static_cast<int>(CallWindowProcW(listProc_, list, LVM_GETTOPINDEX, 0, 0));
    if (top == seenTop_) return;
    seenTop_ = top;
    const std::lock_guard<std::mutex> lock(moving_);
    if (!armed_) return;
    movedAt_ = Ticks();
    armed_ = false;
    moved_.notify_one();
}

LRESULT CALLBACK Window::ListWatch(HWND list, UINT msg, WPARAM wp, LPARAM lp) {
    Window& w = *watched_;
    // Timed when outside the watched services (a paint during a host call)
    // and not inside another of the list's messages.
    const int64_t t0 = w.ui_.timed && !w.ui_.InCall() && w.listDepth_ == 0 ? Ticks() : 0;
    ++w.listDepth_;
    const LRESULT r = CallWindowProcW(listProc_, list, msg, wp, lp);
    --w.listDepth_;
    if (t0) w.listOutside_ += Ticks() - t0;
    if (msg == WM_PAINT && !w.firstPaint_ && ListView_GetItemCount(list) > 0)
        w.firstPaint_ = Ticks();
    if (w.armed_.load(std::memory_order_acquire)) w.SeeTop(list);
    return r;
}

}  // namespace bench
