// Window handle wrapper and the command-routing base shared by the application and dialogs.
#pragma once
#include <windows.h>

// A copyable, non-owning window handle with one-line wrappers.
class CWnd {
public:
    CWnd() = default;
    explicit CWnd(HWND hWnd) : m_hWnd(hWnd) {}

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    BOOL ShowWindow(int nCmdShow) const { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    // True when the window and every window it lies in are visible and none is minimised: what
    // it shows can be seen on the screen.
    bool IsShownOnScreen() const
    {
        if (!m_hWnd || !::IsWindowVisible(m_hWnd))
            return false;
        for (HWND h = m_hWnd; h; h = (::GetWindowLongA(h, GWL_STYLE) & WS_CHILD) ? ::GetParent(h) : nullptr) {
            if (::IsIconic(h))
                return false;
        }
        return true;
    }
    BOOL EnableWindow(BOOL bEnable = TRUE) const { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL SetWindowPos(HWND hInsertAfter, int x, int y, int cx, int cy, UINT flags) const
    {
        return ::SetWindowPos(m_hWnd, hInsertAfter, x, y, cx, cy, flags);
    }
    BOOL SetForegroundWindow() const { return ::SetForegroundWindow(m_hWnd); }
    void BringWindowToTop() const { ::BringWindowToTop(m_hWnd); }
    void SetWindowText(const char* text) const { ::SetWindowTextA(m_hWnd, text); }
    int GetWindowText(char* buf, int cap) const { return ::GetWindowTextA(m_hWnd, buf, cap); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void SetDlgItemText(int id, const char* text) const { ::SetDlgItemTextA(m_hWnd, id, text); }
    UINT GetDlgItemText(int id, char* buf, int cap) const { return ::GetDlgItemTextA(m_hWnd, id, buf, cap); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) const { return ::SetTimer(m_hWnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }
    HMENU GetMenu() const { return ::GetMenu(m_hWnd); }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::SendMessageA(m_hWnd, msg, wp, lp); }
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const { return ::PostMessageA(m_hWnd, msg, wp, lp); }
    HICON SetIcon(HICON hIcon, BOOL bBig) const
    {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bBig ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
    }
    BOOL GetClientRect(RECT* rc) const { return ::GetClientRect(m_hWnd, rc); }
    void Invalidate(BOOL bErase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, bErase); }

    HWND m_hWnd = nullptr;
};

// Base of everything that takes part in command routing (dialogs and the application object).
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    // Handles a command (WM_COMMAND with notification code 0 or 1) in this object; true when handled.
    virtual bool OnCmdMsg(UINT nID) { (void)nID; return false; }
};

// A command map entry: a single command or a range, each naming its handler.
template <class T>
struct CommandEntry {
    UINT nFirst;
    UINT nLast;
    void (T::*pfn)();
    void (T::*pfnRange)(UINT);
};

template <class T>
constexpr CommandEntry<T> Command(UINT nID, void (T::*pfn)())
{
    return CommandEntry<T>{nID, nID, pfn, nullptr};
}

template <class T>
constexpr CommandEntry<T> CommandRange(UINT nFirst, UINT nLast, void (T::*pfn)(UINT))
{
    return CommandEntry<T>{nFirst, nLast, nullptr, pfn};
}

// Calls the handler of the first entry that covers nID; true when one did.
template <class T, size_t N>
bool DispatchCommand(T* self, const CommandEntry<T> (&map)[N], UINT nID)
{
    for (const CommandEntry<T>& e : map) {
        if (nID < e.nFirst || nID > e.nLast)
            continue;
        if (e.pfn)
            (self->*e.pfn)();
        else
            (self->*e.pfnRange)(nID);
        return true;
    }
    return false;
}
