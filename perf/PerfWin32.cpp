// The statistics' platform side over kernel32.
#include "perf/PerfWin32.h"
#include "framework/Platform.h"
#include "process/Process.h"
#include "process/ProcessSystemWin32.h"

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
    std::vector<uint32_t> owners;
    if (!SnapshotSystemThreadOwners(owners))
        return false;
    *count = static_cast<int>(owners.size());
    return true;
}

int CWin32SystemStatus::CountAllModules(int* processCount)
{
    CProcess processes;
    CProcess modules;
    processes.GetProccesStatue();
    *processCount = processes.m_nProcessCount;
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
    ms.dwLength = sizeof ms;
    ::GlobalMemoryStatus(&ms);
    status->dwMemoryLoad = ms.dwMemoryLoad;
    status->dwTotalPhys = static_cast<uint64_t>(ms.dwTotalPhys);
    status->dwAvailPhys = static_cast<uint64_t>(ms.dwAvailPhys);
    status->dwTotalPageFile = static_cast<uint64_t>(ms.dwTotalPageFile);
    status->dwAvailPageFile = static_cast<uint64_t>(ms.dwAvailPageFile);
    status->dwTotalVirtual = static_cast<uint64_t>(ms.dwTotalVirtual);
    status->dwAvailVirtual = static_cast<uint64_t>(ms.dwAvailVirtual);
}
