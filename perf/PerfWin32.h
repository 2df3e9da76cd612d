// The statistics' platform side: system times, thread and process snapshots, memory status.
#pragma once
#include "perf/PerfMonitor.h"
#include "perf/StatCounters.h"

// GetSystemTimes (absent from Windows 9x, looked up at run time) and a tool-help thread snapshot.
class CWin32SystemTimes : public ISystemTimes {
public:
    bool GetSystemTimes(uint64_t* idle, uint64_t* kernel, uint64_t* user) override;
    bool CountThreads(int* count) override;
};

// Process and module counts from CProcess snapshots, and GlobalMemoryStatus.
class CWin32SystemStatus : public ISystemStatus {
public:
    int CountAllModules(int* processCount) override;
    void GetMemoryStatus(MemoryStatus* status) override;
};
