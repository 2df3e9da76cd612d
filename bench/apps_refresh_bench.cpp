// Cost of the Applications page's logic over in-memory windows: a steady refresh pass with 100
// listed windows (every enumerated window costs a scan of the list), and a hang-check pass over
// 20 listed windows, none and one hung. The platform's waits (icon fetch, 50 ms probe) are not
// in these figures: bench/apps_win32_measure.cpp measures them under Wine.
#include "apps/MemoryTopWindows.h"
#include "apps/TaskList.h"
#include "common/MemoryListRows.h"
#include <benchmark/benchmark.h>
#include <string>

namespace {

void AddWindows(MemoryTopWindows& windows, int n)
{
    for (int i = 0; i < n; ++i)
        windows.Add(1000 + i, "Document " + std::to_string(i) + " - Editor", 500 + i, 0x100 + static_cast<IconHandle>(i));
}

void SteadyRefresh100(benchmark::State& state)
{
    MemoryListRows rows;
    MemoryTopWindows windows;
    MemoryIconImages images;
    CTaskList list(rows, windows, images);
    AddWindows(windows, 100);
    list.RefreshWindowList();
    int writes = rows.cellWrites;
    for (auto _ : state)
        list.RefreshWindowList();
    state.counters["rows"] = rows.GetCount();
    state.counters["cell_writes_per_pass"] =
        benchmark::Counter(static_cast<double>(rows.cellWrites - writes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(SteadyRefresh100)->Unit(benchmark::kMicrosecond);

void FirstRefresh100(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        MemoryListRows rows;
        MemoryTopWindows windows;
        MemoryIconImages images;
        CTaskList list(rows, windows, images);
        AddWindows(windows, 100);
        state.ResumeTiming();
        list.RefreshWindowList();
        benchmark::DoNotOptimize(rows.GetCount());
    }
}
BENCHMARK(FirstRefresh100)->Unit(benchmark::kMicrosecond);

void HangCheck20(benchmark::State& state)
{
    MemoryListRows rows;
    MemoryTopWindows windows;
    MemoryIconImages images;
    CTaskList list(rows, windows, images);
    AddWindows(windows, 20);
    list.RefreshWindowList();
    MemoryWindowProbe probe;
    if (state.range(0))
        probe.hung.insert(1005);
    CHangStatus statuses(rows);
    for (auto _ : state)
        RunHangCheckPass(probe, statuses, nullptr);
}
BENCHMARK(HangCheck20)->Arg(0)->Arg(1)->ArgName("hung")->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
