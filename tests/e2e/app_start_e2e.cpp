// Start-up of korvane.exe under Wine: first-run registry, the main window and its menu bar,
// the single instance, the start-up word, the NT-family refusal.
#include "Harness.h"
#include <string.h>

using namespace e2e;

namespace {

// The menu bar as the user sees it: depth, command id (-1 submenu, 0 separator), text.
struct ExpectedItem {
    int depth;
    int id;
    const char* text;
};

const ExpectedItem kMenuBar[] = {
    {0, -1, "文件(&F)"},
    {1, 32772, "新任务(&N)"},
    {1, 0, ""},
    {1, 57665, "退出(&X)"},
    {0, -1, "选项(&O)"},
    {1, 32773, "总在最前面(&T)"},
    {1, 32777, "最小化时隐藏(&H)"},
    {1, 0, ""},
    {1, 32796, "随系统启动(&A)"},
    {0, -1, "查看(&V)"},
    {1, 32774, "立即刷新(&R)"},
    {1, -1, "更新速度"},
    {2, 32782, "实时(&R)"},
    {2, 32778, "高速(&H)"},
    {2, 32779, "一般(&N)"},
    {2, 32780, "低速(&L)"},
    {2, 32781, "暂停(&P)"},
    {0, -1, "超级任务(&S)"},
    {1, 32793, "锁住电脑\tCtrl-Alt-L"},
    {1, 32794, "快速接管\tCtrl-Alt-Ins"},
    {1, 32795, "快速关机"},
    {1, 0, ""},
    {1, 1005, "设置开锁密码"},
    {0, -1, "帮助(&H)"},
    {1, 32775, "内容(&C)"},
    {1, 0, ""},
    {1, 57664, "关于(&A)"},
};

std::string Settings(const char* name) { return RegText(HKEY_LOCAL_MACHINE, kSettingsKey, name); }

// Makes the next start a normal (not first) start with the given settings.
void WriteSettings(const char* showPage, const char* refreshSpeed)
{
    ResetKorvaneRegistry();
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Directory", KorvaneDir());
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "ShowPage", showPage);
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "RefreshSpeed", refreshSpeed);
}

// Undoes the per-program Windows version whatever way the case ends.
struct WineVersionOverride {
    explicit WineVersionOverride(const char* version) { ok = SetWineVersionFor("korvane.exe", version); }
    ~WineVersionOverride() { SetWineVersionFor("korvane.exe", nullptr); }
    bool ok;
};

bool HasDialogWithText(DWORD pid, const std::string& text)
{
    for (HWND dlg : FindDialogs(pid)) {
        for (const std::string& s : StaticTexts(dlg)) {
            if (s == text)
                return true;
        }
    }
    return false;
}

}  // namespace

E2E_TEST(FirstStartCreatesSettingsAndAutostartEntry)
{
    ResetKorvaneRegistry();
    Korvane k;
    // Started from another folder: "Directory" must still name the program's own folder.
    CHECK_TRUE(k.Start("", "C:\\windows"));
    CHECK_TRUE(k.WaitReady());

    EXPECT_STREQ(Settings("Version"), "1");
    EXPECT_STREQ(Settings("Directory"), KorvaneDir());
    EXPECT_STREQ(Settings("ShowPage"), "0");
    EXPECT_STREQ(Settings("RefreshSpeed"), "0");
    DWORD type = 0;
    std::string run;
    EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, kRunKey, "Korvane", &run, &type));
    EXPECT_STREQ(run, KorvaneDir() + "\\korvane.exe AUTOBOOT");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    // The flags appear only when the settings are saved at the end.
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, "AutoBoot"));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, "HideOnMin"));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, "Topmost"));
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(LaterStartWritesNothingAtStartUp)
{
    WriteSettings("1", "2");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Directory", "C:\\elsewhere");
    Korvane k;
    CHECK_TRUE(k.StartReady());
    EXPECT_STREQ(Settings("Directory"), "C:\\elsewhere");
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kRunKey, "Korvane"));
    k.Kill();
}

