// Options of the main window under Wine: what Exit and the end of a Windows session save, the check marks of the option and
// speed commands, the autostart entry, closing and minimising.
#include "Harness.h"
#include "process_tab.h"
#include <stdio.h>
#include <algorithm>

using namespace e2e;

namespace {

std::string Settings(const char* name) { return RegText(HKEY_LOCAL_MACHINE, kSettingsKey, name); }
std::string RunEntry() { return RegText(HKEY_LOCAL_MACHINE, kRunKey, "Korvane"); }

const UINT kSpeeds[] = {kCmdSpeedHigh, kCmdSpeedNormal, kCmdSpeedLow, kCmdSpeedPause, kCmdSpeedRealtime};

// The speed command whose item carries the check mark; 0 when none or more than one does.
UINT CheckedSpeed(HWND w)
{
    UINT found = 0;
    int count = 0;
    for (UINT id : kSpeeds) {
        if (MenuChecked(w, id)) {
            found = id;
            ++count;
        }
    }
    return count == 1 ? found : 0;
}

}  // namespace

E2E_TEST(ExitSavesUntoggledFlagsAsMinusOneAndTheSelectedTab)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    CHECK_TRUE(SelectTab(Item(w, kTabControlId), 1));
    CHECK_TRUE(k.Exit());
    EXPECT_EQ(k.ExitCode(), 0u);
    EXPECT_EQ(FindMainWindow(), static_cast<HWND>(nullptr));
    EXPECT_STREQ(Settings("AutoBoot"), "-1");
    EXPECT_STREQ(Settings("HideOnMin"), "-1");
    EXPECT_STREQ(Settings("Topmost"), "-1");
    EXPECT_STREQ(Settings("ShowPage"), "1");
    EXPECT_STREQ(Settings("RefreshSpeed"), "0");
    EXPECT_STREQ(Settings("Version"), "1");

    // The next start shows the saved tab.
    Korvane again;
    HWND w2 = again.StartReady();
    CHECK_TRUE(w2);
    EXPECT_EQ(TabCurSel(Item(w2, kTabControlId)), 1);
    EXPECT_TRUE(again.Exit());
}

