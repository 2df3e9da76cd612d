// Measurement helper for bench/perf_cpu.sh, run under Wine next to a running korvane.exe:
//   perf_bench wait [ms]      waits until the main window answers; exit code 0 when it does
//   perf_bench command <id>   sends WM_COMMAND <id> to the main window (speed choice, exit)
//   perf_bench post <id>      posts WM_COMMAND <id> to the main window (the lock, which returns
//                             only at the unlock); exit code 0 once the lock dialog is up for 32793
//   perf_bench unlock         presses OK in the lock dialog (with no password set, any entry
//                             unlocks) and waits until it has gone
//   perf_bench close          posts the caption's close (the window goes to the notification area)
//   perf_bench refresh <n>    times <n> refreshes of the Performance page (its timer message,
//                             sent from here and answered when the refresh is done, each after
//                             a pause of twice the last one's time), less the cost of an empty
//                             message round trip, and prints the mean
//   perf_bench modules <n>    takes the module list of every process <n> times in its own
//                             process, as a full module walk does, and prints the CPU and the
//                             time of one round; then each process's tool-help list against its
//                             psapi count, and the CPU and time of a round of counts
#include <windows.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

const char kTitle[] = "Windows 任务管理器";
const char kLockTitle[] = "电脑已锁定";

// Waits until a dialog with the title is shown (or, with shown false, has gone).
bool WaitWindow(const char* title, bool shown, DWORD limit)
{
    DWORD start = GetTickCount();
    do {
        HWND hWnd = FindWindowA("#32770", title);
        if ((hWnd && IsWindowVisible(hWnd)) == shown)
            return true;
        Sleep(50);
    } while (GetTickCount() - start < limit);
    return false;
}

HWND MainWindow()
{
    return FindWindowA("#32770", kTitle);
}

struct PageSearch {
    HWND page;
};

BOOL CALLBACK FindPerformancePage(HWND hWnd, LPARAM lParam)
{
    // The page is the child dialog holding the CPU history graph (control 1004).
    if (GetDlgItem(hWnd, 1004) && GetDlgItem(hWnd, 1009)) {
        reinterpret_cast<PageSearch*>(lParam)->page = hWnd;
        return FALSE;
    }
    return TRUE;
}

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b, const LARGE_INTEGER& freq)
{
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(freq.QuadPart);
}

// Mean seconds of one SendMessage of msg/wParam to hWnd.
double TimeMessages(HWND hWnd, UINT msg, WPARAM wParam, int n)
{
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < n; ++i) {
        DWORD_PTR result;
        SendMessageTimeoutA(hWnd, msg, wParam, 0, SMTO_NORMAL, 10000, &result);
    }
    QueryPerformanceCounter(&t1);
    return Seconds(t0, t1, freq) / n;
}

// Mean seconds of one refresh by the page's timer message. The program lets a timer refresh start
// only once twice the last one's cost has passed since it started: each message waits that long.
double TimeTimerMessages(HWND hWnd, int n)
{
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    double sum = 0, last = 0;
    for (int i = 0; i < n; ++i) {
        Sleep(static_cast<DWORD>(2 * last * 1000.0) + 5);
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        DWORD_PTR result;
        SendMessageTimeoutA(hWnd, WM_TIMER, 10, 0, SMTO_NORMAL, 10000, &result);
        QueryPerformanceCounter(&t1);
        last = Seconds(t0, t1, freq);
        sum += last;
    }
    return sum / n;
}

ULONGLONG CpuTime100ns()
{
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return k.QuadPart + u.QuadPart;
}

