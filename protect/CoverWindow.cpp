#include "protect/CoverWindow.h"
#include "protect/CoverArea.h"
#include "protect/LockRules.h"

// The virtual-screen metrics of Windows 98 and later; older headers for 95 lack them.
#ifndef SM_XVIRTUALSCREEN
#define SM_XVIRTUALSCREEN 76
#define SM_YVIRTUALSCREEN 77
#define SM_CXVIRTUALSCREEN 78
#define SM_CYVIRTUALSCREEN 79
#endif

bool CCoverWindow::CreateOverDesktop()
{
    return Create(kTemplate, ::GetDesktopWindow());
}

namespace {

ScreenArea ScreenNow()
{
    ScreenArea virtualScreen = {::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                                ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    return CoverArea(virtualScreen, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
}

}  // namespace

void CCoverWindow::CoverScreen() const
{
    ScreenArea area = ScreenNow();
    SetWindowPos(HWND_TOPMOST, area.x, area.y, area.cx, area.cy, 0);
}

INT_PTR CCoverWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_ERASEBKGND:
        return SetMsgResult(1);  // WM_PAINT fills everything; no flash of the dialog colour first
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = ::BeginPaint(m_hWnd, &ps);
        RECT rc;
        GetClientRect(&rc);
        HBRUSH hBrush = ::CreateSolidBrush(::GetSysColor(COLOR_BACKGROUND));
        ::FillRect(hdc, &rc, hBrush);
        ::DeleteObject(hBrush);
        ::EndPaint(m_hWnd, &ps);
        return TRUE;
    }
    case WM_DISPLAYCHANGE: {
        // Another resolution or monitor layout: the new screen, whole, keeping its place in the
        // window order (below the lock dialog, or the main window of the takeover).
        ScreenArea area = ScreenNow();
        SetWindowPos(nullptr, area.x, area.y, area.cx, area.cy, SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;  // the fill is one colour: only what the new size uncovers needs painting
    }
    case WM_SYSCOMMAND:
        if (LockAnswersSysCommand(m_bLockCover, wParam))
            return SetMsgResult(0);
        return CDialog::WindowProc(msg, wParam, lParam);
    case WM_MOUSEACTIVATE:
        // A click on the cover must not raise it over the lock dialog or the main window.
        return SetMsgResult(MA_NOACTIVATE);
    default:
        return CDialog::WindowProc(msg, wParam, lParam);
    }
}
