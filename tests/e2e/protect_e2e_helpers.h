// Helpers shared by the protection tools' end-to-end programs: finding the cover, the lock
// dialog, the change-password dialog and the program's message boxes.
#pragma once
#include "Harness.h"
#include <string>
#include <vector>

namespace protect_e2e {

using namespace e2e;

const char kLockTitle[] = "电脑已锁定";
const char kChangePasswordTitle[] = "Dialog";
const char kWrongPassword[] = "密码输入不正确，请检查输入内容。";
const char kPasswordMismatch[] = "两次输入的新密码不相符，请重新输入。";

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

}  // namespace protect_e2e
