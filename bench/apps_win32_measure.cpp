// Measured under Wine: one refresh pass of the Applications page's logic over the real desktop with
// 100 extra windows listed, and one hang-check pass over 20 windows, none hung and one hung, with
// the real probe (a 50 ms null message per window). Prints the figures; checks nothing.
// Run: scripts/wine-run.sh BUILD_DIR BUILD_DIR/bench/win32/apps_win32_measure.exe
#include "apps/MemoryTopWindows.h"
#include "apps/TaskList.h"
#include "apps/TopWindowsWin32.h"
#include "common/MemoryListRows.h"
#include <stdio.h>
#include <vector>

namespace {

const UINT WM_BENCH_HANG = WM_APP + 1;

LRESULT CALLBACK BenchWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_BENCH_HANG) {
        Sleep(static_cast<DWORD>(wParam));
        return 0;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

struct WindowSet {
    int count;
    const char* prefix;
    std::vector<HWND> windows;
    HANDLE ready;
};

// Opens the windows on this thread and runs their message loop.
DWORD WINAPI WindowThread(LPVOID param)
{
    WindowSet* set = static_cast<WindowSet*>(param);
    for (int i = 0; i < set->count; ++i) {
        char title[64];
        snprintf(title, sizeof title, "%s %d", set->prefix, i);
        HWND h = CreateWindowExA(0, "KorvaneBench", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10 + i, 10 + i, 200,
                                 80, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        set->windows.push_back(h);
    }
    SetEvent(set->ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

void OpenOnThread(WindowSet& set)
{
    set.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id;
    CloseHandle(CreateThread(nullptr, 0, WindowThread, &set, 0, &id));
    WaitForSingleObject(set.ready, INFINITE);
}

double Now()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return 1000.0 * static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace

int main()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BenchWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KorvaneBench";
    RegisterClassA(&wc);

    WindowSet many{100, "Bench window", {}, nullptr};
    OpenOnThread(many);

    MemoryListRows rows;
    CTopWindowsWin32 windows;
    MemoryIconImages images;
    CTaskList list(rows, windows, images);
    double t0 = Now();
    list.RefreshWindowList();
    double first = Now() - t0;
    const int kSteady = 20;
    t0 = Now();
    for (int i = 0; i < kSteady; ++i)
        list.RefreshWindowList();
    double steady = (Now() - t0) / kSteady;
    printf("refresh pass, %d listed windows: first pass %.1f ms, steady pass %.2f ms\n", rows.GetCount(), first, steady);

    // 19 windows on one thread and one on a thread of its own that can be hung.
    WindowSet calm{19, "Probe window", {}, nullptr};
    WindowSet lone{1, "Probe lone", {}, nullptr};
    OpenOnThread(calm);
    OpenOnThread(lone);
    MemoryListRows probed;
    std::vector<HWND> all(calm.windows);
    all.push_back(lone.windows[0]);
    for (HWND h : all) {
        int row = probed.Insert(probed.GetCount(), "w", 0);
        char text[16];
        snprintf(text, sizeof text, "%d", FromHwnd(h));
        probed.SetText(row, kColHandle, text);
    }
    CWindowProbeWin32 probe;
    CHangStatus statuses(probed);
    t0 = Now();
    RunHangCheckPass(probe, statuses, nullptr);
    double calmPass = Now() - t0;
    PostMessageA(lone.windows[0], WM_BENCH_HANG, 5000, 0);
    Sleep(100);
    t0 = Now();
    RunHangCheckPass(probe, statuses, nullptr);
    double hungPass = Now() - t0;
    int hung = 0;
    for (int i = 0; i < probed.GetCount(); ++i)
        hung += probed.Cell(i, kColStatus) == kStatusNotResponding;
    printf("hang-check pass over %d windows: none hung %.0f ms; one hung %.0f ms (%d marked not responding)\n",
           probed.GetCount(), calmPass, hungPass, hung);
    fflush(stdout);
    ExitProcess(0);  // the window threads end with the process
}
