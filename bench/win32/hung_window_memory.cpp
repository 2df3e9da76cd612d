// Measured under Wine: the resident memory of korvane.exe's Wine process over a long run at the
// fastest update speed, on the Applications page, next to a window that stays hung the whole
// time. Prints one line a minute and the growth after the warm-up; checks nothing.
//   hung_window_memory.exe [minutes [warm-up minutes [hung]]]   (default 60, 2 and 1)
// With hung 0 the window never hangs: the same run without the hang, to compare against.
// Run: bench/hung_window_memory.sh [minutes] (its own copy of the build tree and Wine prefix).
#include "tests/e2e/apps_e2e_util.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

using namespace apps_e2e;

namespace {

const char kHungTitle[] = "Bench hung window";

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    double minutes = argc >= 2 ? atof(argv[1]) : 60.0;
    double warmMinutes = argc >= 3 ? atof(argv[2]) : 2.0;
    const bool hang = argc < 4 || atoi(argv[3]) != 0;
    if (minutes <= 0)
        minutes = 60.0;
    const DWORD duration = static_cast<DWORD>(minutes * 60000.0);
    const DWORD warmUp = static_cast<DWORD>(warmMinutes * 60000.0);

    EndStrayKorvanes();
    ResetKorvaneRegistry();
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "ShowPage", "0");
    Korvane k;
    HWND main = k.StartReady("", 20000);
    HWND page = main ? AppsPage(main) : nullptr;
    HWND list = page ? GetDlgItem(page, 1001) : nullptr;
    if (!list) {
        printf("korvane.exe did not start\n");
        return 1;
    }
    SendCommand(main, kCmdSpeedRealtime);
    TestWindows window("\"w:" + std::string(kHungTitle) + "\"");
    if (!window.Process()) {
        printf("the test window program did not start\n");
        return 1;
    }
    HWND hung = window.Wait(kHungTitle);
    WaitUntil([&] { return FindRow(list, hung) >= 0; }, 10000, 100);
    if (hang)
        PostMessageA(hung, kTestHang, duration + 600000, 0);

    // The newest of each in this prefix, or -1.
    std::vector<int> korvanes = FindUnixPids("korvane.exe"), servers = FindUnixPids("wineserver");
    int unixPid = korvanes.empty() ? -1 : korvanes[0];
    int serverPid = servers.empty() ? -1 : servers[0];
    printf("korvane.exe process %lu (Linux %d), wineserver Linux %d, %s window %p, %.1f minutes, warm-up %.1f\n",
           k.Pid(), unixPid, serverPid, hang ? "hung" : "responding", static_cast<void*>(hung), minutes, warmMinutes);
    printf("minute  VmRSS K  RssAnon K  wineserver VmRSS K  status of the hung window\n");
    const DWORD start = GetTickCount();
    long warmRss = -1, warmAnon = -1, warmServer = -1, lastRss = -1, lastAnon = -1, lastServer = -1, peakRss = -1;
    int notResponding = 0, samples = 0;
    for (DWORD minute = 0;; ++minute) {
        DWORD due = start + minute * 60000;
        while (static_cast<LONG>(GetTickCount() - due) < 0)
            Sleep(200);
        if (!k.Running()) {
            DWORD code = 0;
            GetExitCodeProcess(k.Process(), &code);
            printf("korvane.exe ended after %lu s, exit code 0x%08lX\n", (GetTickCount() - start) / 1000, code);
            break;
        }
        lastRss = ReadStatusK(unixPid, "VmRSS:");
        lastAnon = ReadStatusK(unixPid, "RssAnon:");
        lastServer = ReadStatusK(serverPid, "VmRSS:");
        std::string status = StatusOf(list, hung);
        ++samples;
        notResponding += status == kNotResponding;
        printf("%6lu  %7ld  %9ld  %18ld  %s\n", minute, lastRss, lastAnon, lastServer, status.c_str());
        if (warmRss < 0 && minute * 60000 >= warmUp) {
            warmRss = lastRss;
            warmAnon = lastAnon;
            warmServer = lastServer;
        }
        if (warmRss >= 0 && lastRss > peakRss)
            peakRss = lastRss;
        if (minute * 60000 >= duration)
            break;
    }
    printf("growth after the warm-up: VmRSS %+ld K (highest %+ld K), RssAnon %+ld K, wineserver %+ld K; %d of %d "
           "samples showed the window as not responding\n",
           lastRss - warmRss, peakRss - warmRss, lastAnon - warmAnon, lastServer - warmServer, notResponding, samples);
    return 0;  // the test window program ends with its object
}
