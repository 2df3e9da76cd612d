// The Performance page's measurements and the order of its refresh.
#include "perf/PerfMonitor.h"
#include <limits.h>
#include <stdio.h>
#include <string.h>

int BytesToK(double bytes)
{
    double k = bytes / 1024.0;
    if (k >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (k <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(k);  // truncated toward zero
}

void ComputeMemoryFigures(uint64_t totalPhys, uint32_t memoryLoad, int* totalK, int* availK)
{
    uint64_t unit = totalPhys / 100;
    double used = static_cast<double>(memoryLoad) * static_cast<double>(unit);
    double avail = static_cast<double>(totalPhys) - used;
    *totalK = BytesToK(static_cast<double>(totalPhys));
    *availK = BytesToK(avail);
}

void FormatTotalsBlock(char* buf, int cap, int a, int b, int c)
{
    snprintf(buf, static_cast<size_t>(cap), "%d\n%d\n%d", a, b, c);
}

CPerformanceMonitor::CPerformanceMonitor() : m_nCpuUsage(0), m_nCommitPeak(0), m_nAvailPhys(0), m_nTotalPhys(0)
{
    memset(m_nCpuHistory, 0, sizeof m_nCpuHistory);
    memset(m_nMemHistory, 0, sizeof m_nMemHistory);
}

void CPerformanceMonitor::Connect(IStatCounters& counters, ISystemStatus& system, IFineClock& clock)
{
    m_pCounters = &counters;
    m_pSystem = &system;
    m_pClock = &clock;
}

void CPerformanceMonitor::Initialise(IPerformanceView& view)
{
    memset(m_nCpuHistory, 0, sizeof m_nCpuHistory);
    memset(m_nMemHistory, 0, sizeof m_nMemHistory);
    StartStats();
    m_nCpuUsage = GetCpuUsage();
    view.UpdateTrayIcon(m_nCpuUsage);
    DrawCpuMeter(view, m_nCpuUsage);
}

void CPerformanceMonitor::Refresh(IPerformanceView& view)
{
    if (!m_pClock) {
        RefreshSteps(view);
        return;
    }
    int64_t start = m_pClock->Microseconds();
    RefreshSteps(view);
    m_pacer.Ran(start, m_pClock->Microseconds());
}

bool CPerformanceMonitor::RefreshDue()
{
    return !m_pClock || m_pacer.MayStart(m_pClock->Microseconds());
}

void CPerformanceMonitor::RefreshSteps(IPerformanceView& view)
{
    if (!m_shown.Tick(view.IsShown())) {
        RefreshHidden(view);
        return;
    }
    m_shown.Ran();
    m_nCpuUsage = GetCpuUsage();
    UpdateTotals(view);  // before any drawing: the memory meter and graph use its figures
    view.UpdateTrayIcon(m_nCpuUsage);
    DrawCpuMeter(view, m_nCpuUsage);
    DrawCpuGraph(view, m_nCpuUsage);
    DrawMemMeter(view);
    DrawMemGraph(view);
}

void CPerformanceMonitor::RefreshHidden(IPerformanceView& view)
{
    m_nCpuUsage = GetCpuUsage();
    MemoryStatus status;
    UpdateMemoryFigures(&status);
    view.UpdateTrayIcon(m_nCpuUsage);
    // The graphs are continuous when the page is shown again: each history takes its sample.
    PushSample(m_nCpuHistory, m_nCpuUsage);
    int w = 0, h = 0;
    bool graph = view.GetControlSize(kIdMemGraph, &w, &h);
    PushSample(m_nMemHistory, graph ? MemSampleHeight(h - 2, m_nTotalPhys, m_nAvailPhys) : 0);
}

void CPerformanceMonitor::OnShown(IPerformanceView& view)
{
    if (m_shown.Shown())
        Refresh(view);
}

namespace {
const char* const kStatsRead[] = {kStatCpuUsage, kStatThreads, kStatPagesFree, kStatPagesLocked};
}

void CPerformanceMonitor::StartStats()
{
    if (!m_pCounters)
        return;
    for (const char* name : kStatsRead)
        m_pCounters->Start(name);
    m_bStatsStarted = true;
}

void CPerformanceMonitor::StopStats()
{
    if (!m_pCounters || !m_bStatsStarted)
        return;
    for (const char* name : kStatsRead)
        m_pCounters->Stop(name);
    m_bStatsStarted = false;
}

bool CPerformanceMonitor::QueryStatData(const char* name, unsigned char* buffer)
{
    return m_pCounters && m_pCounters->Query(name, buffer, kStatBufferSize);
}

int CPerformanceMonitor::GetStatValue(const char* name)
{
    int value = 0;
    unsigned char buffer[kStatBufferSize] = {};
    if (QueryStatData(name, buffer)) {
        uint32_t u = static_cast<uint32_t>(buffer[0]) | (static_cast<uint32_t>(buffer[1]) << 8) |
                     (static_cast<uint32_t>(buffer[2]) << 16) | (static_cast<uint32_t>(buffer[3]) << 24);
        value = static_cast<int32_t>(u);
    }
    return value < 0 ? 0 : value;
}

int CPerformanceMonitor::GetCpuUsage()
{
    return GetStatValue(kStatCpuUsage);
}

void CPerformanceMonitor::UpdateTotals(IPerformanceView& view)
{
    char text[64];
    int processes = 0;
    int modules = CountAllModules(&processes);
    int threads = GetStatValue(kStatThreads);
    FormatTotalsBlock(text, sizeof text, modules, threads, processes);
    view.SetTotalsText(kIdTotals, text);

    int pagesFree = GetStatValue(kStatPagesFree);
    int pagesLocked = GetStatValue(kStatPagesLocked);
    // The sum wraps like the signed 32-bit sum it is, without the undefined overflow.
    int pagesTotal = static_cast<int32_t>(static_cast<uint32_t>(pagesFree) + static_cast<uint32_t>(pagesLocked));
    FormatTotalsBlock(text, sizeof text, pagesTotal / 1024, pagesFree / 1024, pagesLocked / 1024);
    view.SetTotalsText(kIdKernelMemory, text);

    MemoryStatus status;
    UpdateMemoryFigures(&status);
    int used = m_nTotalPhys - m_nAvailPhys;
    FormatTotalsBlock(text, sizeof text, m_nTotalPhys, m_nAvailPhys, used);
    view.SetTotalsText(kIdPhysicalMemory, text);

    FormatTotalsBlock(text, sizeof text, used, BytesToK(static_cast<double>(status.dwTotalVirtual)), m_nCommitPeak);
    view.SetTotalsText(kIdCommitCharge, text);
}

int CPerformanceMonitor::CountAllModules(int* processCount)
{
    *processCount = 0;
    if (!m_pSystem || !m_pClock)
        return 0;
    const ProcessItem* rows = nullptr;
    int count = m_pSystem->SnapshotProcesses(&rows);
    if (count < 0 || !rows)
        count = 0;
    if (count > kMaxProcesses)
        count = kMaxProcesses;
    *processCount = count;
    return m_moduleTotal.Update(rows, count, *m_pSystem, *m_pClock);
}

void CPerformanceMonitor::UpdateMemoryFigures(MemoryStatus* status)
{
    *status = MemoryStatus{};
    if (m_pSystem)
        m_pSystem->GetMemoryStatus(status);
    ComputeMemoryFigures(status->dwTotalPhys, status->dwMemoryLoad, &m_nTotalPhys, &m_nAvailPhys);
    int used = m_nTotalPhys - m_nAvailPhys;
    if (used > m_nCommitPeak)
        m_nCommitPeak = used;
}

namespace {
// A control's surface for one drawing step, released when the step ends.
class SurfaceScope {
public:
    SurfaceScope(IPerformanceView& view, int id) : m_view(view) { m_surface = view.GetSurface(id, &w, &h); }
    ~SurfaceScope()
    {
        if (m_surface)
            m_view.ReleaseSurface(m_surface);
    }
    SurfaceScope(const SurfaceScope&) = delete;
    SurfaceScope& operator=(const SurfaceScope&) = delete;
    IDrawSurface* get() const { return m_surface; }

    int w = 0;
    int h = 0;

private:
    IPerformanceView& m_view;
    IDrawSurface* m_surface;
};
}  // namespace

void CPerformanceMonitor::DrawCpuMeter(IPerformanceView& view, int cpu)
{
    SurfaceScope s(view, kIdCpuMeter);
    if (s.get())
        ::DrawCpuMeter(*s.get(), s.w, s.h, cpu);
}

void CPerformanceMonitor::DrawCpuGraph(IPerformanceView& view, int cpu)
{
    SurfaceScope s(view, kIdCpuGraph);
    if (s.get())
        ::DrawCpuGraph(*s.get(), s.w, s.h, m_nCpuHistory, cpu);
    else
        PushSample(m_nCpuHistory, cpu);  // the history scrolls even when nothing can be drawn
}

void CPerformanceMonitor::DrawMemMeter(IPerformanceView& view)
{
    SurfaceScope s(view, kIdMemMeter);
    if (s.get())
        ::DrawMemMeter(*s.get(), s.w, s.h, m_nTotalPhys, m_nAvailPhys);
}

void CPerformanceMonitor::DrawMemGraph(IPerformanceView& view)
{
    SurfaceScope s(view, kIdMemGraph);
    if (s.get())
        ::DrawMemGraph(*s.get(), s.w, s.h, m_nMemHistory, m_nTotalPhys, m_nAvailPhys);
    else
        PushSample(m_nMemHistory, 0);
}

void CPerformanceMonitor::DrawGrid(IPerformanceView& view, int id)
{
    SurfaceScope s(view, id);
    if (s.get())
        ::DrawGrid(*s.get(), s.w, s.h);
}
