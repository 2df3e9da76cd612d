#include "protect/ProtectWin32.h"
#include "process/Process.h"
#include "protect/LockRules.h"

namespace {
// The query right alone is enough on Windows 9x; systems that check rights also want the set right.
const DWORD kPriorityAccess = PROCESS_QUERY_INFORMATION | PROCESS_SET_INFORMATION;
}

uint32_t CWin32ProcessPriorities::OwnProcessId()
{
    return ::GetCurrentProcessId();
}

void CWin32ProcessPriorities::ListProcesses(std::vector<uint32_t>& ids)
{
    CProcess snapshot;
    snapshot.GetProccesStatue();
    ids.clear();
    for (int i = 0; i < snapshot.m_nProcessCount; ++i)
        ids.push_back(snapshot.m_pProcessList[i].dwProcessID);
}

void CWin32ProcessPriorities::SetOwnClass(uint32_t priorityClass)
{
    ::SetPriorityClass(::GetCurrentProcess(), priorityClass);
}

uint32_t CWin32ProcessPriorities::ExchangeClass(uint32_t processId, uint32_t newClass)
{
    HANDLE hProcess = ::OpenProcess(kPriorityAccess, FALSE, processId);
    if (!hProcess)
        return 0;
    DWORD before = ::GetPriorityClass(hProcess);
    // A class that cannot be read could never be put back, so such a process is not lowered.
    if (before != 0)
        ::SetPriorityClass(hProcess, newClass);
    ::CloseHandle(hProcess);
    return before;
}

bool CWin32ProcessPriorities::SetClass(uint32_t processId, uint32_t priorityClass)
{
    HANDLE hProcess = ::OpenProcess(kPriorityAccess, FALSE, processId);
    if (!hProcess)
        return false;
    BOOL ok = ::SetPriorityClass(hProcess, priorityClass);
    ::CloseHandle(hProcess);
    return ok != FALSE;
}

bool CWin32ProgramStarter::Start(const char* commandLine, int showCommand)
{
    // WinExec looks in the program's own folder first, then the usual places, as 9x's shell does.
    return ::WinExec(commandLine, static_cast<UINT>(showCommand)) > 31;
}

// Windows 98 and later answer the query; older headers for 95 lack it.
#ifndef SPI_GETSCREENSAVERRUNNING
#define SPI_GETSCREENSAVERRUNNING 114
#endif

namespace {

class CWin32ScreenSaverFlag : public IScreenSaverFlag {
public:
    bool Query(bool& running) override
    {
        BOOL value = FALSE;
        if (!::SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &value, 0))
            return false;
        running = value != FALSE;
        return true;
    }
    void Set(bool running) override { SetScreenSaverRunning(running); }
};

}  // namespace

void SetScreenSaverRunning(bool running)
{
    // The previous state is not needed; the buffer only keeps systems that write it safe.
    BOOL previous = FALSE;
    ::SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

void RenewScreenSaverRunning()
{
    CWin32ScreenSaverFlag flag;
    RenewScreenSaverFlag(flag);
}

void ShowTaskbar(int nCmdShow)
{
    HWND hTaskbar = ::FindWindowA("Shell_TrayWnd", nullptr);
    if (hTaskbar)
        ::ShowWindow(hTaskbar, nCmdShow);
}

namespace {

struct PopupSearch {
    HWND hOwner;
    HWND hFound;
};

BOOL CALLBACK FindPopupOf(HWND hWnd, LPARAM lParam)
{
    PopupSearch* search = reinterpret_cast<PopupSearch*>(lParam);
    if (!::IsWindowVisible(hWnd) || !::IsWindowEnabled(hWnd))
        return TRUE;
    for (HWND h = ::GetWindow(hWnd, GW_OWNER); h; h = ::GetWindow(h, GW_OWNER)) {
        if (h == search->hOwner) {
            search->hFound = hWnd;
            return FALSE;
        }
    }
    return TRUE;
}

}  // namespace

HWND FindOwnedPopup(HWND hOwner)
{
    PopupSearch search = {hOwner, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), FindPopupOf, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

namespace {

// A thread that has not handled a null message within this limit is treated as not answering,
// as the Applications page treats it.
const UINT kAnswerLimit = 50;  // ms

class CWin32Foreground : public IForegroundSystem {
public:
    ForegroundHandle Foreground() override { return Handle(::GetForegroundWindow()); }
    void SetForeground(ForegroundHandle window) override { ::SetForegroundWindow(Window(window)); }
    uint32_t ThreadOf(ForegroundHandle window) override { return ::GetWindowThreadProcessId(Window(window), nullptr); }
    uint32_t OwnThread() override { return ::GetCurrentThreadId(); }
    bool Answers(ForegroundHandle window) override
    {
        DWORD_PTR result = 0;
        return ::SendMessageTimeoutA(Window(window), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerLimit, &result) != 0;
    }
    bool AttachInput(uint32_t thread, bool attach) override
    {
        return ::AttachThreadInput(::GetCurrentThreadId(), thread, attach ? TRUE : FALSE) != FALSE;
    }

private:
    static ForegroundHandle Handle(HWND hWnd) { return reinterpret_cast<ForegroundHandle>(hWnd); }
    static HWND Window(ForegroundHandle window) { return reinterpret_cast<HWND>(window); }
};

}  // namespace

void TakeForeground(HWND hWnd)
{
    CWin32Foreground system;
    TakeForeground(system, reinterpret_cast<ForegroundHandle>(hWnd));
}
