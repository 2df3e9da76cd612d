// The Processes page's system calls over kernel32: the page's CProcess for process snapshots,
// tool-help for threads and heaps, and the process priority and termination calls.
#pragma once
#include "process/Debugger.h"
#include "process/Process.h"
#include "process/ProcessSystem.h"

// The owning process of every thread in the system, from one tool-help thread snapshot; false
// when the snapshot can't be taken.
bool SnapshotSystemThreadOwners(std::vector<uint32_t>& owners);

class CProcessSystemWin32 : public IProcessSystem {
public:
    explicit CProcessSystemWin32(CProcess& process);

    int SnapshotProcesses(const ProcessItem** rows) override;
    bool SnapshotThreadOwners(std::vector<uint32_t>& owners) override;
    bool WalkHeap(uint32_t processId, uintptr_t heapId, IHeapBlockSink& sink) override;
    bool FindDefaultHeap(uint32_t processId, uintptr_t* heapId) override;
    uint32_t GetPriorityClass(uint32_t processId) override;
    bool SetPriorityClass(uint32_t processId, uint32_t priorityClass) override;
    bool Terminate(uint32_t processId) override;

private:
    CProcess& m_process;
    bool m_bHeapWalk;
};

// The shell's "Open" verb, with no owner window.
class CShellOpenWin32 : public IShellOpen {
public:
    intptr_t Open(const char* file, const char* parameters, const char* directory) override;
};
