// What the Performance page measures and draws on every refresh: the kernel statistics, the
// memory figures, the four total blocks, the meters and the 200-sample histories. The page
// supplies the platform behind three small interfaces.
#pragma once
#include "perf/PerfDrawing.h"
#include "perf/StatCounters.h"

// The memory status record of the platform (sizes in bytes, load in percent).
struct MemoryStatus {
    uint32_t dwMemoryLoad;
    uint32_t dwTotalPhys;
    uint32_t dwAvailPhys;
    uint32_t dwTotalPageFile;
    uint32_t dwAvailPageFile;
    uint32_t dwTotalVirtual;
    uint32_t dwAvailVirtual;
};

// Processes, modules and memory as the system reports them now.
class ISystemStatus {
public:
    virtual ~ISystemStatus() = default;
    // Processes in a fresh snapshot.
    virtual int ProcessCount() = 0;
    // Modules of every process of a fresh snapshot, a module loaded by several processes counted
    // once for each.
    virtual int CountAllModules() = 0;
    virtual void GetMemoryStatus(MemoryStatus* status) = 0;
};

// The page's window as the refresh sees it.
class IPerformanceView {
public:
    virtual ~IPerformanceView() = default;
    // Writes the text of a total block (statics 1011-1014).
    virtual void SetTotalsText(int id, const char* text) = 0;
    // Puts the gauge and tip of the CPU percentage into the notification area.
    virtual void UpdateTrayIcon(int cpu) = 0;
    // The drawing surface of a drawing control and its client size; nullptr when there is none.
    virtual IDrawSurface* GetSurface(int id, int* w, int* h) = 0;
    virtual void ReleaseSurface(IDrawSurface* surface) = 0;
};

// Control ids of the page (dialog 131).
enum {
    kIdCpuMeter = 1003,
    kIdCpuGraph = 1004,
    kIdMemMeter = 1008,
    kIdMemGraph = 1009,
    kIdTotals = 1011,
    kIdPhysicalMemory = 1012,
    kIdCommitCharge = 1013,
    kIdKernelMemory = 1014,
};

// Memory figures in K from a memory status: total = bytes >> 10; available from the memory load
// (the available-bytes field is not used): (total - load * (total / 100)) converted to a signed
// 32-bit number, then divided by 1024. A conversion that would leave the signed 32-bit range (2 GB
// or more) is held at its limit instead of wrapping negative.
void ComputeMemoryFigures(uint32_t totalPhys, uint32_t memoryLoad, int* totalK, int* availK);

// "%d\n%d\n%d" into buf.
void FormatTotalsBlock(char* buf, int cap, int a, int b, int c);

class CPerformanceMonitor {
public:
    CPerformanceMonitor();

    // The counters and system status the statistics are read from; called once, before any
    // other operation.
    void Connect(IStatCounters& counters, ISystemStatus& system);

    // The page's initialisation after its tray icon is in place: histories to 0, the CPU
    // statistic started and read, the tray icon and the CPU meter drawn with the reading.
    void Initialise(IPerformanceView& view);
    // One full refresh: CPU reading, totals, tray icon, CPU meter, CPU graph, memory meter,
    // memory graph.
    void Refresh(IPerformanceView& view);

    void StartCpuStat();
    // Reads the named counter into the 80-byte buffer; true when it could be read.
    bool QueryStatData(const char* name, unsigned char* buffer);
    // The counter as a signed 32-bit number; 0 when unreadable or negative.
    int GetStatValue(const char* name);
    int GetCpuUsage();
    // Texts of the four total blocks and the three memory figures.
    void UpdateTotals(IPerformanceView& view);

    void DrawCpuMeter(IPerformanceView& view, int cpu);
    void DrawCpuGraph(IPerformanceView& view, int cpu);
    void DrawMemMeter(IPerformanceView& view);
    void DrawMemGraph(IPerformanceView& view);
    void DrawGrid(IPerformanceView& view, int id);

    int m_nCpuUsage;
    int m_nCpuHistory[kHistoryLength];
    int m_nMemHistory[kHistoryLength];  // heights in pixels above the graph's inner bottom line
    int m_nCommitPeak;
    int m_nAvailPhys;
    int m_nTotalPhys;

private:
    IStatCounters* m_pCounters = nullptr;
    ISystemStatus* m_pSystem = nullptr;
};
