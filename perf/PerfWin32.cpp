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
    // A process snapshot carries each process's thread count: summing them spares a thread
    // snapshot, which lists every thread (under Wine, several requests each).
    if (m_snapshots.TakeThreadTotal(count))
        return true;
    const ProcessItem* rows;
    m_snapshots.SnapshotProcesses(&rows);
    return m_snapshots.TakeThreadTotal(count);
}


int CountRunningProcesses()
{
    int count = 0;
    if (CWineProcessList::Shared().Count(&count))
        return count;
    CProcess process;
    process.GetProccesStatue();
    return process.m_nProcessCount;
}

CWin32SystemStatus::CWin32SystemStatus()
{
    // Under Wine psapi.dll counts a process's modules without naming each one, as a tool-help
    // module snapshot does: a third of the reads of the other process's memory, and no snapshot
    // mapped again for every module. Windows 9x has no psapi.dll (a copy made for NT imports what
    // only NT has and would fail to load, perhaps with a message), and there tool-help's list is
    // a copy of the kernel's, and cheap. The library is kept for the program's life: loading it
    // for every count would cost more than the count.
    if (IsWine()) {
        m_hPsapi = ::LoadLibraryA("psapi.dll");
        m_pQueryProcess = ProcAddress<QueryProcessFn>(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    }
    m_pEnumProcessModules = ProcAddress<EnumProcessModulesFn>(m_hPsapi, "EnumProcessModules");
}

bool CWin32SystemStatus::AddressSpaceSize(HANDLE hProcess, uint64_t* size)
{
    // The process's memory counters, of which only the size of its address space is used.
    struct VmCounters {
        SIZE_T PeakVirtualSize;
        SIZE_T VirtualSize;
        ULONG PageFaultCount;
        SIZE_T PeakWorkingSetSize, WorkingSetSize;
        SIZE_T QuotaPeakPagedPoolUsage, QuotaPagedPoolUsage;
        SIZE_T QuotaPeakNonPagedPoolUsage, QuotaNonPagedPoolUsage;
        SIZE_T PagefileUsage, PeakPagefileUsage;
    };
    const int kProcessVmCounters = 3;
    VmCounters counters = {};
    if (!m_pQueryProcess || m_pQueryProcess(hProcess, kProcessVmCounters, &counters, sizeof counters, nullptr) != 0 ||
        !counters.VirtualSize)
        return false;
    *size = static_cast<uint64_t>(counters.VirtualSize);
    return true;
}

CWin32SystemStatus::~CWin32SystemStatus()
{
    if (m_hPsapi)
        ::FreeLibrary(m_hPsapi);
}

int CWin32SystemStatus::SnapshotProcesses(const ProcessItem** rows)
{
    int count = 0;
    if (CWineProcessList::Shared().Take(m_rows, &count, nullptr, &m_nThreads) ||
        SnapshotProcessTable(m_rows, &count, nullptr, &m_nThreads)) {
        m_bThreadsUnread = true;
        *rows = m_rows;
        return count;
    }
    // No tool-help (NT 4): CProcess's own path, without a thread total.
    m_bThreadsUnread = false;
    m_processes.GetProccesStatue();
    *rows = m_processes.m_pProcessList;
    return m_processes.m_nProcessCount;
}

bool CWin32SystemStatus::TakeThreadTotal(int* count)
{
    if (!m_bThreadsUnread)
        return false;
    m_bThreadsUnread = false;
    *count = m_nThreads;
    return true;
}

int CWin32SystemStatus::CountModules(uint32_t processId)
{
    if (m_pEnumProcessModules) {
        HANDLE hProcess = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
        if (hProcess) {
            uint64_t size = 0;
            bool sized = AddressSpaceSize(hProcess, &size);
            DWORD now = ::GetTickCount();
            int kept = 0;
            if (sized && m_moduleCounts.Find(processId, size, now, &kept)) {
                ::CloseHandle(hProcess);
                return kept;
            }
            // Room for one handle: the byte count that comes back is that of the whole list.
            HMODULE hFirst = nullptr;
            DWORD needed = 0;
            BOOL ok = m_pEnumProcessModules(hProcess, &hFirst, sizeof hFirst, &needed);
            ::CloseHandle(hProcess);
            if (ok) {
                DWORD count = needed / sizeof(HMODULE);
                int modules = count > static_cast<DWORD>(kMaxModules) ? kMaxModules : static_cast<int>(count);
                if (sized)
                    m_moduleCounts.Store(processId, size, now, modules);
                return modules;
            }
        }
    }
    // The module list is emptied before it is taken, so a process that refuses adds 0.
    m_modules.GetModuleStatue(processId);
    return m_modules.m_nModuleCount;
}

CWin32FineClock::CWin32FineClock()
{
    LARGE_INTEGER frequency;
    m_nFrequency = ::QueryPerformanceFrequency(&frequency) ? frequency.QuadPart : 0;
    m_dMicrosecondsPerCount = m_nFrequency > 0 ? 1000000.0 / static_cast<double>(m_nFrequency) : 0;
}

int64_t CWin32FineClock::Microseconds()
{
    LARGE_INTEGER count;
    if (m_nFrequency <= 0 || !::QueryPerformanceCounter(&count))
        return static_cast<int64_t>(::GetTickCount()) * 1000;
    // In double: exact for 2^53 counts (decades at the usual frequencies), with no 64-bit
    // division, whose helper the 32-bit build's run-time does not have.
    return static_cast<int64_t>(static_cast<double>(count.QuadPart) * m_dMicrosecondsPerCount);
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