// Windows ends the process once WM_ENDSESSION is answered: the settings must be saved by then,
// and a takeover ended as Exit would.
E2E_TEST(EndOfTheSessionSavesTheSettingsAndEndsTheTakeover)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    CHECK_TRUE(SendCommand(w, kCmdTopmost));
    CHECK_TRUE(SendCommand(w, kCmdSpeedLow));
    DWORD_PTR r = 0;
    // A session end that was called off saves nothing.
    CHECK_TRUE(SendMessageTimeoutA(w, WM_ENDSESSION, FALSE, 0, SMTO_NORMAL, 5000, &r));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, "Topmost"));
    CHECK_TRUE(PostCommand(w, kCmdTakeover));
    CHECK_TRUE(WaitUntil([&] { return MenuChecked(w, kCmdTakeover); }));
    CHECK_TRUE(SendMessageTimeoutA(w, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 10000, &r));
    EXPECT_STREQ(Settings("Topmost"), "0");
    EXPECT_STREQ(Settings("RefreshSpeed"), "2");
    EXPECT_FALSE(MenuChecked(w, kCmdTakeover));
    EXPECT_EQ(GetPriorityClass(k.Process()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(OptionTogglesMoveCheckMarksAndAreSaved)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    CHECK_TRUE(IsTopmost(w));

    CHECK_TRUE(SendCommand(w, kCmdTopmost));
    EXPECT_FALSE(MenuChecked(w, kCmdTopmost));
    EXPECT_FALSE(IsTopmost(w));
    CHECK_TRUE(SendCommand(w, kCmdHideOnMin));
    EXPECT_FALSE(MenuChecked(w, kCmdHideOnMin));
    EXPECT_TRUE(IsVisible(w));  // the present state does not change
    CHECK_TRUE(k.Exit());
    EXPECT_STREQ(Settings("Topmost"), "0");
    EXPECT_STREQ(Settings("HideOnMin"), "0");
    EXPECT_STREQ(Settings("AutoBoot"), "-1");

    // Off after a restart; toggled again they come back on and are saved as 1.
    HWND w2 = k.StartReady();
    CHECK_TRUE(w2);
    EXPECT_FALSE(MenuChecked(w2, kCmdTopmost));
    EXPECT_FALSE(MenuChecked(w2, kCmdHideOnMin));
    EXPECT_TRUE(MenuChecked(w2, kCmdAutoBoot));
    EXPECT_FALSE(IsTopmost(w2));
    CHECK_TRUE(SendCommand(w2, kCmdTopmost));
    CHECK_TRUE(SendCommand(w2, kCmdHideOnMin));
    EXPECT_TRUE(MenuChecked(w2, kCmdTopmost));
    EXPECT_TRUE(MenuChecked(w2, kCmdHideOnMin));
    EXPECT_TRUE(IsTopmost(w2));
    CHECK_TRUE(k.Exit());
    EXPECT_STREQ(Settings("Topmost"), "1");
    EXPECT_STREQ(Settings("HideOnMin"), "1");
}

E2E_TEST(AutostartToggleRewritesTheRunEntry)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    const std::string command = "\"" + KorvaneDir() + "\\korvane.exe\" AUTOBOOT";
    CHECK_STREQ(RunEntry(), command);

    // Off removes the entry at once, not at the end: the shell would try to start any value
    // there at each start of Windows.
    CHECK_TRUE(SendCommand(w, kCmdAutoBoot));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kRunKey, "Korvane"));
    EXPECT_FALSE(MenuChecked(w, kCmdAutoBoot));

    CHECK_TRUE(SendCommand(w, kCmdAutoBoot));
    EXPECT_STREQ(RunEntry(), command);
    EXPECT_TRUE(MenuChecked(w, kCmdAutoBoot));
    CHECK_TRUE(k.Exit());
    EXPECT_STREQ(Settings("AutoBoot"), "1");
}

// The check mark follows "AutoBoot" alone: the Run entry is neither compared nor rewritten at
// start-up. Switching autostart on names the folder recorded in "Directory".
E2E_TEST(AutostartFollowsTheSavedFlagAndTheRecordedDirectory)
{
    ResetKorvaneRegistry();
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Directory", "C:\\elsewhere");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "AutoBoot", "0");
    WriteRegValue(HKEY_LOCAL_MACHINE, kRunKey, "Korvane", "C:\\old\\korvane.exe AUTOBOOT");
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    EXPECT_FALSE(MenuChecked(w, kCmdAutoBoot));
    EXPECT_STREQ(RunEntry(), "C:\\old\\korvane.exe AUTOBOOT");

    CHECK_TRUE(SendCommand(w, kCmdAutoBoot));
    EXPECT_TRUE(MenuChecked(w, kCmdAutoBoot));
    DWORD type = 0;
    std::string run;
    EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, kRunKey, "Korvane", &run, &type));
    EXPECT_STREQ(run, "\"C:\\elsewhere\\korvane.exe\" AUTOBOOT");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    CHECK_TRUE(SendCommand(w, kCmdAutoBoot));
    EXPECT_FALSE(MenuChecked(w, kCmdAutoBoot));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kRunKey, "Korvane"));
    CHECK_TRUE(k.Exit());
    EXPECT_STREQ(Settings("AutoBoot"), "0");
    EXPECT_STREQ(Settings("Directory"), "C:\\elsewhere");
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kRunKey, "Korvane"));
}

