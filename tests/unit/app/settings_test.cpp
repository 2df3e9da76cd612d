// Settings rules: first start, load, save, menu check marks, speeds, autostart, command line.
#include "app/Settings.h"
#include "app/SysRegInfo.h"
#include "common/MemoryRegistry.h"
#include "res/resource.h"
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace {

class FakeMenu : public IMenuChecks {
public:
    void CheckItem(unsigned id, bool checked) override { checks[id] = checked; }
    std::map<unsigned, bool> checks;
};

std::string Value(const MemoryRegistry& r, const char* name)
{
    return r.Get(RegRoot::LocalMachine, KORVANE_KEY, name);
}

std::string RunEntry(const MemoryRegistry& r)
{
    return r.Get(RegRoot::LocalMachine, RUN_KEY, "Korvane");
}

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() { registry.CreateKey(RegRoot::LocalMachine, RUN_KEY); }
    MemoryRegistry registry;
    CKorvaneSettings settings;
    FakeMenu menu;
};

TEST_F(SettingsTest, FirstStartWritesTheKeyAndTurnsAutostartOn)
{
    EXPECT_TRUE(FirstRunInit(registry, "C:\\Program Files\\Korvane"));
    EXPECT_EQ("1", Value(registry, "Version"));
    EXPECT_EQ("C:\\Program Files\\Korvane", Value(registry, "Directory"));
    EXPECT_EQ("0", Value(registry, "ShowPage"));
    EXPECT_EQ("0", Value(registry, "RefreshSpeed"));
    EXPECT_EQ("<absent>", Value(registry, "AutoBoot"));
    EXPECT_EQ("\"C:\\Program Files\\Korvane\\korvane.exe\" AUTOBOOT", RunEntry(registry));
}

TEST_F(SettingsTest, LaterStartsWriteNothingWhateverTheVersionText)
{
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "Version", "garbage");
    int before = registry.writes;
    EXPECT_FALSE(FirstRunInit(registry, "C:\\K"));
    EXPECT_EQ(before, registry.writes);
    EXPECT_EQ("<absent>", RunEntry(registry));
}

TEST_F(SettingsTest, UnknownProgramFolderRecordsNoDirectoryAndNoRunEntry)
{
    EXPECT_TRUE(FirstRunInit(registry, nullptr));
    EXPECT_EQ("1", Value(registry, "Version"));
    EXPECT_EQ("<absent>", Value(registry, "Directory"));
    EXPECT_EQ("<absent>", RunEntry(registry));
}

TEST_F(SettingsTest, AbsentFlagsLoadAsOnAndAreSavedBackAsMinusOne)
{
    FirstRunInit(registry, "C:\\K");
    settings.LoadSettings(registry);
    EXPECT_EQ(-1, settings.m_bAutoBoot);
    EXPECT_EQ(-1, settings.m_bHideOnMin);
    EXPECT_EQ(-1, settings.m_bTopmost);
    EXPECT_EQ(0, settings.m_nRefreshSpeed);
    EXPECT_EQ(0, settings.m_nShowPage);
    EXPECT_EQ(500, settings.m_nRefreshPeriod);

    settings.SaveSettings(registry, 2);
    EXPECT_EQ("-1", Value(registry, "AutoBoot"));
    EXPECT_EQ("-1", Value(registry, "HideOnMin"));
    EXPECT_EQ("-1", Value(registry, "Topmost"));
    EXPECT_EQ("2", Value(registry, "ShowPage"));
    EXPECT_EQ("0", Value(registry, "RefreshSpeed"));
}

TEST_F(SettingsTest, SaveThenLoadRoundTrips)
{
    FirstRunInit(registry, "C:\\K");
    settings.m_bAutoBoot = 0;
    settings.m_bHideOnMin = 1;
    settings.m_bTopmost = 0;
    settings.m_nRefreshSpeed = 2;
    settings.SaveSettings(registry, 1);

    CKorvaneSettings loaded;
    loaded.LoadSettings(registry);
    EXPECT_EQ(0, loaded.m_bAutoBoot);
    EXPECT_EQ(1, loaded.m_bHideOnMin);
    EXPECT_EQ(0, loaded.m_bTopmost);
    EXPECT_EQ(2, loaded.m_nRefreshSpeed);
    EXPECT_EQ(1, loaded.m_nShowPage);
    EXPECT_EQ(5000, loaded.m_nRefreshPeriod);
}

TEST_F(SettingsTest, SpeedPeriodsDifferOnlyForNormalBetweenMenuAndRestart)
{
    const int menu[] = {500, 1000, 5000, -1, 50};
    const int loaded[] = {500, 2000, 5000, -1, 50};
    for (int i = 0; i < kSpeedCount; ++i) {
        EXPECT_EQ(menu[i], MenuSpeedPeriod(i, 0)) << i;
        EXPECT_EQ(loaded[i], LoadedSpeedPeriod(i, 0)) << i;
    }
    for (int i = 0; i < kSpeedCount; ++i) {
        CKorvaneSettings s;
        s.ChooseSpeed(static_cast<unsigned>(kSpeedFirstCommand + i));
        EXPECT_EQ(i, s.m_nRefreshSpeed);
        EXPECT_EQ(menu[i], s.m_nRefreshPeriod);
        registry.CreateKey(RegRoot::LocalMachine, KORVANE_KEY);
        s.SaveSettings(registry, 0);
        CKorvaneSettings restarted;
        restarted.LoadSettings(registry);
        EXPECT_EQ(loaded[i], restarted.m_nRefreshPeriod);
    }
    EXPECT_EQ(0u, TimerElapse(-1));  // no timer at all, not one of 0xFFFFFFFF ms
    EXPECT_EQ(50u, TimerElapse(50));
}

