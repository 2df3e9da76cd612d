// Start-up of korvane.exe under Wine: first-run registry, the main window and its menu bar,
// the single instance, the start-up word, the NT-family refusal.
#include "Harness.h"
#include "cbt_hook.h"
#include "dialog_template.h"
#include <stdio.h>
#include <string.h>
#include <algorithm>

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

// Distinct colours of a 24-bit BMP written by SaveWindowBitmap; -1 when it cannot be read.
int DistinctColours(const char* path)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        return -1;
    BITMAPFILEHEADER fh;
    BITMAPINFOHEADER ih;
    std::vector<unsigned char> bits;
    bool ok = fread(&fh, sizeof fh, 1, f) == 1 && fread(&ih, sizeof ih, 1, f) == 1 && ih.biBitCount == 24;
    if (ok) {
        bits.resize(fh.bfSize - fh.bfOffBits);
        ok = fread(bits.data(), bits.size(), 1, f) == 1;
    }
    fclose(f);
    if (!ok)
        return -1;
    std::vector<unsigned> colours;
    for (size_t i = 0; i + 2 < bits.size(); i += 3)
        colours.push_back(bits[i] | bits[i + 1] << 8 | bits[i + 2] << 16);
    std::sort(colours.begin(), colours.end());
    return static_cast<int>(std::unique(colours.begin(), colours.end()) - colours.begin());
}

// The page dialogs (children of the main window) that are shown.
std::vector<HWND> ShownPages(HWND main)
{
    std::vector<HWND> pages;
    for (HWND c = GetWindow(main, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (ClassName(c) == kDialogClass && IsWindowVisible(c))
            pages.push_back(c);
    }
    return pages;
}

// Control that only the page of that tab has: task switch button, end-process button, memory graph.
const int kPageMarker[3] = {1006, 1002, 1009};

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
    for (const char* name : {"Version", "Directory", "ShowPage", "RefreshSpeed"}) {
        DWORD valueType = 0;
        EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, name, nullptr, &valueType));
        EXPECT_EQ(valueType, static_cast<DWORD>(REG_SZ));
    }
    DWORD type = 0;
    std::string run;
    EXPECT_TRUE(ReadRegValue(HKEY_LOCAL_MACHINE, kRunKey, "Korvane", &run, &type));
    EXPECT_STREQ(run, "\"" + KorvaneDir() + "\\korvane.exe\" AUTOBOOT");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    // The flags appear only when the settings are saved at the end.
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, "AutoBoot"));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, "HideOnMin"));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, "Topmost"));
    EXPECT_EQ(GetPriorityClass(k.Process()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
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

    // The window is drawn: frame, menu bar, tabs and texts give many colours, a blank area one.
    CHECK_TRUE(Sync(w));
    Sleep(300);
    char shot[MAX_PATH + 32] = {};
    GetTempPathA(MAX_PATH, shot);
    strcat(shot, "korvane_main.bmp");
    CHECK_TRUE(SaveWindowBitmap(w, shot));
    EXPECT_TRUE(DistinctColours(shot) >= 4);
    DeleteFileA(shot);
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
    EXPECT_TRUE(second.WaitEnd(Korvane::kStartMs));  // a whole start under Wine
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w); }, 2000));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 2000));
    EXPECT_EQ(FindMainWindows().size(), static_cast<size_t>(1));
    EXPECT_TRUE(first.Running());

    // Closed, the window is minimised as well as hidden: the next start restores it, as Switch
    // To does, rather than bringing back only its taskbar button.
    PostSysCommand(w, SC_CLOSE);
    CHECK_TRUE(WaitUntil([&] { return !IsVisible(w); }));
    // Closing minimises the hidden window, which takes Wine a few seconds without a window manager.
    CHECK_TRUE(Sync(w, 30000));
    CHECK_TRUE(IsMinimized(w));
    Korvane third;
    CHECK_TRUE(third.Start());
    EXPECT_TRUE(third.WaitEnd(3000));
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w) && !IsMinimized(w); }, 5000));
    EXPECT_FALSE(IsMinimized(w));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == w; }, 2000));
    EXPECT_TRUE(first.Exit());
}

// The second instance stops before the settings: it writes no key, no value and no Run entry,
// also when the first instance's key is gone, and its own start-up word does not matter.
E2E_TEST(SecondStartTouchesNoRegistry)
{
    ResetKorvaneRegistry();
    Korvane first;
    HWND w = first.StartReady("AUTOBOOT");
    CHECK_TRUE(w);
    ResetKorvaneRegistry();
    for (const char* args : {"", "AUTOBOOT"}) {
        Korvane second;
        CHECK_TRUE(second.Start(args));
        EXPECT_TRUE(second.WaitEnd(Korvane::kStartMs));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kSettingsKey));
        EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kRunKey, "Korvane"));
        EXPECT_TRUE(WaitUntil([&] { return IsVisible(w); }, 2000));
        EXPECT_EQ(FindMainWindows().size(), static_cast<size_t>(1));
        ShowWindow(w, SW_HIDE);
        WaitUntil([&] { return !IsVisible(w); }, 2000);
    }
    EXPECT_TRUE(first.Running());
    first.Kill();  // Exit would save the settings
}

