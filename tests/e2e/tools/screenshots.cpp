// Takes the pictures shown in the README: each tab, the new-task dialog, the lock screen and the
// help file's contents topic in the help viewer.
// Run by scripts/screenshots.sh inside a Wine virtual desktop (so windows have captions); writes
// BMP files into the folder given as its argument.
#include "Harness.h"
#include "../apps_e2e_util.h"
#include "../protect_e2e_helpers.h"
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

// True when every pixel of the screen outside `hLock` shows the desktop colour: the cover whole.
bool CoverWhole(HWND hLock)
{
    RECT lock;
    GetWindowRect(hLock, &lock);
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    int wrong = -1;
    if (bmp) {
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
        DWORD want = (GetRValue(desktop) << 16) | (GetGValue(desktop) << 8) | GetBValue(desktop);
        const DWORD* px = static_cast<const DWORD*>(bits);
        wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (!(x >= lock.left && x < lock.right && y >= lock.top && y < lock.bottom) &&
                    (px[y * w + x] & 0xFFFFFF) != want)
                    ++wrong;
        DeleteObject(bmp);
    }
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    if (wrong != 0)
        printf("the cover is not whole on the screen: %d pixels beside the lock dialog are not the desktop colour\n",
               wrong);
    return wrong == 0;
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
        // Wine's X11 driver changes the X server's stacking of a window only when that window
        // becomes the top one, each process for its own windows. Hiding the main window hands
        // the activation to a test window, and its process may raise it on the X server after
        // the cover went up: the window order (cover over the test windows) and the cover's
        // painting are right, the X server shows the test window above the cover all the same.
        // Raising the cover and then the lock dialog once more, in Korvane's process, puts the
        // X server's stacking in line with the window order: the screen Windows would show.
        HWND hCover = protect_e2e::FindCover(k.Pid());
        const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
        if (hCover) {
            SetWindowPos(hCover, HWND_TOPMOST, 0, 0, 0, 0, keep);
            SetWindowPos(hLock, HWND_TOPMOST, 0, 0, 0, 0, keep);
            Sleep(500);
        }
        failures += !hCover || !CoverWhole(hLock);
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
