// The quick takeover, driven from outside: child processes started here in different priority
// classes go idle while the program runs real-time, and get their own classes back afterwards.
#include "protect_e2e_helpers.h"
#include <stdio.h>
#include <string.h>
#include <vector>

using namespace e2e;
using namespace protect_e2e;

namespace {

const char kSleeperArg[] = "--protect-sleeper";

// Started with kSleeperArg, this program is only a child process to be lowered: it waits and ends.
struct SleeperMode {
    SleeperMode()
    {
        if (strstr(GetCommandLineA(), kSleeperArg)) {
            Sleep(120000);
            ExitProcess(0);
        }
    }
} g_sleeperMode;

// Child processes of this program in given priority classes, ended when this goes.
class Children {
public:
    ~Children()
    {
        for (PROCESS_INFORMATION& pi : m_children) {
            TerminateProcess(pi.hProcess, 0);
            WaitForSingleObject(pi.hProcess, 5000);
            CloseHandle(pi.hProcess);
        }
    }
    HANDLE Start(DWORD priorityClass)
    {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, sizeof self);
        std::string cmd = std::string("\"") + self + "\" " + kSleeperArg;
        std::vector<char> line(cmd.begin(), cmd.end());
        line.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return nullptr;
        CloseHandle(pi.hThread);
        m_children.push_back(pi);
        // Wine ignores a class given to CreateProcess, so it is set afterwards.
        SetPriorityClass(pi.hProcess, priorityClass);
        return pi.hProcess;
    }

private:
    std::vector<PROCESS_INFORMATION> m_children;
};

bool TakeoverChecked(HWND w)
{
    return MenuChecked(w, kCmdTakeover);
}

}  // namespace

