// The Processes page's system calls over kernel32: the page's CProcess for process snapshots,
// tool-help for threads and heaps, and the process priority and termination calls.
#pragma once
#include "process/Debugger.h"
#include "process/Process.h"
#include "process/ProcessSystem.h"

// One tool-help process snapshot; false when it can't be taken. Whatever is asked for is filled:
// the table rows (kMaxProcesses rows) with *count, the owning process of every thread (from each
// process's thread count, which spares a thread snapshot), the thread total.
bool SnapshotProcessTable(ProcessItem* rows, int* count, std::vector<uint32_t>* owners, int* threads);

// Under Wine, the system's process list in one call: what a tool-help process snapshot holds,
// without the snapshot mapped again for each process it hands out (three requests to the Wine
// server each), read once for each full list. Elsewhere (and if the call fails) Take returns
// false and tool-help serves. One list serves the whole user-interface thread (the pages and
// the status bar), so that a list one of them has just taken serves the others while its size
// says nothing has changed.
class CWineProcessList {
public:
    static CWineProcessList& Shared();
    ~CWineProcessList();
    CWineProcessList(const CWineProcessList&) = delete;
    CWineProcessList& operator=(const CWineProcessList&) = delete;

    // Fills rows (a table of kMaxProcesses) and *count, and gives each process's thread count to
    // owners when there is a vector, the thread total to *threads when asked.
    bool Take(ProcessItem* rows, int* count, std::vector<uint32_t>* owners, int* threads);
    // The number of processes, at most kMaxProcesses.
    bool Count(int* count);

private:
    CWineProcessList();
    // Brings the list up to date; false when there is none.
    bool Update();
    // Reads a new full list into the rows, the thread owners and the thread total, once.
    void Parse();

    typedef long(WINAPI* QueryFn)(int, void*, unsigned long, unsigned long*);
    typedef int(WINAPI* WideToAnsiFn)(UINT, DWORD, const wchar_t*, int, char*, int, const char*, BOOL*);
    QueryFn m_pQuery = nullptr;
    WideToAnsiFn m_pWideToAnsi = nullptr;
    char* m_pBuffer = nullptr;
    unsigned long m_nBufferSize = 0;
    CListReuse m_reuse;
    ProcessItem m_rows[kMaxProcesses];
    int m_nRows = 0;
    int m_nThreads = 0;
    std::vector<uint32_t> m_owners;
};

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
    // The thread owners of the last process snapshot, until the thread snapshot that follows
    // it in a refresh takes them: one snapshot serves both.
    std::vector<uint32_t> m_owners;
    bool m_bOwnersUnread = false;
};

// The shell's "Open" verb, with no owner window.
class CShellOpenWin32 : public IShellOpen {
public:
    intptr_t Open(const char* file, const char* parameters, const char* directory) override;
};
