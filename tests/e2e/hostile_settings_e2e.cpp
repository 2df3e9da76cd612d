// Damaged settings key: every value absent, empty, non-numeric, negative, huge, longer than the
// 1024-byte read buffer, or of another registry type. The program starts, shows the page, check
// marks and window level that the reading rules give (an unreadable value reads as -1, text as
// its leading decimal number, a page outside 0-2 shows no page, a speed outside 0-4 loads as
// "高速(&H)"), stays up, and saves well-formed text values on Exit.
#include "hostile_util.h"
#include <stdio.h>

using namespace hostile;

namespace {

struct Value {
    const char* name;
    DWORD type;
    std::string bytes;
};

struct Case {
    const char* label;
    std::vector<Value> values;   // written byte for byte; the others stay absent
    int page;                    // shown page, -1 none
    UINT speed;                  // checked speed command
    bool autoBoot, hideOnMin, topmost;
    const char* savedAutoBoot;
    const char* savedHideOnMin;
    const char* savedTopmost;
    const char* savedSpeed;
};

std::string Settings(const char* name) { return RegText(HKEY_LOCAL_MACHINE, kSettingsKey, name); }

Value Sz(const char* name, const std::string& text) { return {name, REG_SZ, text}; }

std::vector<Case> Cases()
{
    const std::string over(1500, '1');
    std::vector<Case> c;
    c.push_back({"every value absent", {}, -1, kCmdSpeedHigh, true, true, true, "-1", "-1", "-1", "0"});
    c.push_back({"every value empty",
                 {Sz("ShowPage", ""), Sz("RefreshSpeed", ""), Sz("AutoBoot", ""), Sz("HideOnMin", ""),
                  Sz("Topmost", "")},
                 0, kCmdSpeedHigh, false, false, false, "0", "0", "0", "0"});
    c.push_back({"non-numeric, and numbers followed by text",
                 {Sz("ShowPage", "2nd page"), Sz("RefreshSpeed", "3x"), Sz("AutoBoot", "yes"), Sz("HideOnMin", "on"),
                  Sz("Topmost", "--1")},
                 2, kCmdSpeedPause, false, false, false, "0", "0", "0", "3"});
    c.push_back({"negative",
                 {Sz("ShowPage", "-1"), Sz("RefreshSpeed", "-2"), Sz("AutoBoot", "-5"),
                  Sz("HideOnMin", "-2147483648"), Sz("Topmost", "-0")},
                 -1, kCmdSpeedHigh, true, true, false, "-5", "-2147483648", "0", "0"});
    c.push_back({"huge",
                 {Sz("ShowPage", "4294967297"), Sz("RefreshSpeed", "99999999999999999999"),
                  Sz("AutoBoot", "2147483648"), Sz("HideOnMin", "-99999999999"),
                  Sz("Topmost", "000000000000000000000000000001")},
                 -1, kCmdSpeedHigh, true, true, true, "2147483647", "-2147483648", "1", "0"});
    // Longer than the read buffer (1023 bytes of text and its terminator): the read fails, as for
    // an absent value. 1023 bytes still read.
    c.push_back({"longer than 1024 bytes",
                 {Sz("ShowPage", "1" + over), Sz("RefreshSpeed", "4" + over), Sz("AutoBoot", "0" + over),
                  Sz("HideOnMin", std::string(1024, '0')), Sz("Topmost", std::string(1023, '0'))},
                 -1, kCmdSpeedHigh, true, true, false, "-1", "-1", "0", "0"});
    // Another type is read as its bytes: a DWORD 2 is the text "\x02" (0), a DWORD 0x34 is "4".
    c.push_back({"REG_DWORD values",
                 {{"ShowPage", REG_DWORD, DwordBytes(2)}, {"RefreshSpeed", REG_DWORD, DwordBytes('4')},
                  {"AutoBoot", REG_DWORD, DwordBytes(0)}, {"HideOnMin", REG_DWORD, DwordBytes(1)},
                  {"Topmost", REG_DWORD, DwordBytes('1')}},
                 0, kCmdSpeedRealtime, false, false, true, "0", "0", "1", "4"});
    c.push_back({"REG_BINARY values",
                 {{"ShowPage", REG_BINARY, "1"}, {"RefreshSpeed", REG_BINARY, std::string("\xFF\xFE\x00\x01", 4)},
                  {"AutoBoot", REG_BINARY, ""}, {"HideOnMin", REG_BINARY, std::string("-1\0garbage", 10)},
                  {"Topmost", REG_BINARY, std::string(2000, '\x01')}},
                 1, kCmdSpeedHigh, false, true, true, "0", "-1", "-1", "0"});
    return c;
}

}  // namespace

