#include "protect/CoverWindow.h"

bool CCoverWindow::CreateOverDesktop()
{
    return Create(kTemplate, ::GetDesktopWindow());
}

void CCoverWindow::CoverScreen() const
{
    SetWindowPos(HWND_TOPMOST, 0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), 0);
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
    case WM_MOUSEACTIVATE:
        // A click on the cover must not raise it over the lock dialog or the main window.
        return SetMsgResult(MA_NOACTIVATE);
    default:
        return CDialog::WindowProc(msg, wParam, lParam);
    }
}
