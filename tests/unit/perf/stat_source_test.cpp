// The statistics source: counter reading, the memory arithmetic, the four total blocks and the
// stand-ins used where the dynamic registry has no counters.
#include "PerfFakes.h"
#include "common/MemoryRegistry.h"
#include "perf/StatCounters.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <limits.h>

namespace {

struct Monitor {
    Monitor() { monitor.Connect(counters, system, system); }
    // One totals pass with the memory status of `bytes` total and `load` percent.
    void Totals(uint64_t bytes, uint32_t load, uint64_t totalVirtual = 0x7FE00000)
    {
        system.memory.dwTotalPhys = bytes;
        system.memory.dwMemoryLoad = load;
        system.memory.dwTotalVirtual = totalVirtual;
        monitor.UpdateTotals(view);
    }
    FakeCounters counters;
    FakeSystem system;
    FakeView view;
    CPerformanceMonitor monitor;
};

TEST(MemoryFigures, WorkedExampleAndLoadZero)
{
    int total = -1, avail = -1;
    ComputeMemoryFigures(67108864, 37, &total, &avail);
    EXPECT_EQ(65536, total);
    EXPECT_EQ(41287, avail);  // 42278608 bytes, 41287.7 K truncated
    // The load alone decides: a load of 0 leaves everything available.
    ComputeMemoryFigures(67108864 + 1500, 0, &total, &avail);
    EXPECT_EQ(65537, total);
    EXPECT_EQ((67108864 + 1500) / 1024, avail);
}

TEST(MemoryFigures, AboveTwoAndFourGigabytesTheFiguresAreExact)
{
    int total = 0, avail = 0;
    ComputeMemoryFigures(0xFFFFFFFFu, 0, &total, &avail);
    EXPECT_EQ(4194303, total);
    EXPECT_EQ(4194303, avail);
    ComputeMemoryFigures(0x80000000u, 10, &total, &avail);
    EXPECT_EQ(2097152, total);
    // 2147483648 - 10 * 21474836 = 1932735288 bytes.
    EXPECT_EQ(1932735288 / 1024, avail);
    // 6 GB at 25 %: 6442450944 - 25 * 64424509 = 4831838219 bytes.
    ComputeMemoryFigures(6ull << 30, 25, &total, &avail);
    EXPECT_EQ(6291456, total);
    EXPECT_EQ(4718592, avail);
    // Exact up to 2 TB (2^31 K), held at the limit beyond.
    ComputeMemoryFigures((2ull << 40) - 1024, 0, &total, &avail);
    EXPECT_EQ(INT_MAX, total);
    ComputeMemoryFigures(8ull << 40, 0, &total, &avail);
    EXPECT_EQ(INT_MAX, total);
    EXPECT_EQ(INT_MAX, avail);
}

TEST(Totals, WorkedExampleFillsAllFourBlocks)
{
    Monitor m;
    m.system.processes = 7;
    m.system.modules = 93;
    m.counters.Set("KERNEL\\Threads", 55);
    m.counters.Set("VMM\\cpgFree", 5000);
    m.counters.Set("VMM\\cpgLocked", 3000);
    m.Totals(67108864, 37, 0x7FE00000);
    EXPECT_EQ("93\n55\n7", m.view.texts[kIdTotals]);
    EXPECT_EQ("65536\n41287\n24249", m.view.texts[kIdPhysicalMemory]);
    EXPECT_EQ("24249\n2095104\n24249", m.view.texts[kIdCommitCharge]);
    EXPECT_EQ("7\n4\n2", m.view.texts[kIdKernelMemory]);
    EXPECT_EQ(65536, m.monitor.m_nTotalPhys);
    EXPECT_EQ(41287, m.monitor.m_nAvailPhys);
}

TEST(Totals, ThreeGigabytesAtTenPercentShowWhatIsUsed)
{
    Monitor m;
    // 3221225472 - 10 * 32212254 = 2899102932 bytes available; a 3 GB virtual space.
    m.Totals(3ull << 30, 10, 3ull << 30);
    EXPECT_EQ("3145728\n2831155\n314573", m.view.texts[kIdPhysicalMemory]);
    EXPECT_EQ("314573\n3145728\n314573", m.view.texts[kIdCommitCharge]);
    EXPECT_EQ(3145728, m.monitor.m_nTotalPhys);
    EXPECT_EQ(2831155, m.monitor.m_nAvailPhys);
}

TEST(Totals, PageCountsDivideLineByLine)
{
    Monitor m;
    m.counters.Set("VMM\\cpgFree", 1023);
    m.counters.Set("VMM\\cpgLocked", 1);
    m.Totals(67108864, 37);
    EXPECT_EQ("1\n0\n0", m.view.texts[kIdKernelMemory]);
}

TEST(Totals, UnreadableOrNegativeCounterShowsZeroAlone)
{
    Monitor m;
    m.system.processes = 3;
    m.system.modules = 12;
    m.counters.Set("VMM\\cpgFree", -4096);
    m.counters.Set("VMM\\cpgLocked", 2048);
    m.Totals(67108864, 0);  // no "KERNEL\Threads" at all
    EXPECT_EQ("12\n0\n3", m.view.texts[kIdTotals]);
    EXPECT_EQ("2\n0\n2", m.view.texts[kIdKernelMemory]);
    EXPECT_EQ("65536\n65536\n0", m.view.texts[kIdPhysicalMemory]);
}

TEST(Totals, PeakKeepsTheHighestUse)
{
    Monitor m;
    EXPECT_EQ(0, m.monitor.m_nCommitPeak);  // nothing before the first refresh
    EXPECT_EQ(0, m.monitor.m_nAvailPhys);
    EXPECT_EQ(0, m.monitor.m_nTotalPhys);
    m.Totals(67108864, 37);
    m.Totals(67108864, 50);
    int highest = m.monitor.m_nTotalPhys - m.monitor.m_nAvailPhys;
    m.Totals(67108864, 20);
    EXPECT_EQ(highest, m.monitor.m_nCommitPeak);
    EXPECT_LT(m.monitor.m_nTotalPhys - m.monitor.m_nAvailPhys, highest);
    EXPECT_EQ(std::to_string(highest), m.view.texts[kIdCommitCharge].substr(m.view.texts[kIdCommitCharge].rfind('\n') + 1));
}

// The module total, kept by process: refreshes every `period` ms on the fake clock.
struct Tally {
    Tally()
    {
        monitor.Connect(counters, system, system);
        for (uint32_t id = 1; id <= 14; ++id)
            system.procs.push_back({id * 4, "p" + std::to_string(id) + ".exe", 10 + static_cast<int>(id)});
    }
    // One refresh `ms` after the last; the total it shows.
    int After(int64_t ms)
    {
        system.now += ms * 1000;
        int processes;
        int total = monitor.CountAllModules(&processes);
        shownProcesses = processes;
        return total;
    }
    int Expected()
    {
        int sum = 0;
        for (const FakeSystem::Process& p : system.procs)
            sum += p.listable ? p.modules : 0;
        return sum;
    }
    // Ms until a change made now is shown, refreshing every `period` ms (-1: not within 20 s).
    int Latency(int period)
    {
        for (int t = period; t <= 20000; t += period) {
            if (After(period) == Expected())
                return t;
        }
        return -1;
    }
    FakeCounters counters;
    FakeSystem system;
    CPerformanceMonitor monitor;
    int shownProcesses = 0;
};

TEST(ModuleTotal, StartsAndEndsCountAtTheNextRefresh)
{
    Tally t;
    EXPECT_EQ(t.Expected(), t.After(0));
    t.After(1000);
    t.system.procs.push_back({500, "new.exe", 33});
    EXPECT_EQ(t.Expected(), t.After(50));
    EXPECT_EQ(15, t.shownProcesses);
    t.system.procs.erase(t.system.procs.begin() + 3);
    EXPECT_EQ(t.Expected(), t.After(50));
    EXPECT_EQ(14, t.shownProcesses);
}

TEST(ModuleTotal, ALoadInARunningProcessIsShownWithinFiveSecondsAtEverySpeed)
{
    for (int period : {50, 500, 1000, 5000}) {
        for (size_t k = 0; k < 14; k += 3) {
            Tally t;
            t.system.countCost = 2000;  // 2 ms a count, as under Wine
            for (int i = 0; i < 200; ++i)
                t.After(period);  // settled: counts spread over the refreshes
            t.system.counted.clear();
            t.system.procs[k].modules += 3;
            int latency = t.Latency(period);
            EXPECT_TRUE(latency > 0 && latency <= 5000) << period << " ms, process " << k << ": " << latency;
            if (period == 5000) {
                EXPECT_EQ(5000, latency);  // at the next refresh
            }
        }
    }
}

TEST(ModuleTotal, RunningProcessesAreCountedInTurnNotAtEveryRefresh)
{
    Tally t;
    t.system.countCost = 2000;
    t.After(0);
    t.system.counted.clear();
    for (int i = 0; i < 200; ++i)
        t.After(50);  // 10 s at the fastest speed
    // 14 processes within every 4.6 s: about 30 counts, nowhere near one per process per refresh.
    EXPECT_GE(t.system.counted.size(), 28u);
    EXPECT_LE(t.system.counted.size(), 45u);
    // Where a count is cheap, the spare budget turns the round faster.
    Tally cheap;
    cheap.system.countCost = 50;
    cheap.After(0);
    for (int i = 0; i < 200; ++i)
        cheap.After(50);
    cheap.system.procs[0].modules += 1;
    int latency = cheap.Latency(50);
    EXPECT_TRUE(latency > 0 && latency <= 2000) << latency;
}

TEST(ModuleTotal, AReusedNumberIsCountedAfresh)
{
    Tally t;
    t.system.countCost = 2000;
    for (int i = 0; i < 100; ++i)
        t.After(50);
    // Another program under the number just counted again (the last its turn would reach):
    // counted at once.
    t.system.counted.clear();
    while (t.system.counted.empty())
        t.After(50);
    FakeSystem::Process* last = t.system.Find(t.system.counted.back());
    *last = {last->id, "other.exe", 77};
    EXPECT_EQ(t.Expected(), t.After(50));
    // The same program started again under its number: within the bound.
    t.system.procs[5].modules = 40;
    int latency = t.Latency(1000);
    EXPECT_TRUE(latency > 0 && latency <= 5000) << latency;
}

TEST(ModuleTotal, CapacitiesHoldAndAnUnlistableProcessAddsZero)
{
    Tally t;
    t.system.procs.clear();
    for (uint32_t id = 1; id <= 300; ++id)
        t.system.procs.push_back({id, "many.exe", id == 1 ? 400 : 1});
    EXPECT_EQ(250 + 254, t.After(0));
    EXPECT_EQ(255, t.shownProcesses);
    EXPECT_EQ(255u, t.system.counted.size());

    // A process whose list can no longer be taken drops to 0 at its next count.
    Tally u;
    u.After(0);
    u.system.procs[4].listable = false;
    int latency = u.Latency(1000);
    EXPECT_TRUE(latency > 0 && latency <= 5000) << latency;
}

TEST(ModuleTotal, ACountServesWhileTheAddressSpaceKeepsItsSize)
{
    CModuleCountCache cache;
    int count = -1;
    EXPECT_FALSE(cache.Find(100, 4096000, 0, &count));
    cache.Store(100, 4096000, 0, 12);
    cache.Store(104, 9000000, 0, 30);
    ASSERT_TRUE(cache.Find(100, 4096000, 29999, &count));
    EXPECT_EQ(12, count);
    EXPECT_FALSE(cache.Find(100, 4096000 + 65536, 10, &count));  // a library mapped
    EXPECT_FALSE(cache.Find(100, 4096000, 30000, &count));       // counted again at least every 30 s
    EXPECT_FALSE(cache.Find(108, 4096000, 10, &count));          // another process
    cache.Store(100, 4161536, 10, 13);  // a new count replaces the old one
    ASSERT_TRUE(cache.Find(100, 4161536, 20, &count));
    EXPECT_EQ(13, count);
    EXPECT_FALSE(cache.Find(100, 4096000, 20, &count));
    ASSERT_TRUE(cache.Find(104, 9000000, 20, &count));
    EXPECT_EQ(30, count);

    // Past its capacity the oldest slots give way; nothing is written out of bounds.
    for (uint32_t id = 1000; id < 1000 + 2 * kMaxProcesses; ++id)
        cache.Store(id, id, 30, static_cast<int>(id));
    ASSERT_TRUE(cache.Find(999 + 2 * kMaxProcesses, 999 + 2 * kMaxProcesses, 40, &count));
    EXPECT_EQ(999 + 2 * kMaxProcesses, count);
    EXPECT_FALSE(cache.Find(100, 4161536, 40, &count));
}

TEST(StatValue, FirstFourBytesLittleEndianWhateverTheType)
{
    Monitor m;
    // Eight bytes of binary data: only the first four count.
    m.counters.raw["KERNEL\\CPUUsage"] = std::string("\x25\x00\x00\x00\xff\xff\xff\xff", 8);
    EXPECT_EQ(37, m.monitor.GetCpuUsage());
    m.counters.raw["KERNEL\\Threads"] = std::string("\x01\x02\x03\x04", 4);
    EXPECT_EQ(0x04030201, m.monitor.GetStatValue("KERNEL\\Threads"));
    m.counters.raw["KERNEL\\Threads"] = std::string("\x00\x00\x00\x80", 4);
    EXPECT_EQ(0, m.monitor.GetStatValue("KERNEL\\Threads"));
    // Data longer than the 80-byte buffer cannot be read.
    m.counters.raw["KERNEL\\CPUUsage"] = std::string(81, '\x05');
    EXPECT_EQ(0, m.monitor.GetCpuUsage());
}

TEST(DynData, StartsUnderStartStatAndReadsUnderStatData)
{
    MemoryRegistry registry;
    registry.Put(RegRoot::DynData, "PerfStats\\StatData", "KERNEL\\CPUUsage", std::string("\x2a\0\0\0", 4), 3);
    registry.Put(RegRoot::LocalMachine, "PerfStats\\StatData", "KERNEL\\Threads", std::string("\x09\0\0\0", 4), 3);
    CDynDataCounters counters(registry);
    FakeSystem system;
    CPerformanceMonitor monitor;
    monitor.Connect(counters, system, system);
    monitor.StartStats();
    EXPECT_EQ(42, monitor.GetCpuUsage());
    EXPECT_EQ(0, monitor.GetStatValue("KERNEL\\Threads"));  // only the dynamic root counts
}

TEST(DynData, EveryCounterReadIsStartedFirstAndAllAreStoppedOnce)
{
    MemoryRegistry registry;
    CDynDataCounters counters(registry);
    FakeSystem system;
    FakeView view;
    CPerformanceMonitor monitor;
    monitor.Connect(counters, system, system);
    monitor.Initialise(view);
    monitor.Refresh(view);
    std::vector<std::string> started, stopped;
    for (const std::string& q : registry.queries) {
        std::string name = q.substr(q.find('|') + 1);
        if (q.rfind("PerfStats\\StartStat|", 0) == 0)
            started.push_back(name);
        else if (q.rfind("PerfStats\\StatData|", 0) == 0)
            EXPECT_NE(std::find(started.begin(), started.end(), name), started.end()) << name << " read unstarted";
        else
            ADD_FAILURE() << q;
    }
    const std::vector<std::string> four = {"KERNEL\\CPUUsage", "KERNEL\\Threads", "VMM\\cpgFree", "VMM\\cpgLocked"};
    EXPECT_EQ(four, started);

    registry.queries.clear();
    monitor.StopStats();
    monitor.StopStats();  // the Exit path after the end of the session: stopped once
    for (const std::string& q : registry.queries) {
        EXPECT_EQ(0u, q.rfind("PerfStats\\StopStat|", 0)) << q;
        stopped.push_back(q.substr(q.find('|') + 1));
    }
    EXPECT_EQ(four, stopped);
}

// System times in 100 ns units, moved forward by the test.
class FakeTimes : public ISystemTimes {
public:
    bool GetSystemTimes(uint64_t* i, uint64_t* k, uint64_t* u) override
    {
        ++calls;
        *i = idle;
        *k = kernel;
        *u = user;
        return haveTimes;
    }
    bool CountThreads(int* count) override
    {
        *count = threads;
        return threads >= 0;
    }
    // Advances by `busy` and `idleTime` ms of processor time.
    void Spend(uint64_t busyMs, uint64_t idleMs)
    {
        idle += idleMs * 10000;
        kernel += (idleMs + busyMs / 2) * 10000;
        user += (busyMs - busyMs / 2) * 10000;
    }
    uint64_t idle = 5000000, kernel = 9000000, user = 3000000;
    bool haveTimes = true;
    int threads = 17;
    int calls = 0;
};

TEST(CpuPercent, BusyShareOfTheTimeBetweenReadings)
{
    // 300 ms busy and 700 ms idle; kernel time includes the idle time.
    EXPECT_EQ(30, CpuPercentBetween(0, 0, 0, 7000000, 8000000, 2000000));
    EXPECT_EQ(100, CpuPercentBetween(10, 10, 10, 10, 200010, 300010));
    EXPECT_EQ(-1, CpuPercentBetween(0, 0, 0, 0, 50000, 40000));       // under 10 ms: too close
    EXPECT_EQ(-1, CpuPercentBetween(100, 900000, 0, 50, 1900000, 0));  // idle went backwards
}

TEST(Fallback, RegistryPreferredWheneverReadable)
{
    FakeCounters dyn;
    FakeTimes times;
    CFallbackCounters counters(dyn, times);
    FakeSystem system;
    CPerformanceMonitor monitor;
    monitor.Connect(counters, system, system);
    monitor.StartStats();
    ASSERT_EQ("start KERNEL\\CPUUsage", dyn.log.at(0));

    times.Spend(250, 750);
    EXPECT_EQ(25, monitor.GetCpuUsage());
    times.Spend(0, 20);
    EXPECT_EQ(0, monitor.GetCpuUsage());
    EXPECT_EQ(17, monitor.GetStatValue("KERNEL\\Threads"));
    EXPECT_EQ(0, monitor.GetStatValue("VMM\\cpgFree"));
    EXPECT_EQ(0, monitor.GetStatValue("VMM\\cpgLocked"));

    dyn.Set("KERNEL\\CPUUsage", 37);
    dyn.Set("KERNEL\\Threads", 120);
    dyn.Set("VMM\\cpgFree", 4096);
    EXPECT_EQ(37, monitor.GetCpuUsage());
    EXPECT_EQ(120, monitor.GetStatValue("KERNEL\\Threads"));
    EXPECT_EQ(4096, monitor.GetStatValue("VMM\\cpgFree"));
}

TEST(Fallback, ACounterTheRegistryLacksIsAskedForAgainOnlyAfterASecond)
{
    FakeCounters dyn;
    FakeTimes times;
    FakeSystem clock;
    CFallbackCounters counters(dyn, times, &clock);
    unsigned char buffer[kStatBufferSize];
    auto asked = [&](const std::string& name) {
        return std::count(dyn.log.begin(), dyn.log.end(), "query " + name);
    };
    for (int i = 0; i <= 20; ++i) {  // a second of refreshes at 50 ms, from 0 to 1000 ms
        ASSERT_TRUE(counters.Query(kStatThreads, buffer, sizeof buffer));
        EXPECT_EQ(17, buffer[0]);  // the stand-in's total
        EXPECT_FALSE(counters.Query(kStatPagesFree, buffer, sizeof buffer));
        clock.now += 50000;
    }
    EXPECT_EQ(2, asked(kStatThreads));  // at 0 and at 1000 ms
    EXPECT_EQ(2, asked(kStatPagesFree));

    // Once the registry has the counter, it is read from there a second after the last miss, and
    // from then on at every read.
    dyn.Set(kStatThreads, 120);
    clock.now += 900000;  // 950 ms after the miss
    ASSERT_TRUE(counters.Query(kStatThreads, buffer, sizeof buffer));
    EXPECT_EQ(17, buffer[0]);
    clock.now += 50000;
    ASSERT_TRUE(counters.Query(kStatThreads, buffer, sizeof buffer));
    EXPECT_EQ(120, buffer[0]);
    ASSERT_TRUE(counters.Query(kStatThreads, buffer, sizeof buffer));
    EXPECT_EQ(4, asked(kStatThreads));
    EXPECT_EQ(2, asked(kStatPagesFree));
}

TEST(Fallback, ReadingsTooCloseRepeatTheLastFigureAndKeepTheirBase)
{
    FakeCounters dyn;
    FakeTimes times;
    CFallbackCounters counters(dyn, times);
    FakeSystem system;
    CPerformanceMonitor monitor;
    monitor.Connect(counters, system, system);
    monitor.StartStats();
    EXPECT_EQ(0, monitor.GetCpuUsage());  // straight after the start: no time has passed
    times.Spend(600, 400);
    EXPECT_EQ(60, monitor.GetCpuUsage());
    times.Spend(4, 0);  // 4 ms later: repeats 60 and keeps the base
    EXPECT_EQ(60, monitor.GetCpuUsage());
    times.Spend(96, 900);  // measured from the kept base: 100 busy of 1000
    EXPECT_EQ(10, monitor.GetCpuUsage());
}

TEST(Fallback, NothingToReadGivesZero)
{
    FakeCounters dyn;
    FakeTimes times;
    times.haveTimes = false;
    times.threads = -1;
    CFallbackCounters counters(dyn, times);
    FakeSystem system;
    CPerformanceMonitor monitor;
    monitor.Connect(counters, system, system);
    monitor.StartStats();
    EXPECT_EQ(0, monitor.GetCpuUsage());
    EXPECT_EQ(0, monitor.GetStatValue("KERNEL\\Threads"));
}

}  // namespace
