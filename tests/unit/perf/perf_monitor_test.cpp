// The page's initialisation and refresh: what happens, in which order, with which figures.
#include "PerfFakes.h"
#include <gtest/gtest.h>

namespace {

struct Page {
    Page()
    {
        monitor.Connect(counters, system, system);
        counters.Set("KERNEL\\CPUUsage", 37);
        system.memory.dwTotalPhys = 67108864;
        system.memory.dwMemoryLoad = 37;
    }
    FakeCounters counters;
    FakeSystem system;
    FakeView view;
    CPerformanceMonitor monitor;
};

TEST(PageInit, StartsTheStatisticReadsItAndDrawsOnlyTheCpuMeter)
{
    Page p;
    p.monitor.m_nCpuHistory[5] = 9;  // whatever was there: the initialisation clears it
    p.monitor.m_nMemHistory[7] = 9;
    p.monitor.Initialise(p.view);
    ASSERT_GE(p.counters.log.size(), 5u);
    EXPECT_EQ("start KERNEL\\CPUUsage", p.counters.log[0]);
    EXPECT_EQ("query KERNEL\\CPUUsage", p.counters.log[4]);
    std::vector<std::string> expected = {"tray 37", "draw 1003"};
    EXPECT_EQ(expected, p.view.events);
    EXPECT_EQ(37, p.monitor.m_nCpuUsage);
    EXPECT_EQ(0, p.monitor.m_nCpuHistory[5]);
    EXPECT_EQ(0, p.monitor.m_nMemHistory[7]);
    // The memory figures wait for the first refresh.
    EXPECT_EQ(0, p.monitor.m_nTotalPhys);
    EXPECT_EQ(0, p.monitor.m_nAvailPhys);
    EXPECT_EQ(0, p.view.open);
}

TEST(PageRefresh, OrderOfTheSteps)
{
    Page p;
    p.monitor.Initialise(p.view);
    p.view.events.clear();
    p.counters.Set("KERNEL\\CPUUsage", 64);
    p.monitor.Refresh(p.view);
    std::vector<std::string> expected = {"text 1011", "text 1014", "text 1012", "text 1013", "tray 64",
                                         "draw 1003", "draw 1004", "draw 1008", "draw 1009"};
    EXPECT_EQ(expected, p.view.events);
    EXPECT_EQ(64, p.monitor.m_nCpuUsage);
    EXPECT_EQ(64, p.monitor.m_nCpuHistory[kHistoryLength - 1]);
    EXPECT_EQ(0, p.view.open);
    EXPECT_EQ("  64%  ", p.view.surfaces[kIdCpuMeter]->texts.at(0).text);
}

TEST(PageRefresh, MemoryDrawnWithTheFiguresOfTheSameRefresh)
{
    Page p;
    p.monitor.Initialise(p.view);
    p.monitor.Refresh(p.view);
    EXPECT_EQ("  24249K  ", p.view.surfaces[kIdMemMeter]->texts.at(0).text);
    EXPECT_EQ(21, p.monitor.m_nMemHistory[kHistoryLength - 1]);  // 24249 K at 1129 K a pixel
    EXPECT_EQ(kLit, p.view.surfaces[kIdMemGraph]->At(200, 58 - 20));
}

TEST(PageRefresh, TrayGetsTheValueReadEvenAboveHundred)
{
    Page p;
    p.counters.Set("KERNEL\\CPUUsage", 130);
    p.monitor.Refresh(p.view);
    EXPECT_EQ(std::vector<int>{130}, p.view.trayCpu);
    EXPECT_EQ(130, p.monitor.m_nCpuUsage);
}

TEST(PageRefresh, HistoriesScrollWithoutASurface)
{
    Page p;
    p.view.noSurfaces = true;
    p.monitor.Refresh(p.view);
    p.counters.Set("KERNEL\\CPUUsage", 12);
    p.monitor.Refresh(p.view);
    EXPECT_EQ(37, p.monitor.m_nCpuHistory[kHistoryLength - 2]);
    EXPECT_EQ(12, p.monitor.m_nCpuHistory[kHistoryLength - 1]);
    EXPECT_EQ("65536\n41287\n24249", p.view.texts[kIdPhysicalMemory]);
}

TEST(PageRefresh, EveryRefreshReadsAfreshAndNothingIsCached)
{
    Page p;
    p.monitor.Refresh(p.view);
    p.counters.log.clear();
    p.system.processes = 4;
    p.monitor.Refresh(p.view);
    std::vector<std::string> reads = {"query KERNEL\\CPUUsage", "query KERNEL\\Threads", "query VMM\\cpgFree",
                                      "query VMM\\cpgLocked"};
    EXPECT_EQ(reads, p.counters.log);
    EXPECT_EQ("0\n0\n4", p.view.texts[kIdTotals]);
}

TEST(PageRefresh, HiddenPageKeepsCpuTrayHistoriesAndPeakButWritesAndDrawsNothing)
{
    Page p;
    p.view.shown = false;
    p.monitor.Refresh(p.view);
    EXPECT_EQ(std::vector<std::string>{"tray 37"}, p.view.events);
    EXPECT_EQ(std::vector<std::string>{"query KERNEL\\CPUUsage"}, p.counters.log);
    EXPECT_EQ(37, p.monitor.m_nCpuHistory[kHistoryLength - 1]);
    EXPECT_EQ(21, p.monitor.m_nMemHistory[kHistoryLength - 1]);  // as a drawn refresh takes it
    EXPECT_EQ(41287, p.monitor.m_nAvailPhys);                     // the status bar reads it
    EXPECT_EQ(24249, p.monitor.m_nCommitPeak);

    p.system.memory.dwMemoryLoad = 50;
    p.monitor.Refresh(p.view);
    p.system.memory.dwMemoryLoad = 10;
    p.monitor.Refresh(p.view);
    EXPECT_EQ(32768, p.monitor.m_nCommitPeak);
    EXPECT_TRUE(p.view.surfaces.empty());
    EXPECT_TRUE(p.view.texts.empty());
    EXPECT_EQ(37, p.monitor.m_nCpuHistory[kHistoryLength - 3]);
}

TEST(SlowMachine, ATimerRefreshWaitsTwiceWhatTheLastOneCost)
{
    CRefreshPacer pacer;
    EXPECT_TRUE(pacer.MayStart(0));
    pacer.Ran(1000000, 1040000);  // 40 ms
    EXPECT_FALSE(pacer.MayStart(1050000));
    EXPECT_FALSE(pacer.MayStart(1079999));
    EXPECT_TRUE(pacer.MayStart(1080000));
    pacer.Ran(1080000, 1080500);  // a fast machine: every tick
    EXPECT_TRUE(pacer.MayStart(1081000));
    EXPECT_TRUE(pacer.MayStart(5));  // a clock that went back

    // The page times its refreshes: 14 processes counted at 10 ms each make the first one 140 ms.
    Page p;
    p.system.processes = 14;
    p.system.countCost = 10000;
    p.monitor.Refresh(p.view);
    p.system.now += 50000;
    EXPECT_FALSE(p.monitor.RefreshDue());
    p.system.now += 230000;
    EXPECT_TRUE(p.monitor.RefreshDue());
}

TEST(PageRefresh, ShownAgainRefreshesOnceAtOnce)
{
    Page p;
    p.monitor.Refresh(p.view);
    p.view.events.clear();
    p.monitor.OnShown(p.view);  // nothing was left behind
    EXPECT_TRUE(p.view.events.empty());

    p.view.shown = false;
    p.monitor.Refresh(p.view);
    p.view.shown = true;
    p.view.events.clear();
    p.counters.Set("KERNEL\\CPUUsage", 64);
    p.monitor.OnShown(p.view);
    p.monitor.OnShown(p.view);
    std::vector<std::string> expected = {"text 1011", "text 1014", "text 1012", "text 1013", "tray 64",
                                         "draw 1003", "draw 1004", "draw 1008", "draw 1009"};
    EXPECT_EQ(expected, p.view.events);
    EXPECT_EQ(37, p.monitor.m_nCpuHistory[kHistoryLength - 2]);
    EXPECT_EQ(64, p.monitor.m_nCpuHistory[kHistoryLength - 1]);
}

}  // namespace
