// What the Processes page asks of the system, in platform-neutral terms: process and thread
// snapshots, the heap walk, priority classes and termination. One Win32 implementation
// (ProcessSystemWin32.cpp) and one in memory (FakeProcessSystem.h).
#pragma once
#include "process/ProcessTables.h"
#include <stdint.h>
#include <vector>

// Receives the blocks of a heap walk in order; returns false to end the walk. A walk ended before
// its last block leaks its state on 9x, which frees it only when the walk runs out of blocks.
class IHeapBlockSink {
public:
    virtual ~IHeapBlockSink() = default;
    virtual bool OnBlock(uint32_t size, uint32_t flags) = 0;
};

class IProcessSystem {
public:
    virtual ~IProcessSystem() = default;
    // Takes a process snapshot; *rows stays valid until the next call. Returns the row count.
    virtual int SnapshotProcesses(const ProcessItem** rows) = 0;
    // Takes one thread snapshot of the whole system and replaces owners with each thread's
    // owning process id. False when no snapshot could be taken.
    virtual bool SnapshotThreadOwners(std::vector<uint32_t>& owners) = 0;
    // Walks the process's heap with the given identifier from its first block, handing each
    // block to sink until it says stop or the blocks end. False when the walk can't start (9x
    // refuses identifier 0, which names no heap in its heap list).
    virtual bool WalkHeap(uint32_t processId, uintptr_t heapId, IHeapBlockSink& sink) = 0;
    // The identifier of the heap that the process's heap list flags as its default one; false
    // when the list can't be taken or flags none.
    virtual bool FindDefaultHeap(uint32_t processId, uintptr_t* heapId) = 0;
    // The process's priority class, 0 when it can't be read.
    virtual uint32_t GetPriorityClass(uint32_t processId) = 0;
    virtual bool SetPriorityClass(uint32_t processId, uint32_t priorityClass) = 0;
    // Ends the process with exit code 0; true when it was ended.
    virtual bool Terminate(uint32_t processId) = 0;
};
