// The statistics' platform side: system times, thread and process snapshots, memory status.
#pragma once
#include "perf/PerfMonitor.h"
#include "perf/StatCounters.h"
#include "process/Process.h"
#include "process/ProcessSystemWin32.h"

class CWin32SystemStatus;

// GetSystemTimes (absent from Windows 9x, looked up at run time), and the thread total of a
// process snapshot: the one the refresh has just taken for its totals, or a fresh one.
class CWin32SystemTimes : public ISystemTimes {
public:
    explicit CWin32SystemTimes(CWin32SystemStatus& snapshots) : m_snapshots(snapshots) {}
    bool GetSystemTimes(uint64_t* idle, uint64_t* kernel, uint64_t* user) override;
    bool CountThreads(int* count) override;

private:
    CWin32SystemStatus& m_snapshots;
};

// The number of running processes, as a process snapshot counts them, at most 255: under Wine
// from the shared process list (a tool-help walk there makes three requests to the server for
// every process); elsewhere a CProcess snapshot.
int CountRunningProcesses();

// Tool-help process snapshots with their thread total, module counts, and GlobalMemoryStatus.
class CWin32SystemStatus : public ISystemStatus {
public:
    CWin32SystemStatus();
    ~CWin32SystemStatus() override;
    CWin32SystemStatus(const CWin32SystemStatus&) = delete;
    CWin32SystemStatus& operator=(const CWin32SystemStatus&) = delete;

    int SnapshotProcesses(const ProcessItem** rows) override;
    int CountModules(uint32_t processId) override;
    void GetMemoryStatus(MemoryStatus* status) override;
    // The thread total of the last snapshot, once: false when no snapshot has been taken since
    // the last call, or none could be.
    bool TakeThreadTotal(int* count);

private:
    typedef BOOL(WINAPI* EnumProcessModulesFn)(HANDLE, HMODULE*, DWORD, DWORD*);
    typedef long(WINAPI* QueryProcessFn)(HANDLE, int, void*, unsigned long, unsigned long*);
    bool AddressSpaceSize(HANDLE hProcess, uint64_t* size);

    ProcessItem m_rows[kMaxProcesses];
    int m_nThreads = 0;
    bool m_bThreadsUnread = false;
    CProcess m_processes;  // where tool-help is missing
    CProcess m_modules;
    HMODULE m_hPsapi = nullptr;
    EnumProcessModulesFn m_pEnumProcessModules = nullptr;
    QueryProcessFn m_pQueryProcess = nullptr;
    CModuleCountCache m_moduleCounts;
};

// QueryPerformanceCounter, or the system tick where the machine has no such counter.
class CWin32FineClock : public IFineClock {
public:
    CWin32FineClock();
    int64_t Microseconds() override;

private:
    int64_t m_nFrequency;  // counts per second; 0: the tick
    double m_dMicrosecondsPerCount;
};
