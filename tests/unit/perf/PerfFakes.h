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

class FakeSystem : public ISystemStatus {
public:
    int CountAllModules(int* processCount) override
    {
        *processCount = processes;
        return modules;
    }
    void GetMemoryStatus(MemoryStatus* status) override { *status = memory; }
    int processes = 0;
    int modules = 0;
    MemoryStatus memory = {};
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