// The mutex marks a running instance for as long as it runs. A mutex of that name held by
// something without the main window makes a start end silently, before the settings.
E2E_TEST(TheMutexAloneMakesAStartEndSilently)
{
    ResetKorvaneRegistry();
    {
        Korvane k;
        CHECK_TRUE(k.StartReady("AUTOBOOT"));
        HANDLE h = OpenMutexA(SYNCHRONIZE, FALSE, "KORVANE_MUTEX");
        EXPECT_TRUE(h != nullptr);
        if (h)
            CloseHandle(h);
        CHECK_TRUE(k.Exit());
    }
    HANDLE gone = OpenMutexA(SYNCHRONIZE, FALSE, "KORVANE_MUTEX");
    EXPECT_TRUE(gone == nullptr);
    if (gone)
        CloseHandle(gone);

    ResetKorvaneRegistry();
    HANDLE held = CreateMutexA(nullptr, TRUE, "KORVANE_MUTEX");
    CHECK_TRUE(held != nullptr);
    Korvane k;
    CHECK_TRUE(k.Start());
    EXPECT_TRUE(k.WaitEnd(Korvane::kStartMs));
    EXPECT_TRUE(FindMainWindows().empty());
    EXPECT_TRUE(FindDialogs(k.Pid()).empty());
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kSettingsKey));
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kRunKey, "Korvane"));
    CloseHandle(held);
}

// A machine whose USER heap is exhausted cannot make the main window: the program lets go of the
// mutex and ends, so that the next start works.
E2E_TEST(WithoutItsMainWindowTheProgramEndsAndFreesTheMutex)
{
    ResetKorvaneRegistry();
    PROCESS_INFORMATION pi;
    CHECK_TRUE(StartCommand("\"" + KorvaneExe() + "\"", &pi, CREATE_SUSPENDED));
    bool ended = false;
    {
        cbt_hook::CbtHook hook(pi.dwThreadId, true);
        EXPECT_TRUE(hook.ok());
        ResumeThread(pi.hThread);
        ended = WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0;
    }
    EXPECT_TRUE(ended);
    EXPECT_TRUE(FindMainWindows().empty());
    if (!ended)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    Korvane k;
    EXPECT_TRUE(k.StartReady());
    EXPECT_TRUE(k.Exit());
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

// Installed in a folder with a space, the program is started at boot from its Run entry as the
// system does it: the stored text, unchanged, is the command line. It must still start hidden.
E2E_TEST(AutostartFromAFolderWithASpaceStartsHidden)
{
    const std::string dir = "C:\\Program Files\\Korvane";
    const std::string exe = dir + "\\korvane.exe";
    struct Installed {
        std::string dir, exe;
        ~Installed()
        {
            DeleteFileA(exe.c_str());
            RemoveDirectoryA(dir.c_str());
        }
    } installed{dir, exe};
    CreateDirectoryA(dir.c_str(), nullptr);
    CHECK_TRUE(CopyFileA(KorvaneExe().c_str(), exe.c_str(), FALSE));
    ResetKorvaneRegistry();
    {
        Korvane first;  // its first start writes the Run entry
        CHECK_TRUE(first.StartAs(exe, "\"" + exe + "\""));
        CHECK_TRUE(first.WaitReady());
        CHECK_TRUE(first.Exit());
    }
    const std::string run = RegText(HKEY_LOCAL_MACHINE, kRunKey, "Korvane");
    if (!EXPECT_EQ(_stricmp(run.c_str(), ("\"" + exe + "\" AUTOBOOT").c_str()), 0))
        printf("    Run entry: %s\n", run.c_str());

    Korvane k;
    CHECK_TRUE(k.StartAs(exe, run));
    HWND w = k.WaitReady();
    CHECK_TRUE(w);
    EXPECT_FALSE(WaitUntil([&] { return IsVisible(w); }, 1000));
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
    std::vector<HWND> shown = ShownPages(w);
    CHECK_EQ(shown.size(), static_cast<size_t>(1));
    EXPECT_TRUE(Item(shown[0], kPageMarker[2]) != nullptr);
    RECT r;
    GetWindowRect(shown[0], &r);
    POINT at = {r.left, r.top};
    ScreenToClient(w, &at);
    EXPECT_EQ(at.x, 20L);
    EXPECT_EQ(at.y, 36L);
    EXPECT_TRUE(k.Exit());
    EXPECT_STREQ(Settings("ShowPage"), "2");
}

E2E_TEST(ShowPageOutOfRangeShowsNoPage)
{
    for (const char* bad : {"3", "-1", "abc7"}) {
        WriteSettings(bad, "0");
        Korvane k;
        HWND w = k.StartReady();
        CHECK_TRUE(w);
        // "abc7" reads as 0, a valid page.
        bool valid = strcmp(bad, "abc7") == 0;
        if (!EXPECT_EQ(TabCurSel(Item(w, kTabControlId)), valid ? 0 : -1) ||
            !EXPECT_EQ(ShownPages(w).size(), static_cast<size_t>(valid ? 1 : 0)))
            printf("    with ShowPage \"%s\"\n", bad);
        k.Kill();
    }
}

E2E_TEST(ClickingATabShowsOnlyItsPage)
{
    WriteSettings("0", "0");
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    HWND tab = Item(w, kTabControlId);
    for (int i : {1, 2, 0, 2}) {
        CHECK_TRUE(SelectTab(tab, i));
        // The page is shown once the click's notification has been handled.
        std::vector<HWND> shown;
        WaitUntil([&] {
            shown = ShownPages(w);
            return shown.size() == 1 && Item(shown[0], kPageMarker[i]);
        }, 2000);
        CHECK_EQ(shown.size(), static_cast<size_t>(1));
        EXPECT_TRUE(Item(shown[0], kPageMarker[i]) != nullptr);
    }
    EXPECT_TRUE(k.Exit());
    EXPECT_STREQ(Settings("ShowPage"), "2");
}

E2E_TEST(AboutBoxShowsTheVersionAndCloses)
{
    WriteSettings("0", "0");
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    CHECK_TRUE(PostCommand(w, kCmdAbout));
    HWND about = nullptr;
    CHECK_TRUE(WaitUntil([&] {
        std::vector<HWND> d = FindDialogs(k.Pid());
        about = d.empty() ? nullptr : d.front();
        return about != nullptr;
    }));
    EXPECT_STREQ(WindowText(about), "关于 Korvane");
    std::vector<std::string> texts = StaticTexts(about);
    EXPECT_TRUE(std::find(texts.begin(), texts.end(), "a Korvane for Windows 9x/ME 1.0.638 版") != texts.end());
    EXPECT_EQ(GetWindow(about, GW_OWNER), w);
    EXPECT_STREQ(ItemText(about, IDOK), "确定");
    EXPECT_FALSE(IsWindowEnabled(w));  // modal
    CHECK_TRUE(PostMessageA(about, WM_COMMAND, IDOK, 0));
    EXPECT_TRUE(WaitUntil([&] { return FindDialogs(k.Pid()).empty(); }));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(w) != FALSE; }, 2000));
    EXPECT_TRUE(k.Exit());
}

