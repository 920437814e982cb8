#include "bench/find_win.h"

// after windows.h
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/find_dialog_win.h"
#include "platform/win32/list_view_win.h"

namespace {

constexpr double kKeyMedianTargetMs = 30, kKeyWorstTargetMs = 60, kFindNextTargetMs = 30;
constexpr double kMemoryTargetMb = 100;
constexpr int kFindRuns = 7;
// Typed a key at a time: the rows narrow with each key, down to one
// vendor's; then deleted a key at a time, each widening them again.
constexpr wchar_t kTyped[] = L"Nordic Light";
constexpr wchar_t kNowhere[] = L"no row has this";

using Clock = std::chrono::steady_clock;

// From `act` to the list and the status line drawn again.
template <class F>
double Timed(HWND list, F act) {
    const auto t0 = Clock::now();
    act();
    RedrawWindow(GetParent(list), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double Median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + std::ssize(v) / 2, v.end());
    return v[v.size() / 2];
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

}  // namespace

void PrintFindAndFilter(HWND list) {
    HWND window = GetParent(list);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(win32::ListViewWin::kFindCommand, 1),
                 reinterpret_cast<LPARAM>(list));
    HWND box = FindWindowW(L"#32770", L"Find");
    HWND edit = GetDlgItem(box, win32::kFindWhatId);
    const auto press = [box](WORD id) { SendMessageW(box, WM_COMMAND, MAKEWPARAM(id, 0), 0); };
    if (!box) {
        std::printf("\nFind and filter: the Find window did not open\n");
        return;
    }
    const int all = ListView_GetItemCount(list);
    // The filter set with an empty text shows every row; each key then
    // narrows or widens it, live.
    SetWindowTextW(edit, L"");
    press(win32::kFindFilterId);
    std::vector<double> keys;
    int fewest = all;
    for (const wchar_t* c = kTyped; *c; ++c) {
        keys.push_back(Timed(list, [&] { SendMessageW(edit, WM_CHAR, *c, 1); }));
        fewest = std::min(fewest, ListView_GetItemCount(list));
    }
    for (size_t n = std::size(kTyped) - 1; n > 0; --n) {
        keys.push_back(Timed(list, [&] { SendMessageW(edit, WM_CHAR, VK_BACK, 1); }));
    }
    const int after = ListView_GetItemCount(list);
    const double median = Median(keys), worst = *std::max_element(keys.begin(), keys.end());
    std::printf("\nFind and filter at %d rows, every column shown:\n", all);
    std::printf(
        "  a key in the filter (\"%ls\" typed, %d rows at the fewest, then deleted; %zu keys):\n",
        kTyped, fewest, keys.size());
    std::printf(
        "    median %.1f ms  (target <= %.0f ms: %s), worst %.1f ms  (target <= %.0f ms: %s)\n",
        median, kKeyMedianTargetMs, Verdict(median <= kKeyMedianTargetMs), worst, kKeyWorstTargetMs,
        Verdict(worst <= kKeyWorstTargetMs));
    press(win32::kFindShowAllId);

    // Find Next from the middle row with a text no row has: every shown cell
    // of every row read, round to where it began.
    SetWindowTextW(edit, kNowhere);
    ListView_SetItemState(list, all / 2, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    std::vector<double> finds;
    for (int i = 0; i < kFindRuns; ++i) finds.push_back(Timed(list, [&] { press(IDOK); }));
    const double find = Median(finds);
    std::printf(
        "  Find Next round the list without a match (median of %d): %.1f ms  (target <= %.0f ms: "
        "%s)\n",
        kFindRuns, find, kFindNextTargetMs, Verdict(find <= kFindNextTargetMs));
    press(IDCANCEL);

    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    const double peak = double(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
    std::printf(
        "  peak working set so far: %.1f MB  (target <= %.0f MB: %s); every row again: %s\n", peak,
        kMemoryTargetMb, Verdict(peak <= kMemoryTargetMb), after == all ? "yes" : "NO");
}
