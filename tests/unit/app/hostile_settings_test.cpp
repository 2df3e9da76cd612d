// Damaged settings key and new-task history: what a start loads and shows from values that are
// empty, not numbers, negative, huge, longer than the read buffer or of another type, what Exit
// writes back, and the history at the 1023-byte value limit and past NewTask20.
#include "app/NewTaskHistory.h"
#include "app/Settings.h"
#include "app/SysRegInfo.h"
#include "common/MemoryRegistry.h"
#include "res/resource.h"
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

const uint32_t kSz = 1, kBinary = 3, kDword = 4;

class FakeMenu : public IMenuChecks {
public:
    void CheckItem(unsigned id, bool checked) override { checks[id] = checked; }
    std::map<unsigned, bool> checks;
};

struct Stored {
    const char* name;
    std::string bytes;
    uint32_t type;
};

struct DamagedCase {
    const char* label;
    std::vector<Stored> values;
    int showPage, speed, period;
    bool autoBoot, hideOnMin, topmost;
    // What SaveSettings writes back, tab index 1 being selected at the end.
    const char* savedSpeed;
    const char* savedAutoBoot;
    const char* savedHideOnMin;
    const char* savedTopmost;
};

std::string Dword(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

const std::string kOver(1024, '1');  // one byte more than a read keeps

std::vector<DamagedCase> Cases()
{
    return {
        {"absent", {}, -1, 0, 500, true, true, true, "0", "-1", "-1", "-1"},
        {"empty",
         {{"ShowPage", "", kSz}, {"RefreshSpeed", "", kSz}, {"AutoBoot", "", kSz}, {"HideOnMin", "", kSz},
          {"Topmost", "", kSz}},
         0, 0, 500, false, false, false, "0", "0", "0", "0"},
        {"not numbers",
         {{"ShowPage", "two", kSz}, {"RefreshSpeed", "4th", kSz}, {"AutoBoot", "+-1", kSz}, {"HideOnMin", "\xB7\xF1", kSz},
          {"Topmost", " \t1x", kSz}},
         0, 4, 50, false, false, true, "4", "0", "0", "1"},
        {"negative",
         {{"ShowPage", "-2", kSz}, {"RefreshSpeed", "-1", kSz}, {"AutoBoot", "-0", kSz},
          {"HideOnMin", "-2147483648", kSz}, {"Topmost", "-3", kSz}},
         -2, 0, 500, false, true, true, "0", "0", "-2147483648", "-3"},
        {"huge",
         {{"ShowPage", "3", kSz}, {"RefreshSpeed", "2147483647", kSz}, {"AutoBoot", "99999999999999999999999", kSz},
          {"HideOnMin", "-99999999999999999999999", kSz}, {"Topmost", "4294967296", kSz}},
         3, 0, 500, true, true, true, "0", "2147483647", "-2147483648", "2147483647"},
        {"longer than the read buffer",
         {{"ShowPage", kOver, kSz}, {"RefreshSpeed", "2" + kOver, kSz}, {"AutoBoot", "0" + kOver, kSz},
          {"HideOnMin", std::string(1023, '0'), kSz}, {"Topmost", std::string(1022, ' ') + "0", kSz}},
         -1, 0, 500, true, false, false, "0", "-1", "0", "0"},
        {"REG_DWORD",
         {{"ShowPage", Dword(1), kDword}, {"RefreshSpeed", Dword('2'), kDword}, {"AutoBoot", Dword(0), kDword},
          {"HideOnMin", Dword(0x00373031), kDword}, {"Topmost", Dword(0xFFFFFFFF), kDword}},
         0, 2, 5000, false, true, false, "2", "0", "107", "0"},
        {"REG_BINARY",
         {{"ShowPage", std::string("2\0" "1", 3), kBinary}, {"RefreshSpeed", std::string("\x80\x31", 2), kBinary},
          {"AutoBoot", "", kBinary}, {"HideOnMin", std::string(2000, '\0'), kBinary},
          {"Topmost", std::string("\0" "1", 2), kBinary}},
         2, 0, 500, false, true, false, "0", "0", "-1", "0"},
    };
}

TEST(HostileSettingsTest, DamagedKeyLoadsByTheRulesAndSavesCanonicalText)
{
    for (const DamagedCase& c : Cases()) {
        SCOPED_TRACE(c.label);
        MemoryRegistry registry;
        registry.CreateKey(RegRoot::LocalMachine, KORVANE_KEY);
        registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "Version", "1");
        for (const Stored& v : c.values)
            registry.Put(RegRoot::LocalMachine, KORVANE_KEY, v.name, v.bytes, v.type);

        CKorvaneSettings s;
        s.LoadSettings(registry);
        EXPECT_EQ(s.m_nShowPage, c.showPage);
        EXPECT_EQ(s.m_nRefreshSpeed, c.speed);
        EXPECT_EQ(s.m_nRefreshPeriod, c.period);
        EXPECT_EQ(s.m_bAutoBoot != 0, c.autoBoot);
        EXPECT_EQ(s.m_bHideOnMin != 0, c.hideOnMin);
        EXPECT_EQ(s.m_bTopmost != 0, c.topmost);

        // Exactly one speed item is checked, and the option items follow the flags.
        FakeMenu menu;
        s.ApplySettingsToMenu(menu);
        int speedChecks = 0;
        for (const auto& kv : menu.checks) {
            if (kv.first >= ID_SPEED_HIGH && kv.first <= ID_SPEED_REALTIME && kv.second)
                ++speedChecks;
        }
        EXPECT_EQ(speedChecks, 1);
        EXPECT_TRUE(menu.checks[static_cast<unsigned>(ID_SPEED_HIGH + c.speed)]);
        EXPECT_EQ(menu.checks[ID_OPTIONS_AUTOBOOT], c.autoBoot);
        EXPECT_EQ(menu.checks[ID_OPTIONS_HIDE_ON_MIN], c.hideOnMin);
        EXPECT_EQ(menu.checks[ID_OPTIONS_TOPMOST], c.topmost);

        s.SaveSettings(registry, 1);
        EXPECT_EQ(registry.Get(RegRoot::LocalMachine, KORVANE_KEY, "ShowPage"), "1");
        EXPECT_EQ(registry.Get(RegRoot::LocalMachine, KORVANE_KEY, "RefreshSpeed"), c.savedSpeed);
        EXPECT_EQ(registry.Get(RegRoot::LocalMachine, KORVANE_KEY, "AutoBoot"), c.savedAutoBoot);
        EXPECT_EQ(registry.Get(RegRoot::LocalMachine, KORVANE_KEY, "HideOnMin"), c.savedHideOnMin);
        EXPECT_EQ(registry.Get(RegRoot::LocalMachine, KORVANE_KEY, "Topmost"), c.savedTopmost);

        // What was saved loads back to the same mirrors.
        CKorvaneSettings again;
        again.LoadSettings(registry);
        EXPECT_EQ(again.m_nRefreshSpeed, s.m_nRefreshSpeed);
        EXPECT_EQ(again.m_bAutoBoot, s.m_bAutoBoot);
        EXPECT_EQ(again.m_bHideOnMin, s.m_bHideOnMin);
        EXPECT_EQ(again.m_bTopmost, s.m_bTopmost);
        EXPECT_EQ(again.m_nShowPage, 1);
    }
}

