// The search window as the user has it, driven from the benchmark: the real
// frmMain in the real window, over the real automation layer, with its
// toolkit services watched.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "app/main_window.h"
#include "platform/win32/automation_win.h"
#include "platform/win32/numbers_win.h"

namespace bench {

// The window's toolkit services, watched: when the search read its first
// row; when timed, the time spent inside the services that refresh the list
// and answer the user, and when each row was read; and, held, the search as
// it was before its rows showed as they arrived (the list told of its rows
// once a database is done, nothing drawn meanwhile).
class WatchedUi final : public platform::Ui {
  public:
    explicit WatchedUi(win32::UiWin& ui) : ui_(ui) {}
    bool held = false;
    bool timed = false;
    int64_t firstRow = 0;  // ticks when the first row was read; 0 until then
    // When timed: each call into Progress, Respond and DoEvents, from its
    // start to its end, and when each row was read.
    struct Span {
        int64_t from, to;
    };
    std::vector<Span> calls;
    std::vector<int64_t> rowEnds;
    // Ticks spent inside those calls between two moments.
    int64_t InsideTicks(int64_t from, int64_t to) const;
    std::atomic<int> rowsRead{0};                // for a second thread to follow the search
    bool InCall() const { return inside_ > 0; }  // inside one of those calls now
    void Reset();

    void MsgBox(const std::wstring& text, int style, const std::wstring& title) override {
        ui_.MsgBox(text, style, title);
    }
    std::wstring InputBox(const std::wstring& prompt, const std::wstring& title) override {
        return ui_.InputBox(prompt, title);
    }
    void SetMousePointer(int pointer) override { ui_.SetMousePointer(pointer); }
    void DoEvents() override;
    void LongRun(bool running) override { ui_.LongRun(running); }
    bool Progress(platform::ListView& list, bool now) override;
    void Respond() override;
    void Unload() override { ui_.Unload(); }
    [[noreturn]] void End() override { ui_.End(); }

  private:
    class Timed;  // a timed call into the real services
    win32::UiWin& ui_;
    int inside_ = 0;  // calls into them in hand, nested
    int rows_ = 0;    // rows in the model at the last progress
};

class Window {
  public:
    Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    void Choose(const wchar_t* database);
    // The Search button's handler, timed in ms; throws when it fails or
    // lists other than `expected` rows.
    double Search(int expected);
    // The same, while `user` runs on a thread of its own: the user's input
    // comes from there, as it comes from outside.
    double SearchWhile(int expected, const std::function<void()>& user);
    // From that thread: waits until the search has read `rows` rows; false
    // when it ended first.
    bool WaitRows(int rows) const;
    // Paints the list's first screen: every visible cell is fetched from the
    // row model and drawn, the header with it. In ms.
    double Paint();
    // Handles what is waiting, as the event loop would between two clicks.
    void Pump();
    // The window in front and the list focused, as a user who is about to
    // scroll it has them.
    void Front();
    HWND List() const { return window_.Control(search::kLvwResults); }
    platform::ListView& ListView() { return window_.Controls().lvwResults; }
    // Adds the list's first row to the quote as a user does: selects it,
    // clicks Add to Quote, types 1 into the quantity prompt and closes the
    // box that reports the add. The boxes are answered from a second thread.
    void AddFirstRow();

    void Hold(bool held) { ui_.held = held; }
    void Time(bool timed) { ui_.timed = timed; }
    const WatchedUi& Watched() const { return ui_; }
    // From the last Search click to its first row read, and to the first
    // paint of the list that showed a row.
    double FirstRowReadMs() const;
    double FirstRowShownMs() const;
    // Ticks spent in the list's own messages outside the watched services
    // in the last timed search (its paints during host calls).
    int64_t ListOutsideTicks() const { return listOutside_; }

    // The list's top row, watched from a second thread: Arm just before an
    // input, then WaitMoved gives the ms from the arming to the top row
    // moving, or nothing after `timeoutMs`. The list's own procedure reads
    // the top row after each message it handles while armed, so that the
    // watch sends no message and costs nothing else.
    void Arm();
    std::optional<double> WaitMoved(DWORD timeoutMs);
    int Top() const { return seenTop_; }

  private:
    void Select(search::ControlId id, const wchar_t* text);
    static LRESULT CALLBACK ListWatch(HWND list, UINT msg, WPARAM wp, LPARAM lp);
    void SeeTop(HWND list);

    app::MainWindow window_;
    WatchedUi ui_;
    win32::AutomationWin automation_;
    win32::NumberRulesWin numbers_;
    search::frmMain form_;
    int64_t start_ = 0, firstPaint_ = 0, listOutside_ = 0;
    int listDepth_ = 0;  // the list's messages in hand, nested
    std::atomic<bool> searching_{false};
    std::atomic<bool> armed_{false};
    std::atomic<int> seenTop_{0};
    int64_t armedAt_ = 0, movedAt_ = 0;  // under moving_
    std::mutex moving_;
    std::condition_variable moved_;
    static inline WNDPROC listProc_ = nullptr;
    static inline Window* watched_ = nullptr;  // the one window, as its list's procedure finds it
};

}  // namespace bench