int TimeModuleLists(int rounds)
{
    DWORD ids[256];
    int processes = 0;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return 1;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap, &pe); ok && processes < 256; ok = Process32Next(snap, &pe))
        ids[processes++] = pe.th32ProcessID;
    CloseHandle(snap);
    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    ULONGLONG cpu0 = CpuTime100ns();
    QueryPerformanceCounter(&t0);
    long modules = 0;
    for (int r = 0; r < rounds; ++r) {
        for (int i = 0; i < processes; ++i) {
            HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, ids[i]);
            if (h == INVALID_HANDLE_VALUE)
                continue;
            MODULEENTRY32 me = {};
            me.dwSize = sizeof me;
            for (BOOL ok = Module32First(h, &me); ok; ok = Module32Next(h, &me))
                ++modules;
            CloseHandle(h);
        }
    }
    QueryPerformanceCounter(&t1);
    ULONGLONG cpu1 = CpuTime100ns();
    printf("module lists of %d processes (%ld modules): %.3f ms of CPU, %.3f ms in all, per round (%d rounds)\n",
           processes, modules / rounds, static_cast<double>(cpu1 - cpu0) / 1e4 / rounds,
           Seconds(t0, t1, freq) * 1000.0 / rounds, rounds);

    // The count alone, as korvane.exe takes it where psapi.dll is at hand: one handle offered,
    // the byte count of the whole list back. The two totals must agree.
    typedef BOOL(WINAPI * EnumModulesFn)(HANDLE, HMODULE*, DWORD, DWORD*);
    HMODULE psapi = LoadLibraryA("psapi.dll");
    EnumModulesFn pEnum = psapi ? reinterpret_cast<EnumModulesFn>(reinterpret_cast<void*>(
                                      GetProcAddress(psapi, "EnumProcessModules")))
                                : nullptr;
    if (!pEnum)
        return 0;
    for (int i = 0; i < processes; ++i) {
        int listed = 0, count = -1;
        HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, ids[i]);
        if (h != INVALID_HANDLE_VALUE) {
            MODULEENTRY32 me = {};
            me.dwSize = sizeof me;
            for (BOOL ok = Module32First(h, &me); ok; ok = Module32Next(h, &me))
                ++listed;
            CloseHandle(h);
        }
        h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]);
        HMODULE first;
        DWORD needed = 0;
        if (h && pEnum(h, &first, sizeof first, &needed))
            count = static_cast<int>(needed / sizeof(HMODULE));
        if (h)
            CloseHandle(h);
        printf("  process %lu: %d listed, %d counted\n", ids[i], listed, count);
    }
    cpu0 = CpuTime100ns();
    QueryPerformanceCounter(&t0);
    long counted = 0;
    for (int r = 0; r < rounds; ++r) {
        for (int i = 0; i < processes; ++i) {
            HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]);
            if (!h)
                continue;
            HMODULE first;
            DWORD needed = 0;
            if (pEnum(h, &first, sizeof first, &needed))
                counted += static_cast<long>(needed / sizeof(HMODULE));
            CloseHandle(h);
        }
    }
    QueryPerformanceCounter(&t1);
    cpu1 = CpuTime100ns();
    printf("module counts of the same processes (%ld modules): %.3f ms of CPU, %.3f ms in all, per round\n",
           counted / rounds, static_cast<double>(cpu1 - cpu0) / 1e4 / rounds, Seconds(t0, t1, freq) * 1000.0 / rounds);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: perf_bench wait [ms] | command <id> | post <id> | unlock | close | refresh <n> |"
                        " modules <n>\n");
        return 2;
    }
    const char* what = argv[1];
    if (strcmp(what, "modules") == 0) {
        int n = argc > 2 ? atoi(argv[2]) : 100;
        return TimeModuleLists(n > 0 ? n : 100);
    }
    if (strcmp(what, "wait") == 0) {
        DWORD limit = argc > 2 ? static_cast<DWORD>(atoi(argv[2])) : 20000;
        DWORD start = GetTickCount();
        while (GetTickCount() - start < limit) {
            HWND hWnd = MainWindow();
            DWORD_PTR result;
            if (hWnd && SendMessageTimeoutA(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result))
                return 0;
            Sleep(100);
        }
        fprintf(stderr, "no main window\n");
        return 1;
    }
    HWND hMain = MainWindow();
    if (!hMain) {
        fprintf(stderr, "no main window\n");
        return 1;
    }
    if (strcmp(what, "command") == 0 && argc > 2) {
        DWORD_PTR result;
        SendMessageTimeoutA(hMain, WM_COMMAND, static_cast<WPARAM>(atoi(argv[2])), 0, SMTO_NORMAL, 5000, &result);
        return 0;
    }
    if (strcmp(what, "post") == 0 && argc > 2) {
        int id = atoi(argv[2]);
        PostMessageA(hMain, WM_COMMAND, static_cast<WPARAM>(id), 0);
        return id != 32793 || WaitWindow(kLockTitle, true, 10000) ? 0 : 1;
    }
    if (strcmp(what, "unlock") == 0) {
        HWND hLock = FindWindowA("#32770", kLockTitle);
        if (!hLock)
            return 1;
        PostMessageA(hLock, WM_COMMAND, IDOK, 0);
        return WaitWindow(kLockTitle, false, 10000) ? 0 : 1;
    }
    if (strcmp(what, "close") == 0) {
        PostMessageA(hMain, WM_SYSCOMMAND, SC_CLOSE, 0);
        DWORD start = GetTickCount();
        while (IsWindowVisible(hMain) && GetTickCount() - start < 5000)
            Sleep(50);
        return IsWindowVisible(hMain) ? 1 : 0;
    }
    if (strcmp(what, "refresh") == 0) {
        int n = argc > 2 ? atoi(argv[2]) : 200;
        if (n <= 0)
            n = 200;
        PageSearch search = {nullptr};
        EnumChildWindows(hMain, FindPerformancePage, reinterpret_cast<LPARAM>(&search));
        if (!search.page) {
            fprintf(stderr, "no Performance page\n");
            return 1;
        }
        double empty = TimeMessages(search.page, WM_NULL, 0, n);
        double refresh = TimeTimerMessages(search.page, n);
        printf("RefreshPerformance: %.3f ms per refresh (%d refreshes; message round trip %.3f ms subtracted)\n",
               (refresh - empty) * 1000.0, n, empty * 1000.0);
        return 0;
    }
    fprintf(stderr, "unknown request %s\n", what);
    return 2;
}