E2E_TEST(DamagedSettingsStartWithTheRulesValuesAndSaveCleanText)
{
    for (const Case& c : Cases()) {
        printf("    case: %s\n", c.label);
        ResetKorvaneRegistry();
        WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
        WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Directory", KorvaneDir());
        for (const Value& v : c.values)
            CHECK_TRUE(WriteRaw(v.name, v.type, v.bytes));

        Korvane k;
        HWND w = StartSettled(k);
        CHECK_TRUE(w);
        HWND tab = Item(w, kTabControlId);
        EXPECT_EQ(ShownPage(w), c.page);
        if (c.page >= 0)
            EXPECT_EQ(TabCurSel(tab), c.page);
        else
            EXPECT_EQ(TabCurSel(tab), -1);
        EXPECT_EQ(CheckedSpeed(w), c.speed);
        EXPECT_EQ(MenuChecked(w, kCmdAutoBoot), c.autoBoot);
        EXPECT_EQ(MenuChecked(w, kCmdHideOnMin), c.hideOnMin);
        EXPECT_EQ(MenuChecked(w, kCmdTopmost), c.topmost);
        EXPECT_EQ(IsTopmost(w), c.topmost);
        EXPECT_TRUE(StaysUp(k));
        // With no page shown, a click on any tab, the first included, brings up its page.
        if (c.page < 0) {
            EXPECT_TRUE(SelectTab(tab, 0));
            EXPECT_TRUE(WaitUntil([&] { return ShownPage(w) == 0; }, 2000));
        }

        int tabAtExit = TabCurSel(tab);
        CHECK_TRUE(k.Exit());
        EXPECT_EQ(k.ExitCode(), 0u);
        for (const char* name : {"ShowPage", "RefreshSpeed", "AutoBoot", "HideOnMin", "Topmost"}) {
            DWORD type = 0;
            EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, name, nullptr, &type));
            EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        }
        EXPECT_STREQ(Settings("ShowPage"), std::to_string(tabAtExit));
        EXPECT_STREQ(Settings("RefreshSpeed"), c.savedSpeed);
        EXPECT_STREQ(Settings("AutoBoot"), c.savedAutoBoot);
        EXPECT_STREQ(Settings("HideOnMin"), c.savedHideOnMin);
        EXPECT_STREQ(Settings("Topmost"), c.savedTopmost);
    }
}

// "Version" is looked at for its presence only: an empty or DWORD value is a later start, which
// writes nothing; one too long to read counts as absent, and the start is a first start.
E2E_TEST(DamagedVersionDecidesFirstStartByReadability)
{
    struct VersionCase {
        const char* label;
        DWORD type;
        std::string bytes;
        bool firstStart;
    };
    const VersionCase cases[] = {
        {"empty", REG_SZ, "", false},
        {"REG_DWORD", REG_DWORD, DwordBytes(7), false},
        {"not a number", REG_SZ, "\xB0\xE6\xB1\xBE", false},  // 版本
        {"longer than 1024 bytes", REG_SZ, std::string(3000, '9'), true},
    };
    for (const VersionCase& c : cases) {
        printf("    case: Version %s\n", c.label);
        ResetKorvaneRegistry();
        CHECK_TRUE(WriteRaw("Version", c.type, c.bytes));
        CHECK_TRUE(WriteRaw("ShowPage", REG_SZ, "2"));
        Korvane k;
        HWND w = k.StartReady();
        CHECK_TRUE(w);
        if (c.firstStart) {
            EXPECT_STREQ(Settings("Version"), "1");
            EXPECT_STREQ(Settings("ShowPage"), "0");
            EXPECT_STREQ(Settings("Directory"), KorvaneDir());
            EXPECT_TRUE(RegValueExists(HKEY_LOCAL_MACHINE, kRunKey, "Korvane"));
        } else {
            std::string text;
            EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", &text));
            EXPECT_STREQ(text, c.bytes.substr(0, c.bytes.find('\0')));
            EXPECT_STREQ(Settings("ShowPage"), "2");
            EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, "Directory"));
            EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kRunKey, "Korvane"));
        }
        EXPECT_TRUE(StaysUp(k, 500));
        EXPECT_TRUE(k.Exit());
    }
}

// An unreadable or empty "Directory" never yields a Run entry without a program folder: switching
// autostart on names the running program's own folder.
E2E_TEST(DamagedDirectoryStillGivesAWorkingAutostartEntry)
{
    const std::string expected = "\"" + KorvaneDir() + "\\korvane.exe\" AUTOBOOT";
    for (const std::string& dir : {std::string(), std::string(2000, 'D')}) {
        printf("    case: Directory of %u bytes\n", static_cast<unsigned>(dir.size()));
        ResetKorvaneRegistry();
        WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
        CHECK_TRUE(WriteRaw("Directory", REG_SZ, dir));
        CHECK_TRUE(WriteRaw("AutoBoot", REG_SZ, "1"));
        Korvane k;
        HWND w = k.StartReady();
        CHECK_TRUE(w);
        CHECK_TRUE(SendCommand(w, kCmdAutoBoot));
        EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kRunKey, "Korvane"));
        CHECK_TRUE(SendCommand(w, kCmdAutoBoot));
        EXPECT_EQ(_stricmp(RegText(HKEY_LOCAL_MACHINE, kRunKey, "Korvane").c_str(), expected.c_str()), 0);
        EXPECT_TRUE(MenuChecked(w, kCmdAutoBoot));
        EXPECT_TRUE(StaysUp(k, 300));
        EXPECT_TRUE(k.Exit());
        EXPECT_STREQ(Settings("AutoBoot"), "1");
    }
}
