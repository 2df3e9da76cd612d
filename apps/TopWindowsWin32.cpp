#include "apps/TopWindowsWin32.h"

namespace {

BOOL CALLBACK EnumTopWindowsProc(HWND hWnd, LPARAM lParam)
{
    reinterpret_cast<IWindowVisitor*>(lParam)->Visit(FromHwnd(hWnd));
    return TRUE;
}

const UINT kProbeMs = 50;

}  // namespace

void CTopWindowsWin32::EnumTopWindows(IWindowVisitor& visitor)
{
    ::EnumWindows(EnumTopWindowsProc, reinterpret_cast<LPARAM>(&visitor));
}

int CTopWindowsWin32::GetTitle(WindowHandle hWnd, char* buf, int cap)
{
    if (cap <= 0)
        return 0;
    buf[0] = '\0';
    // For another process's window this reads the text kept by the system and sends nothing,
    // so a hung window cannot block it.
    int len = ::GetWindowTextA(ToHwnd(hWnd), buf, cap);
    buf[cap - 1] = '\0';
    return len;
}

uint32_t CTopWindowsWin32::GetStyle(WindowHandle hWnd)
{
    return static_cast<uint32_t>(::GetWindowLongA(ToHwnd(hWnd), GWL_STYLE));
}

WindowHandle CTopWindowsWin32::GetParentOrOwner(WindowHandle hWnd)
{
    // GetParent gives the owner of a pop-up only; an owned overlapped window (a tool window, say)
    // has an owner all the same.
    HWND h = ::GetParent(ToHwnd(hWnd));
    if (!h)
        h = ::GetWindow(ToHwnd(hWnd), GW_OWNER);
    return FromHwnd(h);
}

int CTopWindowsWin32::GetProcessId(WindowHandle hWnd)
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(ToHwnd(hWnd), &processId);
    return static_cast<int>(processId);
}

bool CTopWindowsWin32::AskIcon(WindowHandle hWnd, int size, unsigned timeoutMs, IconHandle* icon)
{
    // A time-limited send instead of a fetch thread that would have to be killed. Without
    // SMTO_BLOCK this thread keeps answering messages sent to it while it waits (the hang
    // check's list messages, other programs' requests); the page guards against re-entry.
    DWORD_PTR answer = 0;
    *icon = 0;
    WPARAM which = size == kIconBig ? ICON_BIG : ICON_SMALL;
    if (!::SendMessageTimeoutA(ToHwnd(hWnd), WM_GETICON, which, 0, SMTO_ABORTIFHUNG, timeoutMs, &answer))
        return false;
    *icon = static_cast<IconHandle>(answer);
    return true;
}

IconHandle CTopWindowsWin32::GetClassIcon(WindowHandle hWnd, int size)
{
    return static_cast<IconHandle>(::GetClassLongPtrA(ToHwnd(hWnd), size == kIconBig ? GCLP_HICON : GCLP_HICONSM));
}

int CImageListIcons::PutIcon(int index, IconHandle icon)
{
    if (!m_pImageList)
        return -1;
    return m_pImageList->Replace(index, reinterpret_cast<HICON>(icon));
}

bool WindowAnswers(HWND hWnd, UINT timeoutMs)
{
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutA(hWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs, &result) != 0;
}

bool CWindowProbeWin32::Ping(WindowHandle hWnd)
{
    DWORD start = ::GetTickCount();
    HWND h = ToHwnd(hWnd);
    // A window destroyed meanwhile fails the send at once; it counts as answering until the
    // removal pass drops it.
    bool answered = WindowAnswers(h, kProbeMs) || !::IsWindow(h);
    // One window per 50 ms whatever the answer, so a pass never hurries through the system.
    for (DWORD elapsed; (elapsed = ::GetTickCount() - start) < kProbeMs;)
        ::Sleep(kProbeMs - elapsed);
    return answered;
}