TEST_F(SettingsTest, OutOfRangeSpeedLoadsAsTheFirstStartSpeed)
{
    for (const char* text : {"-1", "5", "7", "abc", "99999999999"}) {
        registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "RefreshSpeed", text);
        CKorvaneSettings s;
        s.LoadSettings(registry);
        EXPECT_EQ(0, s.m_nRefreshSpeed) << text;
        EXPECT_EQ(500, s.m_nRefreshPeriod) << text;
        // The speed check mark never lands on a neighbouring item (-1 would name hide-on-minimise).
        s.m_bHideOnMin = 0;
        FakeMenu m;
        s.ApplySettingsToMenu(m);
        EXPECT_TRUE(m.checks[ID_SPEED_HIGH]) << text;
        EXPECT_FALSE(m.checks[ID_OPTIONS_HIDE_ON_MIN]) << text;
    }
}

TEST_F(SettingsTest, MenuChecksFollowTheFlags)
{
    settings.m_bAutoBoot = -1;
    settings.m_bTopmost = 0;
    settings.m_bHideOnMin = 1;
    settings.m_nRefreshSpeed = 4;
    settings.ApplySettingsToMenu(menu);
    EXPECT_TRUE(menu.checks[ID_OPTIONS_AUTOBOOT]);
    EXPECT_FALSE(menu.checks[ID_OPTIONS_TOPMOST]);
    EXPECT_TRUE(menu.checks[ID_OPTIONS_HIDE_ON_MIN]);
    EXPECT_TRUE(menu.checks[ID_SPEED_REALTIME]);
    EXPECT_EQ(0u, menu.checks.count(ID_SPEED_HIGH));
}

// The Run key as the 9x shell reads it: every value is started at each start of Windows
// (Microsoft's "Run and RunOnce Registry Keys"), so a value that names no program is an error box
// at every start. Switching autostart off removes the value; "AutoBoot" keeps the choice.
TEST_F(SettingsTest, ToggleAutoBootFromFirstRunDeletesTheRunEntryThenWritesTheCommandAgain)
{
    FirstRunInit(registry, "C:\\K");
    settings.LoadSettings(registry);
    settings.ToggleAutoBoot(registry, menu, "C:\\Elsewhere");
    EXPECT_EQ(0, settings.m_bAutoBoot);
    EXPECT_FALSE(registry.HasValue(RegRoot::LocalMachine, RUN_KEY, "Korvane"));
    EXPECT_FALSE(menu.checks[ID_OPTIONS_AUTOBOOT]);
    settings.SaveSettings(registry, 0);
    EXPECT_EQ("0", Value(registry, "AutoBoot"));

    settings.ToggleAutoBoot(registry, menu, "C:\\Elsewhere");
    EXPECT_EQ(1, settings.m_bAutoBoot);
    EXPECT_EQ("\"C:\\K\\korvane.exe\" AUTOBOOT", RunEntry(registry));
    EXPECT_TRUE(menu.checks[ID_OPTIONS_AUTOBOOT]);

    settings.SaveSettings(registry, 0);
    EXPECT_EQ("1", Value(registry, "AutoBoot"));
}

TEST_F(SettingsTest, ToggleAutoBootWithoutDirectoryNamesTheRunningProgram)
{
    registry.CreateKey(RegRoot::LocalMachine, KORVANE_KEY);
    settings.m_bAutoBoot = 0;
    settings.ToggleAutoBoot(registry, menu, "D:\\Tools");
    EXPECT_EQ("\"D:\\Tools\\korvane.exe\" AUTOBOOT", RunEntry(registry));

    MemoryRegistry bare;
    bare.CreateKey(RegRoot::LocalMachine, RUN_KEY);
    CKorvaneSettings s;
    s.ToggleAutoBoot(bare, menu, "");
    EXPECT_EQ(1, s.m_bAutoBoot);
    EXPECT_EQ("<absent>", RunEntry(bare));
}

TEST(StartupWordTest, OnlyTheFirstPlainArgumentCountsExactly)
{
    EXPECT_TRUE(IsAutoBootStart("AUTOBOOT"));
    EXPECT_TRUE(IsAutoBootStart("  AUTOBOOT  "));
    EXPECT_TRUE(IsAutoBootStart("/x -y AUTOBOOT"));
    EXPECT_TRUE(IsAutoBootStart("\"AUTOBOOT\""));
    EXPECT_FALSE(IsAutoBootStart("autoboot"));
    EXPECT_FALSE(IsAutoBootStart("/AUTOBOOT"));
    EXPECT_FALSE(IsAutoBootStart("-AUTOBOOT"));
    EXPECT_FALSE(IsAutoBootStart("other AUTOBOOT"));
    EXPECT_FALSE(IsAutoBootStart("AUTOBOOTX"));
    EXPECT_FALSE(IsAutoBootStart(""));
    EXPECT_FALSE(IsAutoBootStart(nullptr));
    EXPECT_EQ("word", StartupWord("/a \"word\" AUTOBOOT"));
}

}  // namespace