// Exit that arrives while a modal dialog runs its own loop (the tray menu stays usable then) still
// ends the program and saves the settings.
E2E_TEST(ExitWhileTheAboutBoxIsOpenEndsTheProgram)
{
    WriteSettings("0", "0");
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    CHECK_TRUE(SelectTab(Item(w, kTabControlId), 1));
    CHECK_TRUE(PostCommand(w, kCmdAbout));
    CHECK_TRUE(WaitUntil([&] { return !FindDialogs(k.Pid()).empty(); }));
    CHECK_TRUE(PostCommand(w, kCmdExit));
    EXPECT_TRUE(k.WaitEnd(5000));
    EXPECT_EQ(k.ExitCode(), 0u);
    EXPECT_STREQ(Settings("ShowPage"), "1");
    EXPECT_STREQ(Settings("AutoBoot"), "-1");
}

// The resource compiler drops the size of an ICON statement; every dialog's icon keeps the place
// and size its layout gives it.
E2E_TEST(EveryDialogIconKeepsItsTemplateSize)
{
    struct Expected {
        int dialog;
        const char* icon;
        int x, y, cx, cy;
    };
    const Expected icons[] = {
        {100, "#128", 11, 17, 20, 20}, {136, "#128", 7, 7, 21, 21}, {140, "#143", 7, 7, 21, 21},
        {145, "#128", 7, 7, 21, 21},   {146, "#148", 7, 13, 21, 21},
    };
    for (const Expected& e : icons) {
        DialogTemplate t = LoadDialogTemplate(e.dialog);
        CHECK_TRUE(t.ok);
        const TemplateControl* c = t.FindText(e.icon);
        CHECK_TRUE(c != nullptr);
        EXPECT_EQ(c->style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
        EXPECT_EQ(c->x, e.x);
        EXPECT_EQ(c->y, e.y);
        EXPECT_EQ(c->cx, e.cx);
        EXPECT_EQ(c->cy, e.cy);
    }
}

// Dialog 102 as built: 243 x 269 dialog units in 宋体 9 pt, created hidden, no maximise box and no
// sizing border.
E2E_TEST(MainWindowTemplateIsHiddenFixedSize)
{
    DialogTemplate t = LoadDialogTemplate(102);
    CHECK_TRUE(t.ok);
    EXPECT_EQ(t.cx, 243);
    EXPECT_EQ(t.cy, 269);
    EXPECT_STREQ(t.caption, "Windows 任务管理器");
    EXPECT_STREQ(t.font, "宋体");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_FALSE(t.style & WS_VISIBLE);
    EXPECT_FALSE(t.style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(t.style & WS_THICKFRAME);
    EXPECT_TRUE(t.style & WS_MINIMIZEBOX);
    for (int page : {130, 131, 134}) {
        DialogTemplate p = LoadDialogTemplate(page);
        CHECK_TRUE(p.ok);
        EXPECT_EQ(p.cx, 217);
        EXPECT_EQ(p.cy, 220);
        EXPECT_TRUE(p.style & WS_CHILD);
    }
}