E2E_TEST(TakeoverIdlesEveryOtherProcessAndPutsEachClassBack)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    Children children;
    const DWORD classes[] = {NORMAL_PRIORITY_CLASS, HIGH_PRIORITY_CLASS, IDLE_PRIORITY_CLASS, NORMAL_PRIORITY_CLASS};
    std::vector<HANDLE> child;
    for (DWORD c : classes)
        child.push_back(children.Start(c));
    for (size_t i = 0; i < child.size(); ++i) {
        CHECK_TRUE(child[i]);
        CHECK_EQ(GetPriorityClass(child[i]), classes[i]);
    }
    SetPriorityClass(child[3], BELOW_NORMAL_PRIORITY_CLASS);  // a class Windows 9x does not have
    DWORD belowNormal = GetPriorityClass(child[3]);
    DWORD ownBefore = GetPriorityClass(GetCurrentProcess());
    EXPECT_EQ(GetPriorityClass(k.Process()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_FALSE(TakeoverChecked(w));

    PostCommand(w, kCmdTakeover);
    CHECK_TRUE(WaitUntil([&] { return TakeoverChecked(w); }));
    EXPECT_TRUE(Sync(w));  // the command has run to its end
    EXPECT_EQ(GetPriorityClass(k.Process()), static_cast<DWORD>(REALTIME_PRIORITY_CLASS));
    for (HANDLE h : child)
        EXPECT_EQ(GetPriorityClass(h), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(IDLE_PRIORITY_CLASS));

    // The cover over the whole screen, the main window restored above it.
    HWND cover = FindCover(k.Pid());
    CHECK_TRUE(cover);
    EXPECT_TRUE(IsTopmost(cover));
    EXPECT_TRUE(IsVisible(w));
    EXPECT_TRUE(IsTopmost(w));
    EXPECT_TRUE(WaitUntil([&] { return IsAbove(w, cover); }, 3000));
    // The system keys are off: the platform is told that a screen saver runs.
    EXPECT_TRUE(ScreenSaverRunning(w));
    // Another resolution: the cover spans the new screen again, still below the main window.
    CHECK_TRUE(SetWindowPos(cover, nullptr, 40, 30, 200, 100, SWP_NOZORDER | SWP_NOACTIVATE));
    DWORD_PTR r = 0;
    EXPECT_TRUE(SendMessageTimeoutA(cover, WM_DISPLAYCHANGE, 24,
                                    MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)),
                                    SMTO_NORMAL, 3000, &r));
    EXPECT_TRUE(CoversScreen(cover));
    EXPECT_TRUE(IsAbove(w, cover));

    // Minimising is ignored, and so is the lock (menu command and hot key).
    PostSysCommand(w, SC_MINIMIZE);
    PostCommand(w, kCmdLock);
    EXPECT_TRUE(PressKeys({VK_CONTROL, VK_MENU, 'L'}));
    Sleep(500);
    EXPECT_TRUE(Sync(w));
    EXPECT_FALSE(IsMinimized(w));
    EXPECT_TRUE(IsVisible(w));
    EXPECT_TRUE(FindDialogs(k.Pid()).size() == 1u && FindDialogs(k.Pid())[0] == cover);
    EXPECT_TRUE(TakeoverChecked(w));

    // The hot key ends it: every class back, the program high, the cover gone.
    EXPECT_TRUE(PressKeys({VK_CONTROL, VK_MENU, VK_INSERT}));
    CHECK_TRUE(WaitUntil([&] { return !TakeoverChecked(w); }));
    EXPECT_TRUE(Sync(w));
    EXPECT_EQ(GetPriorityClass(k.Process()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(GetPriorityClass(child[i]), classes[i]);
    EXPECT_EQ(GetPriorityClass(child[3]), belowNormal);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), ownBefore);
    EXPECT_EQ(CountCovers(k.Pid()), 0);
    EXPECT_TRUE(IsVisible(w));
    EXPECT_FALSE(ScreenSaverRunning(w));
    // Out of the topmost band again unless "always on top" is chosen.
    EXPECT_EQ(IsTopmost(w), MenuChecked(w, kCmdTopmost));
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(TakeoverAgainStartsFromTheClassesOfThatMoment)
{
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    Children children;
    HANDLE child = children.Start(NORMAL_PRIORITY_CLASS);
    CHECK_TRUE(child);
    for (int round = 0; round < 2; ++round) {
        PostCommand(w, kCmdTakeover);
        CHECK_TRUE(WaitUntil([&] { return TakeoverChecked(w); }));
        EXPECT_EQ(GetPriorityClass(child), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
        PostCommand(w, kCmdTakeover);
        CHECK_TRUE(WaitUntil([&] { return !TakeoverChecked(w); }));
        EXPECT_EQ(GetPriorityClass(child), static_cast<DWORD>(round == 0 ? NORMAL_PRIORITY_CLASS : HIGH_PRIORITY_CLASS));
        SetPriorityClass(child, HIGH_PRIORITY_CLASS);
    }
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(ExitDuringTakeoverEndsItThenTheProgram)
{
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    Children children;
    HANDLE child = children.Start(HIGH_PRIORITY_CLASS);
    CHECK_TRUE(child);
    PostCommand(w, kCmdTakeover);
    CHECK_TRUE(WaitUntil([&] { return TakeoverChecked(w); }));
    EXPECT_EQ(GetPriorityClass(child), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
    EXPECT_TRUE(k.Exit(10000));
    EXPECT_FALSE(k.Running());
    EXPECT_EQ(GetPriorityClass(child), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
}

E2E_TEST(CloseDuringTakeoverEndsIt)
{
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    Children children;
    HANDLE child = children.Start(NORMAL_PRIORITY_CLASS);
    CHECK_TRUE(child);
    PostCommand(w, kCmdTakeover);
    CHECK_TRUE(WaitUntil([&] { return TakeoverChecked(w); }));
    PostSysCommand(w, SC_CLOSE);
    CHECK_TRUE(WaitUntil([&] { return !TakeoverChecked(w); }, 15000));
    EXPECT_EQ(GetPriorityClass(child), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    EXPECT_TRUE(WaitUntil([&] { return !IsVisible(w); }, 15000));
    EXPECT_EQ(CountCovers(k.Pid()), 0);
    EXPECT_TRUE(k.Running());
    EXPECT_TRUE(k.Exit(15000));
    ResetKorvaneRegistry();
}

E2E_TEST(ProcessesStartedOrEndedDuringTakeoverAreLeftAlone)
{
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    Children children;
    HANDLE stays = children.Start(NORMAL_PRIORITY_CLASS);
    HANDLE ends = children.Start(HIGH_PRIORITY_CLASS);
    CHECK_TRUE(stays && ends);
    PostCommand(w, kCmdTakeover);
    CHECK_TRUE(WaitUntil([&] { return TakeoverChecked(w); }));
    EXPECT_TRUE(Sync(w));
    EXPECT_EQ(GetPriorityClass(ends), static_cast<DWORD>(IDLE_PRIORITY_CLASS));

    // One lowered process ends; a new one starts, in a class of its own.
    TerminateProcess(ends, 0);
    CHECK_EQ(WaitForSingleObject(ends, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    // A class no step of the takeover gives: neither saved, nor idle, nor the program's own.
    HANDLE started = children.Start(BELOW_NORMAL_PRIORITY_CLASS);
    CHECK_TRUE(started);
    CHECK_EQ(GetPriorityClass(started), static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS));

    PostCommand(w, kCmdTakeover);
    CHECK_TRUE(WaitUntil([&] { return !TakeoverChecked(w); }));
    EXPECT_TRUE(Sync(w));
    EXPECT_EQ(GetPriorityClass(stays), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(started), static_cast<DWORD>(BELOW_NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(k.Process()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_EQ(CountCovers(k.Pid()), 0);
    EXPECT_TRUE(k.Running());
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(TakeoverFromTheTrayAndTheHotKeyShowsTheHiddenWindowAboveTheCover)
{
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    HWND page = TrayPage(w);
    CHECK_TRUE(page);
    Children children;
    HANDLE child = children.Start(NORMAL_PRIORITY_CLASS);
    CHECK_TRUE(child);
    PostSysCommand(w, SC_CLOSE);  // into the tray
    CHECK_TRUE(WaitUntil([&] { return !IsVisible(w); }));

    // Ctrl+Alt+Ins while hidden: the takeover starts and restores the window above the cover.
    EXPECT_TRUE(PressKeys({VK_CONTROL, VK_MENU, VK_INSERT}));
    CHECK_TRUE(WaitUntil([&] { return TakeoverChecked(w); }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w) && !IsMinimized(w); }, 10000));
    HWND cover = FindCover(k.Pid());
    CHECK_TRUE(cover);
    EXPECT_TRUE(WaitUntil([&] { return IsAbove(w, cover); }, 3000));
    // The user can go on at the keyboard in the main window.
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 3000));
    EXPECT_EQ(GetPriorityClass(child), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(k.Process()), static_cast<DWORD>(REALTIME_PRIORITY_CLASS));
    // When the keyboard drops to nowhere, it comes back to the window above the cover.
    SetForegroundWindow(GetDesktopWindow());
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 3000));

    // The tray's lock is ignored during the takeover like the menu's.
    CHECK_TRUE(TrayCommand(page, 'l'));
    Sleep(500);
    EXPECT_TRUE(Sync(w));
    EXPECT_TRUE(FindDialogs(k.Pid()).size() == 1u && FindDialogs(k.Pid())[0] == cover);
    EXPECT_TRUE(ScreenSaverRunning(w));

    // "快速接管(&I)" in the tray menu ends it.
    CHECK_TRUE(TrayCommand(page, 'i'));
    CHECK_TRUE(WaitUntil([&] { return !TakeoverChecked(w); }, 10000));
    EXPECT_TRUE(Sync(w));
    EXPECT_EQ(GetPriorityClass(child), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(GetPriorityClass(k.Process()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_EQ(CountCovers(k.Pid()), 0);
    EXPECT_TRUE(IsVisible(w));
    EXPECT_FALSE(ScreenSaverRunning(w));

    // And starts it again.
    CHECK_TRUE(TrayCommand(page, 'i'));
    CHECK_TRUE(WaitUntil([&] { return TakeoverChecked(w); }, 10000));
    EXPECT_TRUE(Sync(w));
    EXPECT_EQ(GetPriorityClass(child), static_cast<DWORD>(IDLE_PRIORITY_CLASS));
    EXPECT_TRUE(FindCover(k.Pid()) != nullptr);
    EXPECT_TRUE(k.Exit(10000));
    EXPECT_EQ(GetPriorityClass(child), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    ResetKorvaneRegistry();
}
