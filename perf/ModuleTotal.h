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
