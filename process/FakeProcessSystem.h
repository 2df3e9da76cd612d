// An in-memory system for tests and the benchmark: processes with their threads, heap blocks
// and priority classes; counts the snapshots and walks it is asked for.
#pragma once
#include "process/ProcessSystem.h"
#include <string>
#include <vector>

class FakeProcessSystem : public IProcessSystem {
public:
    struct HeapBlock {
        uint32_t size;
        uint32_t flags;
    };
    // An entry of a process's heap list with its blocks.
    struct ListedHeap {
        uintptr_t id;
        bool isDefault;
        std::vector<HeapBlock> blocks;
    };
    struct Process {
        uint32_t id = 0;
        std::string path;
        int threads = 1;
        uint32_t priorityClass = 32;
        bool canOpen = true;       // false: priority, termination and heap walk fail
        bool heapWalkable = true;  // false: no heap walk can start
        std::vector<HeapBlock> heap;  // walked by identifier 0
        bool heapZeroRefused = false;  // identifier 0 names no heap, as on 9x
        std::vector<ListedHeap> heapList;
    };

    Process& Add(uint32_t id, const std::string& path, int threads = 1);
    Process* Find(uint32_t id);
    void Remove(uint32_t id);
    // The process ends and a new one gets its number at once, in its place in the snapshot. 9x
    // rule: a process number is the address of the process's kernel record XORed with a value
    // fixed for the session, so a freed record's address comes back as a new process's number
    // (PC Magazine, "Stay in Control when Installing Software", InCtrl4, "The Obfuscator").
    Process& Reuse(uint32_t id, const std::string& path, int threads = 1);

    int SnapshotProcesses(const ProcessItem** rows) override;
    bool SnapshotThreadOwners(std::vector<uint32_t>& owners) override;
    bool WalkHeap(uint32_t processId, uintptr_t heapId, IHeapBlockSink& sink) override;
    bool FindDefaultHeap(uint32_t processId, uintptr_t* heapId) override;
    uint32_t GetPriorityClass(uint32_t processId) override;
    bool SetPriorityClass(uint32_t processId, uint32_t priorityClass) override;
    bool Terminate(uint32_t processId) override;

    std::vector<Process> processes;  // in the order a snapshot reports them
    bool threadSnapshotFails = false;

    int processSnapshots = 0;
    int threadSnapshots = 0;
    int heapWalks = 0;
    int heapBlocksVisited = 0;
    // Walks stopped before their last block. 9x rule: Heap32First allocates the walk's state and
    // only the Heap32Next call that returns FALSE frees it; there is no close call, so each one
    // leaks (Raymond Chen, "Why is the Heap32Next function incredibly slow on Windows 7?", The Old
    // New Thing, 2012-03-23).
    int heapWalksUnfinished = 0;
    std::vector<uint32_t> terminated;

private:
    std::vector<ProcessItem> m_table;
};