E2E_TEST(UpdateSpeedMovesTheCheckMarkAndIsSaved)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    EXPECT_EQ(CheckedSpeed(w), static_cast<UINT>(kCmdSpeedHigh));
    for (UINT id : {kCmdSpeedRealtime, kCmdSpeedPause, kCmdSpeedLow, kCmdSpeedHigh, kCmdSpeedNormal}) {
        CHECK_TRUE(SendCommand(w, id));
        EXPECT_EQ(CheckedSpeed(w), id);
    }
    // Refresh now still answers while paused or not.
    CHECK_TRUE(SendCommand(w, kCmdRefreshNow));
    CHECK_TRUE(k.Exit());
    EXPECT_STREQ(Settings("RefreshSpeed"), "1");

    HWND w2 = k.StartReady();
    CHECK_TRUE(w2);
    EXPECT_EQ(CheckedSpeed(w2), static_cast<UINT>(kCmdSpeedNormal));
    CHECK_TRUE(SendCommand(w2, kCmdSpeedPause));
    CHECK_TRUE(k.Exit());
    EXPECT_STREQ(Settings("RefreshSpeed"), "3");
}

E2E_TEST(OutOfRangeSpeedLoadsAsHighSpeed)
{
    for (const char* bad : {"7", "-1", "abc"}) {
        ResetKorvaneRegistry();
        WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
        WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "RefreshSpeed", bad);
        WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "HideOnMin", "0");
        Korvane k;
        HWND w = k.StartReady();
        CHECK_TRUE(w);
        // No stray check mark on a neighbouring item (32778 - 1 is hide-on-minimise).
        EXPECT_EQ(CheckedSpeed(w), static_cast<UINT>(kCmdSpeedHigh));
        EXPECT_FALSE(MenuChecked(w, kCmdHideOnMin));
        CHECK_TRUE(k.Exit());
        EXPECT_STREQ(Settings("RefreshSpeed"), "0");
    }
}

E2E_TEST(CloseHidesAndKeepsRunningCtrlTShows)
{
    ResetKorvaneRegistry();
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "HideOnMin", "0");  // hidden all the same
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    CHECK_TRUE(WaitUntil([&] { return IsVisible(w); }, 2000));
    CHECK_TRUE(PostSysCommand(w, SC_CLOSE));
    EXPECT_TRUE(WaitUntil([&] { return !IsVisible(w); }, 3000));
    Sleep(300);
    EXPECT_TRUE(IsMinimized(w));  // minimised and hidden
    EXPECT_FALSE(IsVisible(w));
    EXPECT_TRUE(k.Running());
    EXPECT_TRUE(IsWindow(w));
    EXPECT_TRUE(HotKeyTaken(MOD_CONTROL, 'T'));
    CHECK_TRUE(PressKeys({VK_CONTROL, 'T'}));
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w) && !IsMinimized(w); }, 3000));
    EXPECT_TRUE(k.Exit());
}

// A close message sent straight to the window (not through the system menu) is the dialog's
// cancel: the window is hidden, the program goes on and Ctrl+T brings it back.
E2E_TEST(CloseMessageOnlyHidesTheWindow)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    CHECK_TRUE(WaitUntil([&] { return IsVisible(w); }, 2000));
    CHECK_TRUE(PostMessageA(w, WM_CLOSE, 0, 0));
    EXPECT_TRUE(WaitUntil([&] { return !IsVisible(w); }, 3000));
    Sleep(300);
    EXPECT_TRUE(k.Running());
    EXPECT_TRUE(IsWindow(w));
    CHECK_TRUE(PressKeys({VK_CONTROL, 'T'}));
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w) && !IsMinimized(w); }, 3000));
    EXPECT_TRUE(k.Exit());
    EXPECT_STREQ(Settings("Topmost"), "-1");
}

