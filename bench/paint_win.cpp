// First paint: the list's first screen painted after a search, every visible
// cell fetched from the row model and drawn, the header with it.
#include <algorithm>
#include <cstdio>

#include "bench/bench.h"
#include "bench/window_win.h"

namespace bench {
namespace {

constexpr double kPaintTargetMs = 50;
constexpr int kPaints = 6;

std::vector<double> PaintsAfterSearches(Window& w, const wchar_t* database, int rows) {
    w.Choose(database);
    std::vector<double> ms;
    for (int i = 0; i < kPaints; ++i) {
        w.Search(rows);
        ms.push_back(w.Paint());
        w.Pump();
    }
    return ms;
}

}  // namespace

void MeasureFirstPaint(Window& w) {
    const std::vector<double> large = PaintsAfterSearches(w, kLargeDatabase, kLargeRows);
    const std::vector<double> small = PaintsAfterSearches(w, kSmallDatabase, kSmallRows);
    std::printf("\nFirst screen of the list painted after a search (%d searches each):\n", kPaints);
    // The first paint of the run's searches, and the usual one.
    std::printf("  %d rows: first %.1f ms, median %.1f ms", kLargeRows, large[0], Median(large));
    AtMost(std::max(large[0], Median(large)), kPaintTargetMs, "ms");
    std::printf("  %d rows: median %.1f ms\n", kSmallRows, Median(small));
}

}  // namespace bench
