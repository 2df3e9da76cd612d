// The Processes page's refresh and commands over its list rows and the system. The rows are
// the page's only store: column 0 image name, 1 process number ("%d", the row's key), 2 level,
// 3 heap size ("%d K"), 4 thread count ("%d").
#pragma once
#include "common/ListRows.h"
#include "common/ShownRefresh.h"
#include "process/ProcessSystem.h"
#include <stdint.h>
#include <vector>

enum {
    kColumnImage = 0,
    kColumnProcessId = 1,
    kColumnLevel = 2,
    kColumnHeap = 3,
    kColumnThreads = 4,
    kInsertIndex = 100,   // a new row goes here: appended while the list is shorter
    kHeapBlockLimit = 202,  // the first block and at most 201 more
    kCellBytes = 100,
};

// The level column's text for a priority class; "" for a class that maps to nothing.
const char* PriorityName(uint32_t priorityClass);
// The popup command that carries the check mark for a class; 0 for none.
unsigned PriorityCommand(uint32_t priorityClass);
// The class a popup priority command sets; 0 for any other command.
uint32_t PriorityClassOfCommand(unsigned command);

// Sum of the sizes of the non-free blocks among the first kHeapBlockLimit of a walk of the
// process's heap 0, or of its default heap where heap 0 is refused, in K (truncated); 0 when
// neither walk can start. Every walk is taken to its last block.
int HeapSizeK(IProcessSystem& system, uint32_t processId);

// The thread that walks the heaps, as the list sees it: told when walks wait to be taken.
class IHeapWorker {
public:
    virtual void Wake() = 0;

protected:
    ~IHeapWorker() = default;
};

class CProcessList {
public:
    // heapRow is the page's heap-rotation cursor, shared with the page. Without a worker, each
    // heap walk runs at once on the calling thread.
    CProcessList(IListRows& rows, IProcessSystem& system, int& heapRow, IHeapWorker* worker = nullptr);

    // The four steps, in their order, over every row's key read once at the start.
    void RefreshProcessList();
    // The page's timer tick: the refresh runs only while the page can be seen.
    void OnTimerTick(bool shown);
    // The page has come into view: one refresh at once when a tick was skipped meanwhile.
    void OnShown();
    // The heap step on its own: advances the cursor and has the heap of the row it selects
    // walked (at once without a worker).
    void UpdateNextHeapSize();

    // The worker's side. Its one pass over the rows begins: a step per row, the row count read
    // again before each.
    void StartHeapPass();
    // The next process whose heap the worker walks: first those queued by the refreshes, then
    // the pass's next step (a cursor advance and the row it selects, in one go). False when
    // nothing is left.
    bool TakeHeapWalk(uint32_t* processId);
    // A walk's figure: written to the row that holds the process now, if any still does.
    void SetHeapSize(uint32_t processId, int sizeK);

    int GetRowProcessID(int row) const;
    int GetSelectedRow() const { return m_rows.GetSelected(); }
    bool IsProcessNotListed(int processId) const;
    // Writes the text only when it differs from the cell's; true when it wrote.
    bool SetCellText(int row, int col, const char* text);

    // Ends the selected process; its row goes at once when that succeeds.
    void EndSelectedProcess();
    // Sets the selected process's class from a popup command.
    void SetSelectedPriority(unsigned command);
    // The popup's check-mark command for the selected process, 0 for none (also with no selection).
    unsigned SelectedPriorityCommand();

private:
    // The steps of one refresh, over m_rowIds, which they keep in step with the rows as they
    // insert and delete them.
    void ReadRowIds();
    void AddNewProcesses();
    void UpdateThreadCounts();
    void UpdatePriorities();
    // Advances the heap cursor and returns the row it selects, -1 when the list is empty.
    int NextHeapRow();
    // Walks the row's heap at once, or queues the walk for the worker.
    void WalkHeapOf(int row, uint32_t processId);
    void WriteHeapSize(int row, int sizeK);

    IListRows& m_rows;
    IProcessSystem& m_system;
    int& m_nHeapRow;
    IHeapWorker* m_pWorker;
    std::vector<uint32_t> m_heapQueue;  // processes whose walks wait for the worker
    int m_nPassStep = -1;               // steps of the worker's pass taken; -1 when none runs
    // Reused between refreshes so that a steady refresh allocates nothing.
    std::vector<uint32_t> m_listed;
    std::vector<uint32_t> m_byNumber;  // snapshot positions, by process number
    std::vector<uint32_t> m_owners;
    std::vector<uint32_t> m_rowIds;  // column 1 of every row, in row order
    CShownRefresh m_shown;
};
