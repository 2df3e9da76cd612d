// Helpers shared by the protection tools' end-to-end programs: finding the cover, the lock
// dialog, the change-password dialog and the program's message boxes.
#pragma once
#include "Harness.h"
#include <string>
#include <type_traits>
#include <vector>

namespace protect_e2e {

using namespace e2e;

const char kLockTitle[] = "电脑已锁定";
const char kChangePasswordTitle[] = "Dialog";
const char kWrongPassword[] = "密码输入不正确，请检查输入内容。";
const char kPasswordMismatch[] = "两次输入的新密码不相符，请重新输入。";

// Items joined with '|', for comparing lists in one check.
template <class T>
std::string Joined(const std::vector<T>& items)
{
    std::string out;
    for (const T& item : items) {
        if (!out.empty())
            out += "|";
        if constexpr (std::is_same_v<T, std::string>)
            out += item;
        else
            out += std::to_string(item);
    }
    return out;
}

inline bool CoversScreen(HWND h)
{
    RECT rc;
    if (!GetWindowRect(h, &rc))
        return false;
    return rc.left == 0 && rc.top == 0 && rc.right == GetSystemMetrics(SM_CXSCREEN) &&
           rc.bottom == GetSystemMetrics(SM_CYSCREEN);
}

// The program's visible, untitled dialog-class window that covers the whole screen.
inline HWND FindCover(DWORD pid)
{
    for (HWND h : TopLevelWindows(pid)) {
        if (IsWindowVisible(h) && ClassName(h) == kDialogClass && WindowText(h).empty() && CoversScreen(h))
            return h;
    }
    return nullptr;
}

// Every window of the program that looks like a cover, visible or not.
inline int CountCovers(DWORD pid)
{
    int n = 0;
    for (HWND h : TopLevelWindows(pid))
        if (ClassName(h) == kDialogClass && WindowText(h).empty() && CoversScreen(h))
            ++n;
    return n;
}

inline std::vector<HWND> DialogsTitled(DWORD pid, const char* title)
{
    std::vector<HWND> found;
    for (HWND h : FindDialogs(pid))
        if (WindowText(h) == title)
            found.push_back(h);
    return found;
}

inline HWND FindDialogTitled(DWORD pid, const char* title)
{
    std::vector<HWND> found = DialogsTitled(pid, title);
    return found.empty() ? nullptr : found[0];
}

// A visible message box of the program that shows `text`.
inline HWND FindMessageBox(DWORD pid, const char* text)
{
    for (HWND h : FindDialogs(pid))
        for (const std::string& s : StaticTexts(h))
            if (s == text)
                return h;
    return nullptr;
}

inline HWND WaitMessageBox(DWORD pid, const char* text, DWORD timeoutMs = 5000)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindMessageBox(pid, text)) != nullptr; }, timeoutMs);
    return found;
}

// Presses the message box's OK button and waits until it has gone.
inline bool DismissMessageBox(HWND box)
{
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); });
}

inline bool SetItemText(HWND dlg, int id, const std::string& text)
{
    DWORD_PTR r = 0;
    return SendMessageTimeoutA(Item(dlg, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                               5000, &r) != 0;
}

// Clicks a dialog button by posting its command: the handler may run a modal message box.
inline void PostClick(HWND dlg, int id)
{
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(dlg, id)));
}

// z order of top-level windows: true when `upper` lies above `lower`.
inline bool IsAbove(HWND upper, HWND lower)
{
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (h == upper)
            return true;
        if (h == lower)
            return false;
    }
    return false;
}

// SPI_GETSCREENSAVERRUNNING asked inside the program (Wine caches system parameters per process).
inline bool ScreenSaverRunning(HWND w)
{
    RemoteMemory mem(w, sizeof(BOOL));
    BOOL running = FALSE;
    DWORD ok = 0;
    if (!mem.ok() || !mem.Write(&running, sizeof running) ||
        !RemoteCall(w, "user32.dll", "SystemParametersInfoA",
                    {114, 0, reinterpret_cast<DWORD_PTR>(mem.ptr()), 0}, &ok) ||
        !ok || !mem.Read(&running, sizeof running))
        return false;
    return running != FALSE;
}

