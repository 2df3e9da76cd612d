// The kernel's performance counters: Windows 9x publishes them in its dynamic registry
// (HKEY_DYN_DATA\PerfStats). Where that registry holds no counters (the NT family, Wine) the CPU
// percentage and the thread total come from the system's own calls instead.
#pragma once
#include "common/RefreshPacer.h"
#include "common/Registry.h"
#include <stdint.h>

// Value names of the counters the program reads.
extern const char kStatCpuUsage[];     // "KERNEL\CPUUsage", percent
extern const char kStatThreads[];      // "KERNEL\Threads", thread total
extern const char kStatPagesFree[];    // "VMM\cpgFree", pages
extern const char kStatPagesLocked[];  // "VMM\cpgLocked", pages

enum { kStatBufferSize = 80 };

class IStatCounters {
public:
    virtual ~IStatCounters() = default;
    // Starts the named statistic (its value is queried under the start key; the data is not used).
    virtual void Start(const char* name) = 0;
    // Stops a started statistic (its value is queried under the stop key; the data is not used).
    virtual void Stop(const char* name) = 0;
    // Reads the named statistic's current data into buffer (capacity size bytes); true when read.
    virtual bool Query(const char* name, unsigned char* buffer, uint32_t size) = 0;
};

// The counters of the dynamic registry: "PerfStats\StartStat", "PerfStats\StatData" and
// "PerfStats\StopStat". Every call opens and closes its key (the registry interface does so).
class CDynDataCounters : public IStatCounters {
public:
    explicit CDynDataCounters(IRegistry& registry) : m_registry(registry) {}
    void Start(const char* name) override;
    void Stop(const char* name) override;
    bool Query(const char* name, unsigned char* buffer, uint32_t size) override;

private:
    IRegistry& m_registry;
};

// What the system itself can tell where the dynamic registry cannot.
class ISystemTimes {
public:
    virtual ~ISystemTimes() = default;
    // Idle, kernel (idle included) and user time of all processors, in 100 ns units; false when
    // the system has no such call.
    virtual bool GetSystemTimes(uint64_t* idle, uint64_t* kernel, uint64_t* user) = 0;
    // Number of threads in the system; false when no thread snapshot can be taken.
    virtual bool CountThreads(int* count) = 0;
};

// Processor time (100 ns units, all processors) below which two readings are too close together
// to give a meaningful share: 10 ms.
enum { kMinCpuSpan = 100000 };

// The busy share, in percent 0..100, of the processor time between two readings of the system
// times (kernel time includes idle time); -1 when less than kMinCpuSpan lies between them or a
// time went backwards.
int CpuPercentBetween(uint64_t idle0, uint64_t kernel0, uint64_t user0, uint64_t idle1, uint64_t kernel1,
                      uint64_t user1);

// The dynamic registry first, whenever the value can be read there; otherwise the CPU percentage
// from the difference of two readings of the system times, the thread total from a thread
// snapshot, and nothing (so 0) for the two page counts. Given a clock, a counter the registry
// could not give is asked of it again only kRegistryRetryUs later: where there are no such
// counters (the NT family, Wine) each read would be a call into the system for nothing, several
// times a refresh.
class CFallbackCounters : public IStatCounters {
public:
    enum { kRegistryRetryUs = 1000000 };
    CFallbackCounters(IStatCounters& primary, ISystemTimes& system, IFineClock* clock = nullptr)
        : m_primary(primary), m_system(system), m_pClock(clock)
    {
    }
    void Start(const char* name) override;
    void Stop(const char* name) override { m_primary.Stop(name); }
    bool Query(const char* name, unsigned char* buffer, uint32_t size) override;

private:
    bool SampleCpu(int* percent);
    bool QueryPrimary(const char* name, unsigned char* buffer, uint32_t size);

    IStatCounters& m_primary;
    ISystemTimes& m_system;
    IFineClock* m_pClock;
    // The counters the registry could not give, and when it was last asked for each.
    struct Miss {
        char name[24];
        int64_t at;
    };
    Miss m_misses[4] = {};
    bool m_bHaveSample = false;
    uint64_t m_idle = 0;
    uint64_t m_kernel = 0;
    uint64_t m_user = 0;
    int m_nLastPercent = 0;
};
