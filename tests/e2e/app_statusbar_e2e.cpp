// The main window's status bar under Wine: the three fields' formats, the process count of a
// fresh snapshot, and its own timer, which keeps the start-up period whatever speed is chosen.
#include "Harness.h"
#include <stdio.h>
#include <string.h>
#include <tlhelp32.h>
#include <algorithm>

using namespace e2e;

namespace {

const int kFieldProcesses = 1010;
const int kFieldCpu = 1003;
const int kFieldMemory = 1015;

// Makes the next start a normal start at the given update-speed index.
void WriteSpeed(const char* speed)
{
    ResetKorvaneRegistry();
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "RefreshSpeed", speed);
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "HideOnMin", "0");
}

int SystemProcessCount()
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return -1;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    int n = 0;
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe))
        ++n;
    CloseHandle(snap);
    return n;
}

// The number after the text's fixed prefix, -1 when the text is not prefix + decimal digits
// followed by exactly `suffix`.
int NumberAfter(const std::string& text, const char* prefix, const char* suffix)
{
    size_t len = strlen(prefix);
    if (text.compare(0, len, prefix) != 0)
        return -1;
    int value = -1;
    int used = 0;
    if (sscanf(text.c_str() + len, "%d%n", &value, &used) != 1)
        return -1;
    return text.substr(len + static_cast<size_t>(used)) == suffix ? value : -1;
}

// Empties a field from outside, so that the next write of the status bar shows.
void ClearField(HWND w, int id)
{
    SendMessageTimeoutA(Item(w, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""), SMTO_ABORTIFHUNG, 2000, nullptr);
}

}  // namespace

E2E_TEST(FieldsShowProcessCountCpuAndMemoryInTheirFormats)
{
    WriteSpeed("0");  // 500 ms
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    // The count is that of a fresh system-wide snapshot; processes may come and go meanwhile.
    EXPECT_TRUE(WaitUntil([&] { return NumberAfter(ItemText(w, kFieldProcesses), "进程数:", "") == SystemProcessCount(); },
                          5000, 100));
    EXPECT_TRUE(NumberAfter(ItemText(w, kFieldProcesses), "进程数:", "") >= 2);  // this test and the program

    int cpu = NumberAfter(ItemText(w, kFieldCpu), "CPU使用:", "%");
    EXPECT_TRUE(cpu >= 0 && cpu <= 100);

    // "内存使用 <available>K/<total>K" once the Performance page has measured.
    std::string memory;
    int avail = -1, total = -1;
    EXPECT_TRUE(WaitUntil([&] {
        memory = ItemText(w, kFieldMemory);
        return sscanf(memory.c_str(), "内存使用 %dK/%dK", &avail, &total) == 2 && total > 0;
    }, 5000, 100));
    char rebuilt[64];
    snprintf(rebuilt, sizeof rebuilt, "内存使用 %dK/%dK", avail, total);
    EXPECT_STREQ(memory, rebuilt);
    EXPECT_TRUE(avail > 0 && avail <= total);
    // The second number is the machine's physical memory in K, as the system reports it here too.
    MEMORYSTATUS ms = {};
    ms.dwLength = sizeof ms;
    GlobalMemoryStatus(&ms);
    EXPECT_EQ(total, static_cast<int>(ms.dwTotalPhys >> 10));
    CHECK_TRUE(k.Exit());
}

E2E_TEST(PausedAtStartUpTheStatusBarNeverTicksNotEvenAfterASpeedChange)
{
    WriteSpeed("3");  // paused
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    Sleep(1500);
    EXPECT_STREQ(ItemText(w, kFieldProcesses), "");
    // Choosing a speed re-arms the pages' timers, never the status bar's.
    CHECK_TRUE(SendCommand(w, kCmdSpeedRealtime));
    Sleep(1500);
    EXPECT_STREQ(ItemText(w, kFieldProcesses), "");
    EXPECT_STREQ(ItemText(w, kFieldMemory), "");
    CHECK_TRUE(k.Exit());
}

E2E_TEST(PausingFromTheMenuLeavesTheStatusBarTicking)
{
    WriteSpeed("0");
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    CHECK_TRUE(WaitUntil([&] { return !ItemText(w, kFieldProcesses).empty(); }, 3000, 50));
    CHECK_TRUE(SendCommand(w, kCmdSpeedPause));
    ClearField(w, kFieldProcesses);
    ClearField(w, kFieldCpu);
    EXPECT_STREQ(ItemText(w, kFieldProcesses), "");
    // Still every 500 ms: all three fields are written again.
    EXPECT_TRUE(WaitUntil([&] { return NumberAfter(ItemText(w, kFieldProcesses), "进程数:", "") > 0; }, 2000, 50));
    EXPECT_TRUE(NumberAfter(ItemText(w, kFieldCpu), "CPU使用:", "%") >= 0);
    CHECK_TRUE(k.Exit());
}

namespace {

// Milliseconds between writes of the field: emptied from outside after one write, it is watched
// until the next one fills it. The middle of three intervals, so that one late timer message on a
// loaded machine does not decide; 0 when a write did not come within 9 s.
DWORD TickInterval(HWND w, int id)
{
    DWORD t[4] = {};
    for (DWORD& at : t) {
        ClearField(w, id);
        if (!WaitUntil([&] { return !ItemText(w, id).empty(); }, 9000, 10))
            return 0;
        at = GetTickCount();
    }
    DWORD d[3] = {t[1] - t[0], t[2] - t[1], t[3] - t[2]};
    std::sort(d, d + 3);
    return d[1];
}

}  // namespace

// Loaded at start-up, "一般" is 2000 ms (not the menu's 1000 ms), and a later choice from the menu
// never re-arms the status bar.
E2E_TEST(StatusBarRunsAtTheLoadedPeriodWhateverIsChosenLater)
{
    WriteSpeed("1");
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    DWORD interval = TickInterval(w, kFieldProcesses);
    if (!EXPECT_TRUE(interval >= 1800 && interval <= 3000))
        printf("    %lu ms between writes at start-up\n", static_cast<unsigned long>(interval));
    CHECK_TRUE(SendCommand(w, kCmdSpeedRealtime));
    interval = TickInterval(w, kFieldCpu);
    if (!EXPECT_TRUE(interval >= 1800 && interval <= 3000))
        printf("    %lu ms between writes after choosing 实时\n", static_cast<unsigned long>(interval));
    CHECK_TRUE(k.Exit());

    WriteSpeed("0");
    HWND w2 = k.StartReady();
    CHECK_TRUE(w2);
    interval = TickInterval(w2, kFieldMemory);
    if (!EXPECT_TRUE(interval >= 400 && interval <= 1000))
        printf("    %lu ms between writes at 高速\n", static_cast<unsigned long>(interval));
    CHECK_TRUE(k.Exit());
}
