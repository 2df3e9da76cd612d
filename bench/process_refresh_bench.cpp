// Cost of one Processes-page refresh over a fake system of 255 processes and 3000 threads:
// platform snapshots and heap walks per refresh, cell writes per steady refresh, and time.
#include "common/MemoryListRows.h"
#include "process/FakeProcessSystem.h"
#include "process/ProcessList.h"
#include <benchmark/benchmark.h>
#include <string>

namespace {

const int kProcesses = 255;
const int kThreads = 3000;
const int kHeapBlocks = 400;  // more than one walk visits

void BuildSystem(FakeProcessSystem& system)
{
    for (int i = 0; i < kProcesses; ++i) {
        // 3000 threads over 255 processes: 195 with 12, 60 with 11.
        int threads = kThreads / kProcesses + (i < kThreads % kProcesses ? 1 : 0);
        FakeProcessSystem::Process& p =
            system.Add(0xFFF00000u + 0x1000u * static_cast<uint32_t>(i),
                       "C:\\WINDOWS\\SYSTEM\\PROC" + std::to_string(i) + ".EXE", threads);
        p.priorityClass = i % 7 == 0 ? 128 : 32;
        for (int b = 0; b < kHeapBlocks; ++b)
            p.heap.push_back({static_cast<uint32_t>(64 + b), b % 5 == 0 ? 2u : 1u});
    }
}

void SteadyRefresh(benchmark::State& state)
{
    FakeProcessSystem system;
    BuildSystem(system);
    MemoryListRows rows;
    int heapRow = 0;
    CProcessList list(rows, system, heapRow);
    // Bring the list to its steady state: every row listed and every heap cell filled once.
    list.RefreshProcessList();
    for (int i = 0; i < kProcesses; ++i)
        list.RefreshProcessList();

    int processSnapshots = system.processSnapshots;
    int threadSnapshots = system.threadSnapshots;
    int heapWalks = system.heapWalks;
    int writes = rows.cellWrites;
    int64_t refreshes = 0;
    for (auto _ : state) {
        list.RefreshProcessList();
        ++refreshes;
    }
    double n = static_cast<double>(refreshes);
    state.counters["rows"] = rows.GetCount();
    state.counters["process_snapshots_per_refresh"] = (system.processSnapshots - processSnapshots) / n;
    state.counters["thread_snapshots_per_refresh"] = (system.threadSnapshots - threadSnapshots) / n;
    state.counters["heap_walks_per_refresh"] = (system.heapWalks - heapWalks) / n;
    state.counters["platform_snapshots_per_refresh"] =
        (system.processSnapshots - processSnapshots + system.threadSnapshots - threadSnapshots + system.heapWalks -
         heapWalks) / n;
    state.counters["cell_writes_per_refresh"] = (rows.cellWrites - writes) / n;
}
BENCHMARK(SteadyRefresh)->Unit(benchmark::kMicrosecond);

// The first refresh of an empty list: 255 insertions and every cell written.
void FirstRefresh(benchmark::State& state)
{
    FakeProcessSystem system;
    BuildSystem(system);
    int64_t writes = 0;
    int64_t refreshes = 0;
    for (auto _ : state) {
        MemoryListRows rows;
        int heapRow = 0;
        CProcessList list(rows, system, heapRow);
        list.RefreshProcessList();
        writes += rows.cellWrites;
        ++refreshes;
    }
    state.counters["cell_writes_per_refresh"] = static_cast<double>(writes) / static_cast<double>(refreshes);
}
BENCHMARK(FirstRefresh)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
