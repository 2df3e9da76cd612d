// What the Performance page measures and draws on every refresh: the kernel statistics, the
// memory figures, the four total blocks, the meters and the 200-sample histories. The page
// supplies the platform behind three small interfaces.
#pragma once
#include "common/RefreshPacer.h"
#include "common/ShownRefresh.h"
#include "perf/ModuleTotal.h"
#include "perf/PerfDrawing.h"
#include "perf/StatCounters.h"

// The memory status record of the platform (sizes in bytes, 64 bits wide so that a 64-bit build
// carries more than 4 GB; load in percent).
struct MemoryStatus {
    uint32_t dwMemoryLoad;
    uint64_t dwTotalPhys;
    uint64_t dwAvailPhys;
    uint64_t dwTotalPageFile;
    uint64_t dwAvailPageFile;
    uint64_t dwTotalVirtual;
    uint64_t dwAvailVirtual;
};

// Processes, modules and memory as the system reports them now.
class ISystemStatus : public IModuleCounter {
public:
    // Takes a process snapshot; *rows stays valid until the next call. Returns the row count.
    virtual int SnapshotProcesses(const ProcessItem** rows) = 0;
    virtual void GetMemoryStatus(MemoryStatus* status) = 0;
};

// The page's window as the refresh sees it.
class IPerformanceView {
public:
    virtual ~IPerformanceView() = default;
    // True while the page can be seen on the screen; a refresh of a page that can't only keeps
    // what must go on (CPU reading, tray, histories, memory figures).
    virtual bool IsShown() = 0;
    // The client size of a drawing control, without drawing on it; false when there is none.
    virtual bool GetControlSize(int id, int* w, int* h) = 0;
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

// Memory figures in K from a memory status: total = bytes / 1024; available from the memory
// load (the available-bytes field is not used): (total - load * (total / 100)) / 1024, truncated.
// The arithmetic is done on bytes in double and divided by 1024 before anything is held to the
// signed 32-bit range, so the figures are exact up to 2 TB (2^31 K); beyond, they stay at the limit.
void ComputeMemoryFigures(uint64_t totalPhys, uint32_t memoryLoad, int* totalK, int* availK);

// Bytes in K, truncated, held to the signed 32-bit range.
int BytesToK(double bytes);

// "%d\n%d\n%d" into buf.
void FormatTotalsBlock(char* buf, int cap, int a, int b, int c);

class CPerformanceMonitor {
public:
    CPerformanceMonitor();

    // The counters and system status the statistics are read from, and the clock that times
    // the refreshes; called once, before any other operation.
    void Connect(IStatCounters& counters, ISystemStatus& system, IFineClock& clock);

    // The page's initialisation after its tray icon is in place: histories to 0, the statistics
    // started, the CPU read, the tray icon and the CPU meter drawn with the reading.
    void Initialise(IPerformanceView& view);
    // One full refresh: CPU reading, totals, tray icon, CPU meter, CPU graph, memory meter,
    // memory graph. While the page can't be seen: the CPU reading, the memory figures with the
    // commit peak, the tray icon, and one sample into each history; no text, no drawing.
    void Refresh(IPerformanceView& view);
    // The page has come into view: one full refresh at once when a refresh since the last full
    // one left its texts and drawing behind.
    void OnShown(IPerformanceView& view);
    // A tick of the refresh timer: true when a refresh may start, false while the last one
    // started less than twice its cost ago.
    bool RefreshDue();

    // Starts each of the four statistics that are read; StopStats stops them again, once, when
    // the program is done with them (its end, or the end of the Windows session).
    void StartStats();
    void StopStats();
    // Reads the named counter into the 80-byte buffer; true when it could be read.
    bool QueryStatData(const char* name, unsigned char* buffer);
    // The counter as a signed 32-bit number; 0 when unreadable or negative.
    int GetStatValue(const char* name);
    int GetCpuUsage();
    // The module total of a fresh process snapshot, a module loaded by several processes counted
    // once for each; the number of processes of that snapshot into processCount.
    int CountAllModules(int* processCount);
    // Texts of the four total blocks and the three memory figures.
    void UpdateTotals(IPerformanceView& view);
    // The three memory figures from a fresh memory status, which is left in *status.
    void UpdateMemoryFigures(MemoryStatus* status);

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
    void RefreshHidden(IPerformanceView& view);
    void RefreshSteps(IPerformanceView& view);

    CShownRefresh m_shown;
    CRefreshPacer m_pacer;
    CModuleTotal m_moduleTotal;
    IFineClock* m_pClock = nullptr;
    bool m_bStatsStarted = false;
    IStatCounters* m_pCounters = nullptr;
    ISystemStatus* m_pSystem = nullptr;
};