class HostileHistoryTest : public ::testing::Test {
protected:
    MemoryRegistry registry;
    CSysRegInfo store{registry};

    void SetUp() override
    {
        registry.CreateKey(RegRoot::LocalMachine, KORVANE_KEY);
        store.SetRegSection(KORVANE_KEY);
    }
    void Put(int i, const std::string& bytes, uint32_t type = kSz)
    {
        registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "NewTask" + std::to_string(i), bytes, type);
    }
    std::string Entry(int i) const
    {
        return registry.Get(RegRoot::LocalMachine, KORVANE_KEY, "NewTask" + std::to_string(i));
    }
    bool Run(const std::string& command)
    {
        std::vector<std::string> history = LoadNewTaskHistory(store);
        return RecordNewTask(store, command.c_str(), history.empty() ? nullptr : history[0].c_str());
    }
};

TEST_F(HostileHistoryTest, UnreadableEntryEndsTheListAndOtherTypesReadAsTheirBytes)
{
    const std::string longest(1023, 'L');
    Put(0, longest);
    Put(1, std::string("C:\\a.exe\0hidden", 15), kBinary);
    Put(2, Dword(0x00434241), kDword);  // "ABC"
    Put(3, std::string(1024, 'X'));     // does not fit: the list ends here
    Put(4, "C:\\beyond.exe");
    std::vector<std::string> history = LoadNewTaskHistory(store);
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0], longest);
    EXPECT_EQ(history[1], "C:\\a.exe");
    EXPECT_EQ(history[2], "ABC");
}

TEST_F(HostileHistoryTest, LongestEntriesMoveDownWhole)
{
    const std::string first = "C:\\" + std::string(1020, 'f');
    const std::string second = "C:\\" + std::string(1020, 's');
    ASSERT_EQ(first.size(), 1023u);
    EXPECT_TRUE(Run(first));
    EXPECT_TRUE(Run(second));
    EXPECT_EQ(Entry(0), second);
    EXPECT_EQ(Entry(1), first);
    EXPECT_EQ(LoadNewTaskHistory(store), std::vector<std::string>({second, first}));
    // A command typed as the beginning of the longest entry is the same command.
    EXPECT_FALSE(Run(second.substr(0, 500)));
}

TEST_F(HostileHistoryTest, ValuesPastTheLastPlaceAreNeitherMovedNorOverwritten)
{
    for (int i = 0; i <= 25; ++i)
        Put(i, "old" + std::to_string(i));
    // Readers stop only at a gap, so a key written by hand can list more than 21 entries.
    EXPECT_EQ(LoadNewTaskHistory(store).size(), 26u);
    EXPECT_TRUE(Run("new"));
    EXPECT_EQ(Entry(0), "new");
    EXPECT_EQ(Entry(1), "old0");
    EXPECT_EQ(Entry(20), "old19");
    for (int i = 21; i <= 25; ++i)
        EXPECT_EQ(Entry(i), "old" + std::to_string(i));
    EXPECT_FALSE(registry.HasValue(RegRoot::LocalMachine, KORVANE_KEY, "NewTask26"));
}

}  // namespace
