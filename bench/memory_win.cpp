// Memory: the working set of the process holding the most rows a search
// lists, the host's data included.
#include <windows.h>
// after windows.h
#include <psapi.h>

#include <cstdio>

#include "bench/bench.h"
#include "bench/window_win.h"

namespace bench {
namespace {

constexpr double kMemoryTargetMb = 100;

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc)) Fail("no memory counters");
    return pmc;
}

}  // namespace

// The run's first search: nothing held before it.
void MeasureMemory(Window& w) {
    w.Choose(kLargeDatabase);
    w.Pump();
    const PROCESS_MEMORY_COUNTERS before = Memory();
    const double firstSearch = w.Search(kLargeRows);
    w.Paint();
    w.Pump();
    const PROCESS_MEMORY_COUNTERS holding = Memory();

    std::printf("\nMemory (working set of this process, host data included):\n");
    std::printf("  before the search: %.1f MB (peak so far %.1f MB)\n", Mb(before.WorkingSetSize),
                Mb(before.PeakWorkingSetSize));
    std::printf("  holding %d rows: %.1f MB, peak %.1f MB", kLargeRows, Mb(holding.WorkingSetSize),
                Mb(holding.PeakWorkingSetSize));
    AtMost(Mb(holding.PeakWorkingSetSize), kMemoryTargetMb, "MB");
    std::printf("  the rows' share: %.1f MB; the run's first %d-row search took %.1f ms\n",
                Mb(holding.WorkingSetSize) - Mb(before.WorkingSetSize), kLargeRows, firstSearch);
}

}  // namespace bench
