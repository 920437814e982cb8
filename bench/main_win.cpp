// skuvane_bench: how fast the search window lists what the host finds.
//
// The real frmMain runs in the real window, over the real automation layer,
// first against the stand-in host's object model registered in this very
// process, so that a host call costs well under a microsecond and the
// program's own costs are what the figures show; then against the stand-in
// in a process of its own, as the user has it. Prints figures with their
// targets; it checks nothing and fails only when it cannot measure.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdio>
#include <exception>

#include "bench/bench.h"
#include "bench/window_win.h"
#include "standin/client/process_win.h"
#include "standin/model/objects_win.h"
#include "standin/model/text_win.h"

namespace bench {
namespace {

int RunBenchmark() {
    std::printf("skuvane_bench: the search window against the stand-in host\n");
    const standin_client::Registration registration;
    if (!registration.ok()) Fail("the stand-in host cannot be registered");

    standin::InProcessHost host;
    std::wstring error;
    if (!host.LoadDirectory(standin::DefaultDataDirectory(), &error)) Fail(standin::Utf8(error));
    if (!host.Generate(kSmallDatabase, kSmallRows) || !host.Generate(kLargeDatabase, kLargeRows) ||
        !host.Generate(kRemoteDatabase, kRemoteRows)) {
        Fail("the bench databases cannot be generated");
    }
    Check(host.Register(), "registering the in-process host");

    Window w;
    MeasureMemory(w);
    MeasureFirstPaint(w);
    const OwnTime own = MeasureOwnTime(w);
    MeasureResultList(w);
    MeasureColumns(w);
    MeasureFindAndFilter(w);
    MeasureLongUse(w, host);

    // The host in its own process, as the user has it: every call crosses.
    host.Revoke();
    nlohmann::json scenario = {
        {"generate", {{"name", standin::Utf8(kRemoteDatabase)}, {"count", kRemoteRows}}},
        {"log", ""}};
    standin_client::StandIn remote(scenario);
    if (!remote.Start()) Fail("the out-of-process stand-in did not start");
    MeasureOutOfProcess(w, own);
    MeasureInput(w);
    MeasureThumbDrag(w);
    remote.Stop();
    return 0;
}

}  // namespace
}  // namespace bench

int main() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                                 ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    int rc;
    try {
        rc = bench::RunBenchmark();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "skuvane_bench: %s\n", e.what());
        rc = 1;
    }
    std::fflush(stdout);
    CoUninitialize();
    return rc;
}
