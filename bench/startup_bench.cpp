// Start-up time of korvane.exe under Wine: from CreateProcess to a ready main window (found,
// three tabs, answering WM_NULL), warm (the settings exist, the wineserver runs). Prints each
// run and the median in milliseconds. Usage: korvane_startup_bench.exe [runs]
#include "Harness.h"
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <vector>

int main(int argc, char** argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 9;
    if (runs < 1)
        runs = 1;
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    e2e::EndStrayKorvanes();
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {  // run 0 warms up (and writes the settings on a fresh prefix)
        e2e::Korvane k;
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        if (!k.Start("AUTOBOOT")) {
            printf("start failed\n");
            return 1;
        }
        HWND w = nullptr;
        DWORD begin = GetTickCount();
        while (!w && k.Running() && GetTickCount() - begin < 10000) {
            HWND h = e2e::FindMainWindow(k.Pid());
            if (h && e2e::IsReady(h))
                w = h;
            else
                Sleep(1);
        }
        QueryPerformanceCounter(&t1);
        if (!w) {
            printf("no ready window\n");
            return 1;
        }
        double ms = 1000.0 * (t1.QuadPart - t0.QuadPart) / freq.QuadPart;
        if (i > 0) {
            times.push_back(ms);
            printf("run %d: %.1f ms\n", i, ms);
        }
        k.Exit();
    }
    std::sort(times.begin(), times.end());
    printf("startup to ready window: median %.1f ms, min %.1f ms, max %.1f ms (%d runs)\n",
           times[times.size() / 2], times.front(), times.back(), runs);
    return 0;
}
