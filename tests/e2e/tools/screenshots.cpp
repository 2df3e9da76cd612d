// Takes the pictures shown in the README: each tab, the new-task dialog, the lock screen and the
// help file's contents topic in the help viewer.
// Run by scripts/screenshots.sh inside a Wine virtual desktop (so windows have captions); writes
// BMP files into the folder given as its argument.
#include "Harness.h"
#include "../apps_e2e_util.h"
#include <stdio.h>
#include <string>

using namespace e2e;
using namespace apps_e2e;

namespace {

std::string g_dir = ".";

bool Shot(HWND hwnd, const char* name)
{
    std::string path = g_dir + "\\" + name + ".bmp";
    bool ok = SaveWindowBitmap(hwnd, path.c_str());
    printf("%s %s\n", ok ? "wrote" : "could not write", path.c_str());
    return ok;
}

HWND FindDialogTitled(DWORD pid, const char* title)
{
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND h : FindDialogs(pid)) {
            if (WindowText(h) == title)
                found = h;
        }
        return found != nullptr;
    }, 5000);
    return found;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        g_dir = argv[1];
    EndStrayKorvanes();
    ResetKorvaneRegistry();
    TestWindows windows("\"w:无标题 - 记事本\" \"w:报表.doc - 文字处理\" \"w:计算器\"");
    windows.Wait("计算器");

    Korvane k;
    HWND hMain = k.StartReady();
    if (!hMain) {
        printf("korvane.exe did not start\n");
        return 1;
    }
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "NewTask0", "notepad.exe");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "NewTask1", "http://www.marrowfen.example/");
    SetWindowPos(hMain, nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    HWND hTab = GetDlgItem(hMain, kTabControlId);
    const char* names[] = {"applications", "processes", "performance"};
    int failures = 0;
    for (int i = 0; i < 3; ++i) {
        SelectTab(hTab, i);
        Sleep(i == 2 ? 8000 : 4000);  // the hang check marks the windows; the graphs fill in
        failures += !Shot(hMain, names[i]);
    }

    SelectTab(hTab, 0);
    PostCommand(hMain, kCmdNewTask);
    HWND hNewTask = FindDialogTitled(k.Pid(), "创建新任务");
    if (hNewTask) {
        Sleep(500);
        failures += !Shot(hNewTask, "newtask");
        PostMessageA(hNewTask, WM_COMMAND, IDCANCEL, 0);
    } else {
        ++failures;
    }

    PostCommand(hMain, kCmdLock);
    HWND hLock = FindDialogTitled(k.Pid(), "电脑已锁定");
    if (hLock) {
        Sleep(1000);
        failures += !Shot(GetDesktopWindow(), "lock");
        PostMessageA(hLock, WM_COMMAND, IDOK, 0);  // no password is set: any entry unlocks
        WaitUntil([&] { return IsWindowVisible(hMain) != FALSE; }, 5000);
    } else {
        ++failures;
    }

    // The help file beside the program, in the viewer the shell starts for it.
    PostCommand(hMain, kCmdHelpContents);
    HWND hHelp = nullptr;
    if (WaitUntil([&] { return (hHelp = FindWindowA("MS_WINHELP", nullptr)) != nullptr && IsWindowVisible(hHelp); },
                  10000, 100)) {
        SetWindowPos(hHelp, HWND_TOP, 60, 40, 640, 480, 0);
        Sleep(1500);
        failures += !Shot(hHelp, "help");
        PostMessageA(hHelp, WM_CLOSE, 0, 0);
    } else {
        ++failures;
    }

    k.Exit();
    return failures ? 1 : 0;
}