E2E_TEST(MinimiseHidesOnlyWithHideOnMin)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND w = k.StartReady();  // hide-on-minimise absent: on
    CHECK_TRUE(w);
    CHECK_TRUE(WaitUntil([&] { return IsVisible(w); }, 2000));
    CHECK_TRUE(PostSysCommand(w, SC_MINIMIZE));
    EXPECT_TRUE(WaitUntil([&] { return !IsVisible(w); }, 3000));
    EXPECT_TRUE(k.Running());
    CHECK_TRUE(PressKeys({VK_CONTROL, 'T'}));
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w) && !IsMinimized(w); }, 3000));

    CHECK_TRUE(SendCommand(w, kCmdHideOnMin));
    CHECK_TRUE(SendCommand(w, kCmdRestore));
    CHECK_TRUE(WaitUntil([&] { return IsVisible(w) && !IsMinimized(w); }, 3000));
    CHECK_TRUE(PostSysCommand(w, SC_MINIMIZE));
    EXPECT_TRUE(WaitUntil([&] { return IsMinimized(w); }, 3000));
    Sleep(300);
    EXPECT_TRUE(IsVisible(w));

    // Maximise and size are ignored.
    CHECK_TRUE(SendCommand(w, kCmdRestore));
    CHECK_TRUE(WaitUntil([&] { return !IsMinimized(w); }, 3000));
    RECT before, after;
    GetWindowRect(w, &before);
    CHECK_TRUE(PostSysCommand(w, SC_MAXIMIZE));
    CHECK_TRUE(Sync(w));
    GetWindowRect(w, &after);
    EXPECT_FALSE(IsZoomed(w));
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(HotKeysAreBoundUntilExit)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND w = k.StartReady("AUTOBOOT");
    CHECK_TRUE(w);
    EXPECT_TRUE(HotKeyTaken(MOD_CONTROL, 'T'));
    EXPECT_TRUE(HotKeyTaken(MOD_CONTROL | MOD_ALT, 'L'));
    EXPECT_TRUE(HotKeyTaken(MOD_CONTROL | MOD_ALT, VK_INSERT));
    CHECK_TRUE(k.Exit());
    EXPECT_FALSE(HotKeyTaken(MOD_CONTROL, 'T'));
    EXPECT_FALSE(HotKeyTaken(MOD_CONTROL | MOD_ALT, 'L'));
    EXPECT_FALSE(HotKeyTaken(MOD_CONTROL | MOD_ALT, VK_INSERT));
    // A new instance binds Ctrl+T again and a real key press reaches it.
    Korvane again;
    HWND w2 = again.StartReady("AUTOBOOT");
    CHECK_TRUE(w2);
    CHECK_TRUE(PressKeys({VK_CONTROL, 'T'}));
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w2); }, 3000));
    EXPECT_TRUE(again.Exit());
}

// A combination another program holds is given up silently: no message, the other hot keys
// and the program work as usual.
E2E_TEST(AHotKeyHeldElsewhereIsSkippedSilently)
{
    ResetKorvaneRegistry();
    CHECK_TRUE(RegisterHotKey(nullptr, 1, MOD_CONTROL, 'T'));
    Korvane k;
    HWND w = k.StartReady();
    if (!w)
        UnregisterHotKey(nullptr, 1);
    CHECK_TRUE(w);
    Sleep(500);
    EXPECT_TRUE(FindDialogs(k.Pid()).empty());
    EXPECT_TRUE(IsVisible(w));
    EXPECT_TRUE(HotKeyTaken(MOD_CONTROL | MOD_ALT, 'L'));
    EXPECT_TRUE(HotKeyTaken(MOD_CONTROL | MOD_ALT, VK_INSERT));
    UnregisterHotKey(nullptr, 1);
    EXPECT_FALSE(HotKeyTaken(MOD_CONTROL, 'T'));  // the program did not take it over
    EXPECT_TRUE(SendCommand(w, kCmdTopmost));
    EXPECT_FALSE(MenuChecked(w, kCmdTopmost));
    EXPECT_TRUE(k.Exit());
}

namespace {

// The CPU counter in Wine's dynamic registry, which korvane.exe in the same wineserver reads.
const char kStatData[] = "PerfStats\\StatData";
const char kCpuCounter[] = "KERNEL\\CPUUsage";

bool SetCpuCounter(int percent)
{
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_DYN_DATA, kStatData, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    DWORD value = static_cast<DWORD>(percent);
    LONG rc = RegSetValueExA(h, kCpuCounter, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

void ClearCpuCounter()
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_DYN_DATA, kStatData, 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS)
        return;
    RegDeleteValueA(h, kCpuCounter);
    RegCloseKey(h);
}

HWND FocusOf(HWND w)
{
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof gti;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(w, nullptr), &gti))
        return nullptr;
    return gti.hwndFocus;
}

}  // namespace