// SPI_SETSCREENSAVERRUNNING done inside the program, as a screen saver that ends clears the flag.
inline bool SetScreenSaverRunningIn(HWND w, bool running)
{
    RemoteMemory mem(w, sizeof(BOOL));
    BOOL previous = FALSE;
    DWORD ok = 0;
    return mem.ok() && mem.Write(&previous, sizeof previous) &&
           RemoteCall(w, "user32.dll", "SystemParametersInfoA",
                      {97, running ? 1u : 0u, reinterpret_cast<DWORD_PTR>(mem.ptr()), 0}, &ok) &&
           ok;
}

// --- the notification-area icon ---------------------------------------------------------------
const UINT kTrayMessage = 0x800;  // WM_TRAYNOTIFY
const UINT kTrayIconId = 128;

inline BOOL CALLBACK FindPerformancePageProc(HWND h, LPARAM lParam)
{
    if (GetDlgItem(h, 1004) && GetDlgItem(h, 1009)) {
        *reinterpret_cast<HWND*>(lParam) = h;
        return FALSE;
    }
    return TRUE;
}

// The Performance page: the window that owns the tray icon and gets its mouse messages.
inline HWND TrayPage(HWND main)
{
    HWND page = nullptr;
    EnumChildWindows(main, FindPerformancePageProc, reinterpret_cast<LPARAM>(&page));
    return page;
}

inline BOOL CALLBACK FindOpenMenuProc(HWND h, LPARAM lParam)
{
    if (ClassName(h) == "#32768" && IsWindowVisible(h)) {
        *reinterpret_cast<HWND*>(lParam) = h;
        return FALSE;
    }
    return TRUE;
}

inline HWND OpenMenuWindow()
{
    HWND menu = nullptr;
    EnumWindows(FindOpenMenuProc, reinterpret_cast<LPARAM>(&menu));
    return menu;
}

// A right-button press on the tray icon; returns the menu window it opened, or nullptr.
inline HWND OpenTrayMenu(HWND page)
{
    PostMessageA(page, kTrayMessage, kTrayIconId, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    // A program that has just hidden its window can take Wine a few seconds to get to posted
    // messages again when no window manager runs.
    WaitUntil([&] { return (menu = OpenMenuWindow()) != nullptr; }, 10000);
    return menu;
}

// The open menu's items as "id text" lines (separators "0 "), read inside the program.
inline std::vector<std::string> OpenMenuItems(HWND main, HWND menuWindow)
{
    std::vector<std::string> items;
    DWORD_PTR hMenu = 0;
    if (!SendMessageTimeoutA(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0, SMTO_NORMAL, 2000, &hMenu) || !hMenu)
        return items;
    DWORD count = 0;
    if (!RemoteCall(main, "user32.dll", "GetMenuItemCount", {static_cast<DWORD>(hMenu)}, &count))
        return items;
    RemoteMemory text(main, 128);
    for (DWORD i = 0; i < count && i < 32; ++i) {
        DWORD id = 0, len = 0;
        char buf[128] = {};
        RemoteCall(main, "user32.dll", "GetMenuItemID", {static_cast<DWORD>(hMenu), i}, &id);
        if (text.ok() && text.Write(buf, sizeof buf) &&
            RemoteCall(main, "user32.dll", "GetMenuStringA",
                       {static_cast<DWORD>(hMenu), i, reinterpret_cast<DWORD_PTR>(text.ptr()),
                        sizeof buf - 1, MF_BYPOSITION},
                       &len))
            text.Read(buf, sizeof buf - 1);
        items.push_back(std::to_string(static_cast<int>(id)) + " " + buf);
    }
    return items;
}

// Chooses the open tray menu's item by its mnemonic key, as a user typing it would.
inline bool ChooseTrayItem(HWND page, HWND menuWindow, char key)
{
    PostMessageA(page, WM_CHAR, static_cast<WPARAM>(key), 0);
    return WaitUntil([&] { return !IsWindow(menuWindow) || !IsWindowVisible(menuWindow); }, 5000);
}

// Opens the tray menu and chooses one of its items; false when the menu did not open.
inline bool TrayCommand(HWND page, char key)
{
    HWND menu = OpenTrayMenu(page);
    return menu && ChooseTrayItem(page, menu, key);
}

}  // namespace protect_e2e
