#include "process/FakeProcessSystem.h"
#include <string.h>

FakeProcessSystem::Process& FakeProcessSystem::Add(uint32_t id, const std::string& path, int threads)
{
    Process p;
    p.id = id;
    p.path = path;
    p.threads = threads;
    processes.push_back(p);
    return processes.back();
}

FakeProcessSystem::Process* FakeProcessSystem::Find(uint32_t id)
{
    for (Process& p : processes) {
        if (p.id == id)
            return &p;
    }
    return nullptr;
}

void FakeProcessSystem::Remove(uint32_t id)
{
    for (size_t i = 0; i < processes.size(); ++i) {
        if (processes[i].id == id) {
            processes.erase(processes.begin() + static_cast<long>(i));
            return;
        }
    }
}

FakeProcessSystem::Process& FakeProcessSystem::Reuse(uint32_t id, const std::string& path, int threads)
{
    Process* old = Find(id);
    if (!old)
        return Add(id, path, threads);
    *old = Process();
    old->id = id;
    old->path = path;
    old->threads = threads;
    return *old;
}

int FakeProcessSystem::SnapshotProcesses(const ProcessItem** rows)
{
    ++processSnapshots;
    m_table.assign(kMaxProcesses, ProcessItem());
    memset(m_table.data(), 0, sizeof(ProcessItem) * m_table.size());
    int count = 0;
    for (const Process& p : processes) {
        if (!AddProcessRow(m_table.data(), count, p.id, p.path.c_str()))
            break;
    }
    *rows = m_table.data();
    return count;
}

bool FakeProcessSystem::SnapshotThreadOwners(std::vector<uint32_t>& owners)
{
    ++threadSnapshots;
    owners.clear();
    if (threadSnapshotFails)
        return false;
    // Threads come interleaved across processes, as a system snapshot lists them.
    for (int round = 0;; ++round) {
        bool any = false;
        for (const Process& p : processes) {
            if (round < p.threads) {
                owners.push_back(p.id);
                any = true;
            }
        }
        if (!any)
            break;
    }
    return true;
}

bool FakeProcessSystem::WalkHeap(uint32_t processId, uintptr_t heapId, IHeapBlockSink& sink)
{
    ++heapWalks;
    Process* p = Find(processId);
    if (!p || !p->canOpen || !p->heapWalkable)
        return false;
    const std::vector<HeapBlock>* blocks = nullptr;
    if (heapId == 0) {
        if (!p->heapZeroRefused)
            blocks = &p->heap;
    } else {
        for (const ListedHeap& h : p->heapList) {
            if (h.id == heapId)
                blocks = &h.blocks;
        }
    }
    if (!blocks || blocks->empty())
        return false;
    for (const HeapBlock& b : *blocks) {
        ++heapBlocksVisited;
        if (!sink.OnBlock(b.size, b.flags)) {
            // Even after the last block: the Heap32Next call that would have said so never came.
            ++heapWalksUnfinished;
            break;
        }
    }
    return true;
}

bool FakeProcessSystem::FindDefaultHeap(uint32_t processId, uintptr_t* heapId)
{
    Process* p = Find(processId);
    if (!p || !p->canOpen || !p->heapWalkable)
        return false;
    for (const ListedHeap& h : p->heapList) {
        if (h.isDefault) {
            *heapId = h.id;
            return true;
        }
    }
    return false;
}

uint32_t FakeProcessSystem::GetPriorityClass(uint32_t processId)
{
    Process* p = Find(processId);
    return p && p->canOpen ? p->priorityClass : 0;
}

bool FakeProcessSystem::SetPriorityClass(uint32_t processId, uint32_t priorityClass)
{
    Process* p = Find(processId);
    if (!p || !p->canOpen)
        return false;
    p->priorityClass = priorityClass;
    return true;
}

bool FakeProcessSystem::Terminate(uint32_t processId)
{
    Process* p = Find(processId);
    if (!p || !p->canOpen)
        return false;
    terminated.push_back(processId);
    Remove(processId);
    return true;
}