E2E_TEST(MainWindowHasTitleTabsAndMenuBar)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    EXPECT_STREQ(ClassName(w), "#32770");
    EXPECT_STREQ(WindowText(w), "Windows 任务管理器");
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w); }, 2000));

    HWND tab = Item(w, kTabControlId);
    CHECK_EQ(TabCount(tab), 3);
    EXPECT_STREQ(TabText(tab, 0), "应用程序");
    EXPECT_STREQ(TabText(tab, 1), "进程");
    EXPECT_STREQ(TabText(tab, 2), "性能");
    EXPECT_EQ(TabCurSel(tab), 0);

    std::vector<MenuEntry> menu = MenuTree(w);
    const size_t n = sizeof kMenuBar / sizeof kMenuBar[0];
    CHECK_EQ(menu.size(), n);
    for (size_t i = 0; i < n; ++i) {
        EXPECT_EQ(menu[i].depth, kMenuBar[i].depth);
        EXPECT_EQ(static_cast<int>(menu[i].id), kMenuBar[i].id);
        EXPECT_STREQ(menu[i].text, kMenuBar[i].text);
        EXPECT_EQ((menu[i].state & MF_SEPARATOR) != 0, kMenuBar[i].id == 0);
    }

    // First start: the three flags read as absent (on), speed index 0 ("高速").
    EXPECT_TRUE(MenuChecked(w, kCmdTopmost));
    EXPECT_TRUE(MenuChecked(w, kCmdHideOnMin));
    EXPECT_TRUE(MenuChecked(w, kCmdAutoBoot));
    EXPECT_TRUE(MenuChecked(w, kCmdSpeedHigh));
    for (UINT id : {kCmdSpeedNormal, kCmdSpeedLow, kCmdSpeedPause, kCmdSpeedRealtime})
        EXPECT_FALSE(MenuChecked(w, id));
    EXPECT_TRUE(IsTopmost(w));
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(SecondStartShowsTheFirstAndEnds)
{
    ResetKorvaneRegistry();
    Korvane first;
    HWND w = first.StartReady("AUTOBOOT");
    CHECK_TRUE(w);
    Sleep(300);
    CHECK_FALSE(IsVisible(w));

    Korvane second;
    CHECK_TRUE(second.Start());
    EXPECT_TRUE(second.WaitEnd(1000));
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w); }, 2000));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 2000));
    EXPECT_EQ(FindMainWindows().size(), static_cast<size_t>(1));
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(first.Exit());
}

E2E_TEST(AutobootStartsHiddenAndCtrlTShows)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND w = k.StartReady("AUTOBOOT");
    CHECK_TRUE(w);
    Sleep(500);
    CHECK_FALSE(IsVisible(w));
    CHECK_TRUE(PressKeys({VK_CONTROL, 'T'}));
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w); }, 3000));
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(OnlyTheExactFirstPlainWordHides)
{
    ResetKorvaneRegistry();
    struct Variant {
        const char* args;
        bool shown;
    };
    const Variant variants[] = {
        {"autoboot", true},        // the match is case-sensitive
        {"/AUTOBOOT", true},       // options never count
        {"-AUTOBOOT", true},
        {"other AUTOBOOT", true},  // only the first plain word counts
        {"AUTOBOOTX", true},
        {"/x AUTOBOOT", false},    // an option in front is skipped
        {"AUTOBOOT other", false},
    };
    for (const Variant& v : variants) {
        Korvane k;
        HWND w = k.StartReady(v.args);
        CHECK_TRUE(w);
        // A hidden start is watched for half a second: the window must not appear.
        bool shown = WaitUntil([&] { return IsVisible(w); }, v.shown ? 2000 : 500);
        if (!EXPECT_EQ(shown, v.shown))
            printf("    with the command line \"%s\"\n", v.args);
        k.Kill();
    }
}

E2E_TEST(NtFamilyGetsOnlyMessage113)
{
    ResetKorvaneRegistry();
    WineVersionOverride nt("winxp");
    CHECK_TRUE(nt.ok);
    Korvane k;
    CHECK_TRUE(k.Start());
    bool shown = WaitUntil([&] { return HasDialogWithText(k.Pid(), "本程序只能运行在Windows 9x/ME上."); }, 10000);
    CHECK_TRUE(shown);
    std::vector<HWND> dialogs = FindDialogs(k.Pid());
    EXPECT_EQ(dialogs.size(), static_cast<size_t>(1));
    EXPECT_EQ(FindMainWindow(k.Pid()), static_cast<HWND>(nullptr));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kSettingsKey));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kRunKey, "Korvane"));

    // OK ends the program, still without a window or a registry entry.
    for (HWND d : dialogs)
        PostMessageA(d, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(k.WaitEnd(5000));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kSettingsKey));
}

E2E_TEST(ShowPage2SelectsThePerformanceTab)
{
    WriteSettings("2", "0");
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    EXPECT_EQ(TabCurSel(Item(w, kTabControlId)), 2);
    // Only the Performance page (the one with the memory graph, 1009) is shown.
    int visiblePages = 0;
    HWND shownPage = nullptr;
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (ClassName(c) == kDialogClass && IsWindowVisible(c)) {
            ++visiblePages;
            shownPage = c;
        }
    }
    EXPECT_EQ(visiblePages, 1);
    EXPECT_TRUE(Item(shownPage, 1009) != nullptr);
    EXPECT_TRUE(k.Exit());
    EXPECT_STREQ(Settings("ShowPage"), "2");
}
