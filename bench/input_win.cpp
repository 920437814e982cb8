// Input during a search out of process: the wheel and keys, as a user's
// come (SendInput from another thread, the window in front), each timed
// from the input to the list's top row moving.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "bench/bench.h"
#include "bench/window_win.h"
#include "standin/client/driver_win.h"

namespace bench {
namespace {

constexpr int kInputs = 20;
constexpr double kMedianTargetMs = 50;
constexpr double kWorstTargetMs = 100;
// An input the list never answers counts as this late.
constexpr DWORD kAnswerWaitMs = 2000;

}  // namespace

void MeasureInput(Window& w) {
    w.Choose(kRemoteDatabase);
    w.Front();
    RECT r;
    GetWindowRect(w.List(), &r);
    driver::MouseTo({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    w.Pump();
    // The first input once a notch can scroll the list, the last a few rows
    // before the end, the rest spread evenly by the rows read between.
    const int first = ListView_GetCountPerPage(w.List()) + 5;
    const int span = kRemoteRows - 10 - first;
    std::vector<double> late;
    int wheels = 0, keys = 0, unanswered = 0;
    w.SearchWhile(kRemoteRows, [&] {
        bool wheeled = false;  // the view left the top by the wheel, not by End
        for (int i = 0; i < kInputs && w.WaitRows(first + i * span / (kInputs - 1)); ++i) {
            // From the top a notch down or End, in turn; back by the same way.
            const bool wheel = w.Top() == 0 ? i % 4 == 0 : wheeled;
            const bool down = w.Top() == 0;
            w.Arm();
            if (wheel) {
                driver::Wheel(down ? -1 : 1);
                ++wheels;
            } else {
                driver::Keys({WORD(down ? VK_END : VK_HOME)});
                ++keys;
            }
            if (down) wheeled = wheel;
            const std::optional<double> ms = w.WaitMoved(kAnswerWaitMs);
            late.push_back(ms.value_or(kAnswerWaitMs));
            if (!ms) ++unanswered;
        }
    });
    std::printf(
        "\nInput during a %d-row search out of process, by SendInput from another thread:\n",
        kRemoteRows);
    if (late.empty()) {
        std::printf("  no input was made: the search ended first  (target: MISSED)\n");
        return;
    }
    std::printf("  %zu inputs (%d a notch of the wheel, %d End or Home), %d unanswered in %lu ms\n",
                late.size(), wheels, keys, unanswered, static_cast<unsigned long>(kAnswerWaitMs));
    std::printf("  from the input to the top row moving: median %.1f ms", Median(late));
    AtMost(Median(late), kMedianTargetMs, "ms");
    std::printf("  worst %.1f ms", Worst(late));
    AtMost(Worst(late), kWorstTargetMs, "ms");
}

}  // namespace bench
