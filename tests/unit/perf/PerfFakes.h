// Fakes of the Performance page's platform: counters, system status and the page's window.
#pragma once
#include "perf/PerfMonitor.h"
#include "perf/PixelSurface.h"
#include <map>
#include <memory>
#include <string>
#include <vector>

// Counters by name, as 4-byte little-endian values; a missing name cannot be read.
class FakeCounters : public IStatCounters {
public:
    void Set(const std::string& name, int32_t value)
    {
        uint32_t u = static_cast<uint32_t>(value);
        std::string bytes;
        for (int i = 0; i < 4; ++i)
            bytes += static_cast<char>(u >> (8 * i));
        raw[name] = bytes;
    }
    void Start(const char* name) override { log.push_back(std::string("start ") + name); }
    void Stop(const char* name) override { log.push_back(std::string("stop ") + name); }
    bool Query(const char* name, unsigned char* buffer, uint32_t size) override
    {
        log.push_back(std::string("query ") + name);
        auto it = raw.find(name);
        if (it == raw.end() || it->second.size() > size)
            return false;
        std::copy(it->second.begin(), it->second.end(), buffer);
        return true;
    }
    std::map<std::string, std::string> raw;
    std::vector<std::string> log;
};

// Processes with their module counts, the memory status, and the clock the refreshes are timed
// by (a count takes countCost of it). Without processes listed, `processes` processes are made
// up, the first holding all `modules` modules.
class FakeSystem : public ISystemStatus, public IFineClock {
public:
    struct Process {
        uint32_t id;
        std::string name;
        int modules;
        bool listable = true;  // false: its module list can't be taken
    };
    int SnapshotProcesses(const ProcessItem** rows) override
    {
        std::vector<Process> list = procs;
        for (int i = 0; procs.empty() && i < processes; ++i)
            list.push_back(Process{static_cast<uint32_t>(100 + i), "p.exe", i == 0 ? modules : 0});
        table.assign(kMaxProcesses, ProcessItem());
        int count = 0;
        for (const Process& p : list) {
            if (!AddProcessRow(table.data(), count, p.id, p.name.c_str()))
                break;
        }
        *rows = table.data();
        return count;
    }
    int CountModules(uint32_t processId) override
    {
        counted.push_back(processId);
        now += countCost;
        if (procs.empty())
            return processId == 100 ? modules : 0;
        Process* p = Find(processId);
        return p && p->listable ? p->modules : 0;
    }
    void GetMemoryStatus(MemoryStatus* status) override { *status = memory; }
    int64_t Microseconds() override { return now; }

    Process* Find(uint32_t id)
    {
        for (Process& p : procs) {
            if (p.id == id)
                return &p;
        }
        return nullptr;
    }

    int processes = 0;
    int modules = 0;
    std::vector<Process> procs;
    MemoryStatus memory = {};
    int64_t now = 1000000;   // microseconds
    int64_t countCost = 0;   // microseconds
    std::vector<uint32_t> counted;
    std::vector<ProcessItem> table;
};

// The page's window: records every text, tray update and drawing step in order, and draws on
// pixel surfaces of the template's control sizes.
class FakeView : public IPerformanceView {
public:
    bool IsShown() override { return shown; }
    bool GetControlSize(int id, int* w, int* h) override
    {
        *w = id == kIdCpuGraph || id == kIdMemGraph ? kGraphW : kMeterW;
        *h = kHeight;
        return true;
    }
    void SetTotalsText(int id, const char* text) override
    {
        texts[id] = text;
        events.push_back("text " + std::to_string(id));
    }
    void UpdateTrayIcon(int cpu) override
    {
        trayCpu.push_back(cpu);
        events.push_back("tray " + std::to_string(cpu));
    }
    IDrawSurface* GetSurface(int id, int* w, int* h) override
    {
        events.push_back("draw " + std::to_string(id));
        if (noSurfaces)
            return nullptr;
        bool graph = id == kIdCpuGraph || id == kIdMemGraph;
        *w = graph ? kGraphW : kMeterW;
        *h = kHeight;
        surfaces[id] = std::make_unique<CPixelSurface>(*w, *h, kBackground);
        ++open;
        return surfaces[id].get();
    }
    void ReleaseSurface(IDrawSurface*) override { --open; }

    // Controls of dialog 131 at 1.5 pixels per dialog unit.
    static constexpr int kMeterW = 58, kGraphW = 205, kHeight = 60;
    static constexpr uint32_t kBackground = 0x123456;

    std::map<int, std::string> texts;
    std::vector<int> trayCpu;
    std::vector<std::string> events;
    std::map<int, std::unique_ptr<CPixelSurface>> surfaces;
    int open = 0;
    bool noSurfaces = false;
    bool shown = true;
};
