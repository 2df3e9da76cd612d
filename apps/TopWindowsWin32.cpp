#include "apps/TopWindowsWin32.h"
#include "framework/Platform.h"
#include <shellapi.h>
#include <tlhelp32.h>

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
    HWND h = ToHwnd(hWnd);
    ::SetLastError(0);
    ULONG_PTR icon = ::GetClassLongPtrA(h, size == kIconBig ? GCLP_HICON : GCLP_HICONSM);
    if (icon || ::GetLastError() == 0 || size == kIconBig)
        return static_cast<IconHandle>(icon);
    // The system refused to read the class. Windows 9x reads any window's class; Wine refuses
    // the icons of another process's window (and sends it no WM_GETICON either), so there the
    // nearest picture is the first icon of the window's program file, for a window that answers.
    return WindowAnswers(h, kProbeMs) ? ProgramFileIcon(h) : 0;
}

IconHandle CTopWindowsWin32::ProgramFileIcon(HWND hWnd)
{
    // One extracted icon is kept at a time: the page copies it into its image list before it
    // asks for the next window's icon.
    if (m_hProgramIcon) {
        ::DestroyIcon(m_hProgramIcon);
        m_hProgramIcon = nullptr;
    }
    typedef HANDLE(WINAPI * CreateSnapshotFn)(DWORD, DWORD);
    typedef BOOL(WINAPI * ModuleFirstFn)(HANDLE, LPMODULEENTRY32);
    HMODULE hKernel = ::GetModuleHandleA("kernel32.dll");
    CreateSnapshotFn pCreate = ProcAddress<CreateSnapshotFn>(hKernel, "CreateToolhelp32Snapshot");
    ModuleFirstFn pFirst = ProcAddress<ModuleFirstFn>(hKernel, "Module32First");
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hWnd, &processId);
    if (!pCreate || !pFirst || !processId)
        return 0;
    HANDLE hSnap = pCreate(TH32CS_SNAPMODULE, processId);
    if (hSnap == INVALID_HANDLE_VALUE)
        return 0;
    MODULEENTRY32 entry;
    entry.dwSize = sizeof(entry);
    bool found = pFirst(hSnap, &entry) != FALSE;
    ::CloseHandle(hSnap);
    if (!found)
        return 0;
    entry.szExePath[sizeof(entry.szExePath) - 1] = '\0';
    HICON hSmall = nullptr;
    if (::ExtractIconExA(entry.szExePath, 0, nullptr, &hSmall, 1) == 0 || !hSmall)
        return 0;
    m_hProgramIcon = hSmall;
    return static_cast<IconHandle>(reinterpret_cast<uintptr_t>(hSmall));
}

CTopWindowsWin32::~CTopWindowsWin32()
{
    if (m_hProgramIcon)
        ::DestroyIcon(m_hProgramIcon);
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
