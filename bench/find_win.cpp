// Finding and filtering at the bench's fullest list, every column shown.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "bench/bench.h"
#include "bench/window_win.h"
#include "platform/win32/find_dialog_win.h"
#include "platform/win32/list_view_win.h"

namespace bench {
namespace {

constexpr double kKeyMedianTargetMs = 30, kKeyWorstTargetMs = 60, kFindNextTargetMs = 30;
constexpr double kMemoryTargetMb = 100;
constexpr int kFindRuns = 7;
// Typed a key at a time, each narrowing the rows, down to one vendor's;
// then deleted a key at a time, each widening them again.
constexpr wchar_t kTyped[] = L"Nordic Light";
constexpr wchar_t kNowhere[] = L"no row has this";

// From `act` to the list and the status line drawn again.
template <class F>
double Timed(HWND list, F act) {
    const int64_t t0 = Ticks();
    act();
    RedrawWindow(GetParent(list), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    return SinceMs(t0);
}

}  // namespace

// The Find window opened by Ctrl+F's command, its filter set, then keys
// typed into "Find what" as the edit receives them; then Find Next with a
// text no row has, from the middle row round to it. The list is full.
void MeasureFindAndFilter(Window& w) {
    const HWND list = w.List();
    SendMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(win32::ListViewWin::kFindCommand, 1),
                 reinterpret_cast<LPARAM>(list));
    const HWND box = FindWindowW(L"#32770", L"Find");
    if (!box) Fail("the Find window did not open");
    const HWND edit = GetDlgItem(box, win32::kFindWhatId);
    const auto press = [box](WORD id) { SendMessageW(box, WM_COMMAND, MAKEWPARAM(id, 0), 0); };
    const int all = ListView_GetItemCount(list);
    SetWindowTextW(edit, L"");
    press(win32::kFindFilterId);  // every row: the empty text is in every cell
    std::vector<double> keys;
    keys.reserve(2 * wcslen(kTyped));
    int fewest = all;
    for (const wchar_t* c = kTyped; *c; ++c) {
        keys.push_back(Timed(list, [&] { SendMessageW(edit, WM_CHAR, *c, 1); }));
        fewest = std::min(fewest, ListView_GetItemCount(list));
    }
    while (GetWindowTextLengthW(edit) > 0)
        keys.push_back(Timed(list, [&] { SendMessageW(edit, WM_CHAR, VK_BACK, 1); }));
    if (ListView_GetItemCount(list) != all) Fail("the filter emptied shows other than every row");
    press(win32::kFindShowAllId);

    SetWindowTextW(edit, kNowhere);
    ListView_SetItemState(list, all / 2, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    std::vector<double> finds;
    finds.reserve(kFindRuns);
    for (int i = 0; i < kFindRuns; ++i) finds.push_back(Timed(list, [&] { press(IDOK); }));
    press(IDCANCEL);

    std::printf("\nFind and filter at %d rows, every column shown:\n", all);
    std::printf(
        "  a key in the filter, \"%ls\" typed and deleted (%zu keys, %d rows at the fewest):\n",
        kTyped, keys.size(), fewest);
    std::printf("    median %.1f ms", Median(keys));
    AtMost(Median(keys), kKeyMedianTargetMs, "ms");
    std::printf("    worst %.1f ms", Worst(keys));
    AtMost(Worst(keys), kKeyWorstTargetMs, "ms");
    std::printf("  Find Next round the list without a match (median of %d): %.1f ms", kFindRuns,
                Median(finds));
    AtMost(Median(finds), kFindNextTargetMs, "ms");
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc)) Fail("no memory counters");
    std::printf("  peak working set of the run so far: %.1f MB", Mb(pmc.PeakWorkingSetSize));
    AtMost(Mb(pmc.PeakWorkingSetSize), kMemoryTargetMb, "MB");
}

}  // namespace bench
