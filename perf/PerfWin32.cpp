// The statistics' platform side over kernel32.
#include "perf/PerfWin32.h"
#include "framework/Platform.h"
#include "process/Process.h"
#include <tlhelp32.h>

namespace {
uint64_t FileTimeValue(const FILETIME& ft)
{
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
}  // namespace

bool CWin32SystemTimes::GetSystemTimes(uint64_t* idle, uint64_t* kernel, uint64_t* user)
{
    typedef BOOL(WINAPI * GetSystemTimesFn)(FILETIME*, FILETIME*, FILETIME*);
    static GetSystemTimesFn pGetSystemTimes =
        ProcAddress<GetSystemTimesFn>(::GetModuleHandleA("kernel32.dll"), "GetSystemTimes");
    FILETIME ftIdle, ftKernel, ftUser;
    if (!pGetSystemTimes || !pGetSystemTimes(&ftIdle, &ftKernel, &ftUser))
        return false;
    *idle = FileTimeValue(ftIdle);
    *kernel = FileTimeValue(ftKernel);
    *user = FileTimeValue(ftUser);
    return true;
}

bool CWin32SystemTimes::CountThreads(int* count)
{
    typedef HANDLE(WINAPI * CreateSnapshotFn)(DWORD, DWORD);
    typedef BOOL(WINAPI * ThreadWalkFn)(HANDLE, THREADENTRY32*);
    HMODULE hKernel = ::GetModuleHandleA("kernel32.dll");
    CreateSnapshotFn pCreate = ProcAddress<CreateSnapshotFn>(hKernel, "CreateToolhelp32Snapshot");
    ThreadWalkFn pFirst = ProcAddress<ThreadWalkFn>(hKernel, "Thread32First");
    ThreadWalkFn pNext = ProcAddress<ThreadWalkFn>(hKernel, "Thread32Next");
    if (!pCreate || !pFirst || !pNext)
        return false;
    HANDLE hSnap = pCreate(TH32CS_SNAPTHREAD, 0);
    if (hSnap == INVALID_HANDLE_VALUE)
        return false;
    THREADENTRY32 te = {};
    te.dwSize = sizeof te;
    int n = 0;
    for (BOOL ok = pFirst(hSnap, &te); ok; ok = pNext(hSnap, &te))
        ++n;
    ::CloseHandle(hSnap);
    *count = n;
    return true;
}

int CWin32SystemStatus::ProcessCount()
{
    CProcess process;
    process.GetProccesStatue();
    return process.m_nProcessCount;
}

int CWin32SystemStatus::CountAllModules()
{
    CProcess processes;
    CProcess modules;
    processes.GetProccesStatue();
    int total = 0;
    for (int i = 0; i < processes.m_nProcessCount; ++i) {
        // The module list is emptied before it is taken, so a process that refuses adds 0.
        modules.GetModuleStatue(processes.m_pProcessList[i].dwProcessID);
        total += modules.m_nModuleCount;
    }
    return total;
}

void CWin32SystemStatus::GetMemoryStatus(MemoryStatus* status)
{
    MEMORYSTATUS ms = {};
    ms.dwLength = 32;
    ::GlobalMemoryStatus(&ms);
    status->dwMemoryLoad = ms.dwMemoryLoad;
    status->dwTotalPhys = static_cast<uint32_t>(ms.dwTotalPhys);
    status->dwAvailPhys = static_cast<uint32_t>(ms.dwAvailPhys);
    status->dwTotalPageFile = static_cast<uint32_t>(ms.dwTotalPageFile);
    status->dwAvailPageFile = static_cast<uint32_t>(ms.dwAvailPageFile);
    status->dwTotalVirtual = static_cast<uint32_t>(ms.dwTotalVirtual);
    status->dwAvailVirtual = static_cast<uint32_t>(ms.dwAvailVirtual);
}
