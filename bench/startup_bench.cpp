// Start-up time and memory of korvane.exe under Wine: from CreateProcess to a ready main window
// (start-up finished, three tabs, answering WM_NULL from its message loop), warm (the settings
// exist, the wineserver runs), and the working set and private bytes of the ready program.
// With more exes named, they take turns run by run, so that all see the same machine load.
// Prints each run and the medians. Usage: korvane_startup_bench.exe [runs] [other korvane.exe ...]
#include "Harness.h"
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {
struct Figures {
    std::string exe;
    std::vector<double> ms;
    std::vector<double> workingSetK;
    std::vector<double> privateK;
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// One start of exe; false when it did not come up.
bool Measure(Figures& f, bool keep)
{
    _putenv(("KORVANE_EXE=" + f.exe).c_str());
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    e2e::Korvane k;
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    if (!k.Start("AUTOBOOT")) {
        printf("%s: start failed\n", f.exe.c_str());
        return false;
    }
    HWND w = nullptr;
    DWORD begin = GetTickCount();
    while (!w && k.Running() && GetTickCount() - begin < 10000) {
        w = k.ReadyWindow();
        if (!w)
            Sleep(1);
    }
    QueryPerformanceCounter(&t1);
    if (!w) {
        printf("%s: no ready window\n", f.exe.c_str());
        return false;
    }
    double ms = 1000.0 * (t1.QuadPart - t0.QuadPart) / freq.QuadPart;
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(k.Process(), &pmc, sizeof pmc);
    if (keep) {
        f.ms.push_back(ms);
        f.workingSetK.push_back(pmc.WorkingSetSize / 1024.0);
        f.privateK.push_back(pmc.PagefileUsage / 1024.0);
        printf("%s: run %zu: %.1f ms, working set %lu K, private %lu K\n", f.exe.c_str(), f.ms.size(), ms,
               static_cast<unsigned long>(pmc.WorkingSetSize / 1024), static_cast<unsigned long>(pmc.PagefileUsage / 1024));
    }
    k.Exit();
    return true;
}
}  // namespace

int main(int argc, char** argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 9;
    if (runs < 1)
        runs = 1;
    std::vector<Figures> exes(1);
    exes[0].exe = e2e::KorvaneExe();
    for (int i = 2; i < argc; ++i) {
        exes.emplace_back();
        exes.back().exe = argv[i];
    }
    e2e::EndStrayKorvanes();
    for (int i = 0; i <= runs; ++i) {  // run 0 warms up (and writes the settings on a fresh prefix)
        for (Figures& f : exes) {
            if (!Measure(f, i > 0))
                return 1;
        }
    }
    for (const Figures& f : exes) {
        std::vector<double> sorted = f.ms;
        std::sort(sorted.begin(), sorted.end());
        printf("%s: startup to ready window: median %.1f ms, min %.1f ms, max %.1f ms (%d runs); "
               "working set median %.0f K, private bytes median %.0f K\n",
               f.exe.c_str(), Median(f.ms), sorted.front(), sorted.back(), runs, Median(f.workingSetK),
               Median(f.privateK));
    }
    return 0;
}