// The program's own message loop does no dialog navigation: Tab, Enter and Esc mean nothing in the
// main window and its pages, while F5 refreshes every page at once, also when paused.
E2E_TEST(InTheMainWindowOnlyF5MeansSomething)
{
    ResetKorvaneRegistry();
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "ShowPage", "2");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "RefreshSpeed", "0");
    CHECK_TRUE(SetCpuCounter(21));
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    CHECK_TRUE(WaitUntil([&] { return ItemText(w, 1003) == "CPU使用:21%"; }, 5000));

    // Paused, the Performance page takes no new reading: the status bar repeats the old one.
    CHECK_TRUE(SendCommand(w, kCmdSpeedPause));
    CHECK_TRUE(SetCpuCounter(63));
    Sleep(1200);
    EXPECT_STREQ(ItemText(w, 1003), "CPU使用:21%");

    SetForegroundWindow(w);
    CHECK_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 3000));
    HWND focus = FocusOf(w);
    CHECK_TRUE(focus != nullptr);
    for (BYTE vk : {static_cast<BYTE>(VK_TAB), static_cast<BYTE>(VK_RETURN), static_cast<BYTE>(VK_ESCAPE)})
        EXPECT_TRUE(PressKeys({vk}));
    Sleep(300);
    EXPECT_TRUE(Sync(w));
    EXPECT_TRUE(IsVisible(w));
    EXPECT_FALSE(IsMinimized(w));
    EXPECT_TRUE(FocusOf(w) == focus);
    EXPECT_TRUE(FindDialogs(k.Pid()).empty());
    EXPECT_STREQ(ItemText(w, 1003), "CPU使用:21%");

    EXPECT_TRUE(PressKeys({VK_F5}));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(w, 1003) == "CPU使用:63%"; }, 3000));
    EXPECT_TRUE(k.Exit());
    ClearCpuCounter();
}

namespace {

// Milliseconds between readings of the Performance page, seen through the status bar (which must
// tick much faster): the counter is given a new value once the last one has shown. The middle of
// three intervals, so that one late timer message on a loaded machine does not decide.
DWORD ReadingInterval(HWND w, int& value)
{
    DWORD t[4] = {};
    for (DWORD& at : t) {
        value = value >= 90 ? 10 : value + 1;
        if (!SetCpuCounter(value))
            return 0;
        std::string want = "CPU使用:" + std::to_string(value) + "%";
        if (!WaitUntil([&] { return ItemText(w, 1003) == want; }, 9000, 10))
            return 0;
        at = GetTickCount();
    }
    DWORD d[3] = {t[1] - t[0], t[2] - t[1], t[3] - t[2]};
    std::sort(d, d + 3);
    return d[1];
}

}  // namespace

// A speed chosen from the menu re-arms the Performance page's timer with the menu's period
// (一般 is 1000 ms here, 2000 ms only when loaded at start-up); the status bar keeps its own.
E2E_TEST(ChosenSpeedSetsThePerformancePagePeriod)
{
    ResetKorvaneRegistry();
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "RefreshSpeed", "4");  // status bar every 50 ms
    CHECK_TRUE(SetCpuCounter(5));
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    int value = 5;
    struct Expected {
        UINT command;
        DWORD low, high;
    };
    const Expected speeds[] = {
        {kCmdSpeedNormal, 800, 1500},
        {kCmdSpeedHigh, 350, 900},
        {kCmdSpeedLow, 4500, 6500},
    };
    for (const Expected& e : speeds) {
        CHECK_TRUE(SendCommand(w, e.command));
        DWORD interval = ReadingInterval(w, value);
        if (!EXPECT_TRUE(interval >= e.low && interval <= e.high))
            printf("    command %u: %lu ms between readings\n", e.command, static_cast<unsigned long>(interval));
    }
    EXPECT_TRUE(k.Exit());
    ClearCpuCounter();
}

