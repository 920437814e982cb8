// Long use: searches and adds in turn against the in-process host, and what
// the process holds meanwhile.
#include <windows.h>
// after windows.h
#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/bench.h"
#include "bench/window_win.h"
#include "standin/model/objects_win.h"

namespace bench {
namespace {

constexpr int kSoakRounds = 200;

// What the process holds. Wine answers the system's counters with 0
// (GetGuiResources, GetProcessHandleCount, PrivateUsage); there the handles
// are counted in the system's handle list, the GDI objects in the process's
// GDI handle table, the USER objects as its windows, and the private bytes
// read as the commit charge (PagefileUsage, the same figure on Windows).
struct Usage {
    long gdi = 0, user = 0, handles = 0;
    double privateMb = 0;
};

long HandlesInSystemList() {
    struct Entry {  // SYSTEM_HANDLE_TABLE_ENTRY_INFO
        USHORT pid, creatorBackTraceIndex;
        UCHAR type, attributes;
        USHORT handle;
        void* object;
        ACCESS_MASK access;
    };
    constexpr auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
    std::vector<ULONG_PTR> buffer(1 << 18);
    ULONG size = 0;
    while (NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                    static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR)),
                                    &size) != 0) {
        if (size <= buffer.size() * sizeof(ULONG_PTR)) return 0;
        buffer.resize(size / sizeof(ULONG_PTR) + 1024);
    }
    const ULONG count = static_cast<ULONG>(buffer[0]);
    const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + 1);
    const auto self = static_cast<USHORT>(GetCurrentProcessId());
    return long(
        std::count_if(entries, entries + count, [self](const Entry& e) { return e.pid == self; }));
}

long GdiObjectsInTable() {
    struct Entry {  // GDI_HANDLE_ENTRY: a used entry has a type
        ULONG64 object;
        ULONG owner;
        USHORT unique;
        UCHAR type, flags;
        ULONG64 user;
    };
    constexpr size_t kTableOffset = 0xF8;  // PEB.GdiSharedHandleTable on x64
    constexpr int kEntries = 0x10000;
    PROCESS_BASIC_INFORMATION info = {};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info,
                                  nullptr) != 0)
        return 0;
    const auto* peb = reinterpret_cast<const char*>(info.PebBaseAddress);
    const auto* table = *reinterpret_cast<const Entry* const*>(peb + kTableOffset);
    return table
               ? long(std::count_if(table, table + kEntries, [](const Entry& e) { return e.type; }))
               : 0;
}

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM count) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId()) return TRUE;
    ++*reinterpret_cast<long*>(count);
    EnumChildWindows(hwnd, CountWindow, count);
    return TRUE;
}

Usage Held() {
    const HANDLE self = GetCurrentProcess();
    Usage u;
    u.gdi = static_cast<long>(GetGuiResources(self, GR_GDIOBJECTS));
    if (u.gdi == 0) u.gdi = GdiObjectsInTable();
    u.user = static_cast<long>(GetGuiResources(self, GR_USEROBJECTS));
    if (u.user == 0) EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&u.user));
    DWORD handles = 0;
    GetProcessHandleCount(self, &handles);
    u.handles = handles ? static_cast<long>(handles) : HandlesInSystemList();
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
        Fail("no memory counters");
    u.privateMb = Mb(pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage);
    return u;
}

}  // namespace

// What the process holds after the first two searches and every 50th. The
// first add's boxes load what they keep for later (fonts, icons), so the
// growth counts from the second search on.
void MeasureLongUse(Window& w, standin::InProcessHost& host) {
    standin::AppState& state = host.state();
    state.documents.push_back({L"Soak quote", {}});
    state.active = static_cast<int>(state.documents.size()) - 1;
    w.Choose(kRemoteDatabase);
    std::printf("\nLong use: %d searches of %d rows and %d adds, in turn (in-process host):\n",
                kSoakRounds, kRemoteRows, kSoakRounds);
    std::printf("  %-22s %8s %8s %8s %14s\n", "", "GDI", "USER", "handles", "private bytes");
    Usage second, last;
    for (int round = 1; round <= kSoakRounds; ++round) {
        w.Search(kRemoteRows);
        w.Pump();
        last = Held();
        if (round == 2) second = last;
        if (round <= 2 || round % 50 == 0)
            std::printf("  after search %-9d %8ld %8ld %8ld %11.1f MB\n", round, last.gdi,
                        last.user, last.handles, last.privateMb);
        w.AddFirstRow();
    }
    // One object a round would add 198; caches filled once add a few.
    const long leak = (kSoakRounds - 2) / 10;
    const bool flat = last.gdi - second.gdi < leak && last.user - second.user < leak &&
                      last.handles - second.handles < leak &&
                      last.privateMb - second.privateMb < 1.0;
    std::printf("  growth from search 2 to %d: GDI %+ld, USER %+ld, handles %+ld, %+.2f MB  (%s)\n",
                kSoakRounds, last.gdi - second.gdi, last.user - second.user,
                last.handles - second.handles, last.privateMb - second.privateMb,
                flat ? "flat" : "GROWING");
    std::printf("  lines added to the quote: %zu\n",
                state.documents[static_cast<size_t>(state.active)].lines.size());
}

}  // namespace bench
