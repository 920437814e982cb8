// The result list at its fullest, one row selected and focused: a header's
// sort by a number column and by a text column, and a typed key that begins
// no row, so that every row is compared.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdio>

#include "bench/bench.h"
#include "bench/window_win.h"

namespace bench {
namespace {

constexpr double kSortTargetMs = 100;
constexpr double kFindTargetMs = 50;
constexpr int kPriceColumn = 5;       // UnitPrice: numbers
constexpr int kPartNumberColumn = 3;  // ManufacturerPartNumber: text, every cell another
constexpr int kRuns = 6;

// From the header's click to the rows, the arrow and the selection shown again.
double Sort(Window& w, int column, bool descending) {
    const int64_t t0 = Ticks();
    w.ListView().Sort(column, descending);
    const double ms = SinceMs(t0);
    w.Pump();
    return ms;
}

// A typed key as the list receives it.
double Type(Window& w, wchar_t key) {
    const int64_t t0 = Ticks();
    SendMessageW(w.List(), WM_CHAR, key, 1);
    return SinceMs(t0);
}

}  // namespace

void MeasureResultList(Window& w) {
    w.Choose(kLargeDatabase);
    w.Search(kLargeRows);
    ListView_SetItemState(w.List(), kLargeRows / 2, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    std::vector<double> byNumber, byText, typed;
    for (int i = 0; i < kRuns; ++i) {
        byNumber.push_back(Sort(w, kPriceColumn, i % 2 != 0));
        byText.push_back(Sort(w, kPartNumberColumn, i % 2 != 0));
        typed.push_back(Type(w, L'~'));
    }
    std::printf("\nThe result list at %d rows (median of %d):\n", kLargeRows, kRuns);
    std::printf("  sort by a number column (UnitPrice): %.1f ms", Median(byNumber));
    AtMost(Median(byNumber), kSortTargetMs, "ms");
    std::printf("  sort by a text column (ManufacturerPartNumber): %.1f ms", Median(byText));
    AtMost(Median(byText), kSortTargetMs, "ms");
    std::printf("  a typed key, every row compared: %.2f ms", Median(typed));
    AtMost(Median(typed), kFindTargetMs, "ms");
}

}  // namespace bench