// Choosing a speed, the same one included, takes a reading at once: paused, the status bar picks
// up a new counter value only after the choice.
E2E_TEST(ChoosingASpeedRefreshesThePerformancePageAtOnce)
{
    ResetKorvaneRegistry();
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "RefreshSpeed", "0");  // status bar every 500 ms
    CHECK_TRUE(SetCpuCounter(12));
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    CHECK_TRUE(WaitUntil([&] { return ItemText(w, 1003) == "CPU使用:12%"; }, 5000));
    CHECK_TRUE(SendCommand(w, kCmdSpeedPause));
    CHECK_TRUE(SetCpuCounter(47));
    Sleep(1200);
    CHECK_STREQ(ItemText(w, 1003), "CPU使用:12%");
    CHECK_TRUE(SendCommand(w, kCmdSpeedPause));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(w, 1003) == "CPU使用:47%"; }, 2000));
    // 低速 waits 5 s for its first tick; the reading comes with the choice.
    CHECK_TRUE(SetCpuCounter(71));
    CHECK_TRUE(SendCommand(w, kCmdSpeedLow));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(w, 1003) == "CPU使用:71%"; }, 2000));
    EXPECT_TRUE(k.Exit());
    ClearCpuCounter();
}

namespace {

struct PageSearch {
    int id1, id2;
    HWND found;
};

BOOL CALLBACK FindPageWith(HWND h, LPARAM lParam)
{
    PageSearch* search = reinterpret_cast<PageSearch*>(lParam);
    if (GetDlgItem(h, search->id1) && GetDlgItem(h, search->id2)) {
        search->found = h;
        return FALSE;
    }
    return TRUE;
}

// The page of the main window that holds both controls.
HWND PageWith(HWND main, int id1, int id2)
{
    PageSearch search = {id1, id2, nullptr};
    EnumChildWindows(main, FindPageWith, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// KillTimer run inside the program: 1 when the window had the timer (which is then gone).
DWORD KillTimerInProgram(HWND main, HWND wnd, UINT id)
{
    DWORD killed = 2;
    RemoteCall(main, "user32.dll", "KillTimer", {static_cast<DWORD>(reinterpret_cast<UINT_PTR>(wnd)), id}, &killed);
    return killed;
}

}  // namespace

// Paused means no timer at all: some versions of Windows replace a period above
// USER_TIMER_MAXIMUM (the 0xFFFFFFFF of -1) by a small one.
E2E_TEST(PausedSpeedStopsTheTimersInsteadOfArmingThem)
{
    ResetKorvaneRegistry();
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "RefreshSpeed", "3");
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    HWND perf = PageWith(w, 1004, 1009);
    HWND apps = PageWith(w, 1017, 1006);
    HWND procs = FindProcessPage(w);
    CHECK_TRUE(perf && apps && procs);
    // Loaded paused: neither the status bar's nor the Performance page's timer runs.
    EXPECT_EQ(KillTimerInProgram(w, w, 10), 0u);
    EXPECT_EQ(KillTimerInProgram(w, perf, 10), 0u);
    // The Processes page keeps its second: the probe finds a timer that is there.
    EXPECT_EQ(KillTimerInProgram(w, procs, 10), 1u);
    // Chosen from the menu: the Applications and Performance pages' timers are stopped.
    CHECK_TRUE(SendCommand(w, kCmdSpeedHigh));
    CHECK_TRUE(SendCommand(w, kCmdSpeedPause));
    EXPECT_EQ(KillTimerInProgram(w, apps, 10), 0u);
    EXPECT_EQ(KillTimerInProgram(w, perf, 10), 0u);
    EXPECT_TRUE(k.Exit());
}
