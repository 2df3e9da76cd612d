// The module total of the Performance page without taking every process's module list on every
// refresh. Each listed process keeps its module count; a refresh's process snapshot adds the
// processes that started (counted at once) and drops those that ended, so the total is exact for
// the processes of that snapshot. Libraries loaded or unloaded inside a running process reach the
// total as the running processes are counted again in turn: each one at the latest when waiting
// for the next refresh would leave its count older than kModuleRecountBound, spread evenly over
// the refreshes, and more often where a count is cheap (a spare time budget per second).
#pragma once
#include "common/RefreshPacer.h"
#include "process/ProcessTables.h"

class IModuleCounter {
public:
    virtual ~IModuleCounter() = default;
    // The number of modules the process has loaded now; 0 when its list can't be taken.
    virtual int CountModules(uint32_t processId) = 0;
};

// The oldest a process's count may be when it is shown (microseconds): a library load reaches the
// total within 5 s at every speed from 50 to 1000 ms, with room for a late timer; at slower speeds
// every process is counted again at every refresh.
const int64_t kModuleRecountBound = 4600000;
// Counting time spent beyond what the bound needs, per second of refreshes (microseconds): where
// a count is cheap the processes are counted again faster than the bound asks.
const int64_t kModuleCountBudget = 2000;
// The least a count is charged against that budget, for a clock too coarse to time it.
const int64_t kModuleCountMinCost = 200;

class CModuleTotal {
public:
    // One refresh with the rows of a fresh process snapshot; the clock times the refresh and
    // each count. Returns the module total of those processes.
    int Update(const ProcessItem* rows, int count, IModuleCounter& counter, IFineClock& clock);

private:
    struct Entry {
        unsigned long id;
        char name[kMaxPathBytes];
        int modules;
        int64_t counted;  // the time of the refresh that counted it
    };
    void Count(Entry& entry, int64_t now, IModuleCounter& counter, IFineClock& clock);
    int FindPrevious(unsigned long id, int hint) const;

    Entry m_entries[kMaxProcesses];   // the processes of the last snapshot, in its order
    Entry m_previous[kMaxProcesses];  // those of the snapshot before, while a refresh matches them
    int m_nEntries = 0;
    int m_nPrevious = 0;
    bool m_bUpdated = false;
    int64_t m_nLastUpdate = 0;
    int64_t m_nPaceCredit = 0;  // process-microseconds owed to the turn of counts
    int64_t m_nBudget = 0;      // spare counting time, microseconds
    int64_t m_nCountCost = 0;   // recent cost of one count, microseconds
};

// Where a module count is dear and the size of a process's address space is cheap (under Wine a
// count reads the other process's loader list one entry at a time, a request to the server for
// each module, while the size is one request): a library loaded or unloaded maps or unmaps its
// image and so changes that size, and a process whose size is what it was at its last count keeps
// that count. A count older than kMaxAgeMs is taken again all the same, for the load and the
// release of the same number of bytes in between. Times are system ticks in ms (wrapping).
class CModuleCountCache {
public:
    enum { kMaxAgeMs = 30000 };
    // The count kept for the process at this size; false when it must be counted.
    bool Find(uint32_t id, uint64_t size, uint32_t nowMs, int* count) const;
    void Store(uint32_t id, uint64_t size, uint32_t nowMs, int count);

private:
    struct Slot {
        bool used;
        uint32_t id;
        uint64_t size;
        uint32_t countedMs;
        int count;
    };
    Slot m_slots[kMaxProcesses] = {};
    int m_nNext = 0;  // the slot the next newcomer takes once every slot is used
};
