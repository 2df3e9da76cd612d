// The Performance page, its status-bar figures and the tray CPU gauge under Wine. Wine's dynamic
// registry holds no kernel counters, but values written there by this program are seen by
// korvane.exe in the same wineserver: the tests inject the counters and follow them through.
#include "Harness.h"
#include "dialog_template.h"
#include <shellapi.h>
#include <tlhelp32.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

using namespace e2e;

namespace {

const char kStatData[] = "PerfStats\\StatData";
const UINT kTrayMessage = 0x800;
const UINT kTrayIconId = 128;

// A counter in HKEY_DYN_DATA\PerfStats\StatData: 4 bytes, little-endian, binary.
bool SetCounter(const char* name, int value)
{
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_DYN_DATA, kStatData, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    unsigned char data[4];
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<unsigned char>(static_cast<unsigned>(value) >> (8 * i));
    LONG rc = RegSetValueExA(h, name, 0, REG_BINARY, data, sizeof data);
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

void ClearCounters()
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_DYN_DATA, kStatData, 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS)
        return;
    for (const char* name : {"KERNEL\\CPUUsage", "KERNEL\\Threads", "VMM\\cpgFree", "VMM\\cpgLocked"})
        RegDeleteValueA(h, name);
    RegCloseKey(h);
}

// Settings of a program that has run before: the Performance tab, the 500 ms speed.
void PrepareSettings()
{
    ResetKorvaneRegistry();
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1.0");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "ShowPage", "2");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "RefreshSpeed", "0");
}

BOOL CALLBACK FindPageProc(HWND hWnd, LPARAM lParam)
{
    if (GetDlgItem(hWnd, 1004) && GetDlgItem(hWnd, 1009)) {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND PerformancePage(HWND main)
{
    HWND page = nullptr;
    EnumChildWindows(main, FindPageProc, reinterpret_cast<LPARAM>(&page));
    return page;
}

// The three numbers of a total block, or false when the text is not exactly "%d\n%d\n%d".
bool ParseBlock(const std::string& text, long (&n)[3])
{
    const char* p = text.c_str();
    for (int i = 0; i < 3; ++i) {
        if (!(*p >= '0' && *p <= '9') && !(*p == '-' && p[1] >= '0' && p[1] <= '9'))
            return false;
        char* end;
        n[i] = strtol(p, &end, 10);
        if (i < 2 && *end != '\n')
            return false;
        p = end + (i < 2 ? 1 : 0);
    }
    return *p == '\0';
}

int SnapshotProcessCount()
{
    HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    int n = 0;
    for (BOOL ok = Process32First(h, &pe); ok; ok = Process32Next(h, &pe))
        ++n;
    CloseHandle(h);
    return n;
}

// Modules of one process by a tool-help module list, as a count by korvane.exe finds them; -1
// when the list can't be taken.
int ModuleCount(DWORD pid)
{
    HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    MODULEENTRY32 me = {};
    me.dwSize = sizeof me;
    int n = 0;
    for (BOOL ok = Module32First(h, &me); ok && n < 250; ok = Module32Next(h, &me))
        ++n;
    CloseHandle(h);
    return n;
}

// The module total of every process now.
long ModuleTotalNow()
{
    HANDLE h = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (h == INVALID_HANDLE_VALUE)
        return -1;
    std::vector<DWORD> pids;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(h, &pe); ok; ok = Process32Next(h, &pe))
        pids.push_back(pe.th32ProcessID);
    CloseHandle(h);
    long total = 0;
    for (DWORD pid : pids) {
        int n = ModuleCount(pid);
        total += n > 0 ? n : 0;
    }
    return total;
}

// --- the tray tip, read from the notification area's tooltips ----------------------------------
// Wine's notification area (its own tray window, or the X tray it docks into) gives every icon
// a tooltip control holding the icon's tip; the tips are read from those controls.

struct TooltipSearch {
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectTooltips(HWND hWnd, LPARAM lParam)
{
    char cls[64] = {};
    GetClassNameA(hWnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "tooltips_class32") == 0)
        reinterpret_cast<TooltipSearch*>(lParam)->windows.push_back(hWnd);
    return TRUE;
}

std::vector<std::wstring> TrayTips()
{
    TooltipSearch search;
    EnumWindows(CollectTooltips, reinterpret_cast<LPARAM>(&search));
    std::vector<std::wstring> tips;
    for (HWND tip : search.windows) {
        int count = static_cast<int>(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
        RemoteMemory mem(tip, 4096);
        if (!mem.ok())
            continue;
        char* base = static_cast<char*>(mem.ptr());
        for (int i = 0; i < count; ++i) {
            TTTOOLINFOW ti = {};
            ti.cbSize = sizeof ti;
            ti.lpszText = reinterpret_cast<LPWSTR>(base + 1024);
            std::vector<wchar_t> zero(1024, L'\0');
            mem.Write(zero.data(), 2048, 1024);
            mem.Write(&ti, sizeof ti, 0);
            DWORD_PTR ok = 0;
            if (!SendMessageTimeoutW(tip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(base), SMTO_NORMAL, 2000, &ok) || !ok)
                continue;
            wchar_t text[1024] = {};
            mem.Read(text, sizeof text - sizeof(wchar_t), 1024);
            tips.push_back(text);
        }
    }
    return tips;
}

bool HasTrayTip(const std::wstring& tip)
{
    for (const std::wstring& t : TrayTips()) {
        if (t == tip)
            return true;
    }
    return false;
}

// --- pictures ------------------------------------------------------------------------------

// A 24-bit bottom-up BMP as written by SaveWindowBitmap.
struct Picture {
    int w = 0, h = 0;
    std::vector<unsigned char> bits;
    bool Load(const std::string& path)
    {
        FILE* f = fopen(path.c_str(), "rb");
        if (!f)
            return false;
        BITMAPFILEHEADER fh;
        BITMAPINFOHEADER ih;
        bool ok = fread(&fh, sizeof fh, 1, f) == 1 && fread(&ih, sizeof ih, 1, f) == 1 && ih.biBitCount == 24;
        if (ok) {
            w = ih.biWidth;
            h = ih.biHeight;
            bits.resize(static_cast<size_t>(Stride()) * h);
            ok = fread(bits.data(), bits.size(), 1, f) == 1;
        }
        fclose(f);
        return ok;
    }
    int Stride() const { return (w * 3 + 3) & ~3; }
    COLORREF At(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return 0xFFFFFFFF;
        const unsigned char* p = &bits[static_cast<size_t>(h - 1 - y) * Stride() + x * 3];
        return RGB(p[2], p[1], p[0]);
    }
};

// Where a control of the page lies in a picture of the main window, and its client size.
struct ControlBox {
    int x = 0, y = 0, w = 0, h = 0;
};

ControlBox BoxOf(HWND main, HWND control)
{
    RECT rm, rc, client;
    GetWindowRect(main, &rm);
    GetWindowRect(control, &rc);
    GetClientRect(control, &client);
    ControlBox b;
    b.x = rc.left - rm.left;
    b.y = rc.top - rm.top;
    b.w = client.right;
    b.h = client.bottom;
    return b;
}

// The meter's text as the page draws it: the surface's default font, (0, 255, 0) on black,
// centred on the bottom line of the control shrunk by 2. Pixels the text leaves alone keep
// the marker colour.
const COLORREF kMarker = RGB(1, 2, 3);

std::vector<COLORREF> RenderMeterText(const char* text, int w, int h)
{
    std::vector<COLORREF> out(static_cast<size_t>(w) * h, kMarker);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bmp = CreateTopDownDib(screen, w, h, &bits);
    if (bmp) {
        HGDIOBJ old = SelectObject(dc, bmp);
        RECT all = {0, 0, w, h};
        HBRUSH marker = CreateSolidBrush(kMarker);
        FillRect(dc, &all, marker);
        DeleteObject(marker);
        SetTextColor(dc, RGB(0, 255, 0));
        SetBkColor(dc, RGB(0, 0, 0));
        RECT rc = {2, 2, w - 2, h - 2};
        DrawTextA(dc, text, -1, &rc, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
        GdiFlush();
        const unsigned char* p = static_cast<const unsigned char*>(bits);
        for (int i = 0; i < w * h; ++i)
            out[i] = RGB(p[i * 4 + 2], p[i * 4 + 1], p[i * 4]);
        SelectObject(dc, old);
        DeleteObject(bmp);
    }
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return out;
}

// Pixels of the rendered text (not the marker) that differ in the picture; -1 when nothing
// was rendered.
int TextMismatches(const Picture& pic, const ControlBox& box, const std::vector<COLORREF>& text)
{
    int drawn = 0, wrong = 0;
    for (int y = 0; y < box.h; ++y) {
        for (int x = 0; x < box.w; ++x) {
            COLORREF want = text[static_cast<size_t>(y) * box.w + x];
            if (want == kMarker)
                continue;
            ++drawn;
            wrong += pic.At(box.x + x, box.y + y) == want ? 0 : 1;
        }
    }
    return drawn ? wrong : -1;
}

// Selects a tab as a click does. Wine refuses WM_NOTIFY between processes, so the notification
// is sent from a thread inside korvane.exe.
bool ClickTab(HWND main, int index)
{
    HWND tab = Item(main, kTabControlId);
    DWORD_PTR r;
    if (!SendMessageTimeoutA(tab, TCM_SETCURSEL, index, 0, SMTO_NORMAL, 2000, &r))
        return false;
    RemoteMemory mem(tab, sizeof(NMHDR));
    NMHDR nm = {};
    nm.hwndFrom = tab;
    nm.idFrom = kTabControlId;
    nm.code = static_cast<UINT>(TCN_SELCHANGE);
    DWORD result = 0;
    return mem.Write(&nm, sizeof nm) &&
           RemoteCall(main, "user32.dll", "SendMessageA",
                      {reinterpret_cast<DWORD_PTR>(main), WM_NOTIFY, kTabControlId,
                       reinterpret_cast<DWORD_PTR>(mem.ptr())},
                      &result);
}

// A started program on the Performance tab with CPU 37 % injected.
struct Started {
    Korvane k;
    HWND main = nullptr;
    HWND page = nullptr;
    bool Start(int cpu = 37)
    {
        PrepareSettings();
        ClearCounters();
        if (!SetCounter("KERNEL\\CPUUsage", cpu))
            return false;
        main = k.StartReady();
        page = main ? PerformancePage(main) : nullptr;
        return page != nullptr;
    }
    ~Started()
    {
        k.Exit();
        ClearCounters();
    }
};

}  // namespace

E2E_TEST(InjectedCpuReachesStatusBarAndTrayTip)
{
    Started s;
    CHECK_TRUE(s.Start(37));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(s.main, 1003) == "CPU使用:37%"; }, 5000));
    EXPECT_STREQ(ItemText(s.main, 1003), "CPU使用:37%");
    EXPECT_TRUE(WaitUntil([] { return HasTrayTip(L"CPU占用: 37%"); }, 5000));

    // A new reading reaches the tip at the next refresh; above 100 the tip shows it as read.
    CHECK_TRUE(SetCounter("KERNEL\\CPUUsage", 140));
    EXPECT_TRUE(WaitUntil([] { return HasTrayTip(L"CPU占用: 140%"); }, 5000));
    EXPECT_FALSE(HasTrayTip(L"CPU占用: 37%"));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(s.main, 1003) == "CPU使用:140%"; }, 5000));
}

E2E_TEST(TotalBlocksHoldThreeNumbersEach)
{
    Started s;
    CHECK_TRUE(s.Start(37));
    CHECK_TRUE(SetCounter("KERNEL\\Threads", 123));
    CHECK_TRUE(SetCounter("VMM\\cpgFree", 1023));
    CHECK_TRUE(SetCounter("VMM\\cpgLocked", 1));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(s.page, 1014) == "1\n0\n0"; }, 5000));

    long totals[3], phys[3], commit[3], kernel[3];
    CHECK_TRUE(ParseBlock(ItemText(s.page, 1011), totals));
    CHECK_TRUE(ParseBlock(ItemText(s.page, 1012), phys));
    CHECK_TRUE(ParseBlock(ItemText(s.page, 1013), commit));
    CHECK_TRUE(ParseBlock(ItemText(s.page, 1014), kernel));
    EXPECT_TRUE(totals[0] > 0);  // every process has modules
    EXPECT_EQ(totals[1], 123L);
    MEMORYSTATUS ms = {};
    ms.dwLength = sizeof ms;
    GlobalMemoryStatus(&ms);
    EXPECT_EQ(phys[0], static_cast<long>(ms.dwTotalPhys >> 10));
    EXPECT_EQ(phys[2], phys[0] - phys[1]);
    EXPECT_TRUE(phys[1] > 0 && phys[1] <= phys[0]);
    // In K, held to the range of the "%d" figures: the 64-bit build's 128 TB address space passes
    // it, a 32-bit process's 2 GB does not.
    const double virtualK = static_cast<double>(ms.dwTotalVirtual) / 1024;
    EXPECT_EQ(commit[1], virtualK >= INT_MAX ? static_cast<long>(INT_MAX) : static_cast<long>(virtualK));
    EXPECT_TRUE(commit[2] >= commit[0]);
    EXPECT_TRUE(commit[0] > 0);
    // The use figure and the status bar's memory field come from the same refresh.
    EXPECT_TRUE(WaitUntil([&] {
        long p[3], c[3];
        return ParseBlock(ItemText(s.page, 1012), p) && ParseBlock(ItemText(s.page, 1013), c) && c[0] == p[2] &&
               ItemText(s.main, 1015) == "内存使用 " + std::to_string(p[1]) + "K/" + std::to_string(p[0]) + "K";
    }, 5000));

    // The process count follows a snapshot of this moment (processes may come and go meanwhile).
    EXPECT_TRUE(WaitUntil([&] {
        long t[3];
        return ParseBlock(ItemText(s.page, 1011), t) && t[2] == SnapshotProcessCount();
    }, 8000));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(s.main, 1010) == "进程数:" + std::to_string(SnapshotProcessCount()); }, 8000));
}

E2E_TEST(ModuleTotalFollowsALibraryLoadWithinFiveSeconds)
{
    Started s;
    CHECK_TRUE(s.Start(37));
    CHECK_TRUE(SendCommand(s.main, kCmdSpeedNormal));  // 1000 ms: the slowest speed the bound holds at
    auto shown = [&] {
        long t[3];
        return ParseBlock(ItemText(s.page, 1011), t) ? t[0] : -1L;
    };
    // A program that loads libraries 6 s after it starts.
    PROCESS_INFORMATION pi;
    CHECK_TRUE(StartCommand("\"" + KorvaneDir() + "\\korvane_testwin.exe\" l:6000", &pi));
    CloseHandle(pi.hThread);
    // The new process is in the total with what it had at its start, then the load comes.
    DWORD start = GetTickCount();
    int before = -1;
    EXPECT_TRUE(WaitUntil([&] {
        before = ModuleCount(pi.dwProcessId);
        return before > 0 && shown() == ModuleTotalNow();
    }, 5000, 100));
    long totalBefore = shown();
    DWORD loaded = 0;
    CHECK_TRUE(WaitUntil([&] {
        if (ModuleCount(pi.dwProcessId) <= before)
            return false;
        loaded = GetTickCount();
        return true;
    }, 15000, 50));
    printf("    loaded %lu ms after the start, %d modules more\n", loaded - start, ModuleCount(pi.dwProcessId) - before);
    EXPECT_TRUE(WaitUntil([&] { return shown() == ModuleTotalNow(); }, 5500, 100));
    DWORD followed = GetTickCount() - loaded;
    printf("    the total followed in %lu ms\n", followed);
    EXPECT_TRUE(followed <= 5100);
    EXPECT_TRUE(shown() > totalBefore);
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
    CloseHandle(pi.hProcess);
}

E2E_TEST(ScreenshotShowsGridMeterAndBarColours)
{
    Started s;
    CHECK_TRUE(s.Start(37));
    HWND meter = Item(s.page, 1003);
    HWND graph = Item(s.page, 1004);
    CHECK_TRUE(meter && graph);
    // Two refreshes at 500 ms after the page appeared: everything is drawn.
    Sleep(1500);
    CHECK_TRUE(Sync(s.main));
    std::string shot = KorvaneDir() + "\\perf_page_e2e.bmp";
    CHECK_TRUE(SaveWindowBitmap(s.main, shot.c_str()));
    Picture pic;
    CHECK_TRUE(pic.Load(shot));
    printf("    screenshot kept as %s\n", shot.c_str());

    ControlBox g = BoxOf(s.main, graph);
    EXPECT_EQ(pic.At(g.x + 10, g.y + 5), RGB(0, 150, 0));   // vertical grid line
    EXPECT_EQ(pic.At(g.x + 100, g.y + 5), RGB(0, 150, 0));
    EXPECT_EQ(pic.At(g.x + 5, g.y + 10), RGB(0, 150, 0));   // horizontal grid line
    EXPECT_EQ(pic.At(g.x + 5, g.y + 5), RGB(0, 0, 0));      // background
    EXPECT_EQ(pic.At(g.x + 198, g.y + g.h - 2 - 37 / 2), RGB(0, 255, 0));  // the newest samples

    ControlBox m = BoxOf(s.main, meter);
    int barBottom = m.h - 20;
    int lit = 37 / 3;
    EXPECT_EQ(pic.At(m.x + m.w / 2, m.y + barBottom - 1), RGB(0, 255, 0));
    EXPECT_EQ(pic.At(m.x + m.w / 2, m.y + barBottom - lit), RGB(0, 255, 0));
    EXPECT_EQ(pic.At(m.x + m.w / 2, m.y + barBottom - lit - 1), RGB(0, 128, 0));
    EXPECT_EQ(pic.At(m.x + 12, m.y + 7), RGB(0, 128, 0));
    EXPECT_EQ(pic.At(m.x, m.y), RGB(152, 144, 120));                  // frame, top left
    EXPECT_EQ(pic.At(m.x + m.w - 1, m.y + m.h - 1), RGB(232, 232, 224));  // frame, bottom right

    // The meter's text reads "37%": the picture matches it drawn here in the same font, and
    // not the text of another figure.
    EXPECT_EQ(TextMismatches(pic, m, RenderMeterText("  37%  ", m.w, m.h)), 0);
    EXPECT_TRUE(TextMismatches(pic, m, RenderMeterText("  38%  ", m.w, m.h)) > 0);
}

E2E_TEST(PageRefreshFollowsTheUpdateSpeed)
{
    Started s;
    CHECK_TRUE(s.Start(37));
    CHECK_TRUE(WaitUntil([&] { return ItemText(s.main, 1003) == "CPU使用:37%"; }, 5000));

    // Paused: the page takes no reading, the status bar keeps repeating the last one.
    CHECK_TRUE(SendCommand(s.main, kCmdSpeedPause));
    CHECK_TRUE(SetCounter("KERNEL\\CPUUsage", 55));
    Sleep(1500);
    EXPECT_STREQ(ItemText(s.main, 1003), "CPU使用:37%");
    EXPECT_TRUE(HasTrayTip(L"CPU占用: 37%"));
    // Refresh now reads it once.
    CHECK_TRUE(SendCommand(s.main, kCmdRefreshNow));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(s.main, 1003) == "CPU使用:55%"; }, 3000));

    // Back to a running speed, with another tab shown: the hidden page goes on refreshing.
    CHECK_TRUE(SendCommand(s.main, kCmdSpeedHigh));
    CHECK_TRUE(ClickTab(s.main, 0));
    CHECK_TRUE(WaitUntil([&] { return !IsVisible(s.page); }, 2000));
    CHECK_TRUE(SetCounter("KERNEL\\CPUUsage", 66));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(s.main, 1003) == "CPU使用:66%"; }, 3000));
    EXPECT_TRUE(WaitUntil([] { return HasTrayTip(L"CPU占用: 66%"); }, 3000));
}

E2E_TEST(EnterAndEscLeaveThePageOpen)
{
    Started s;
    CHECK_TRUE(s.Start(37));
    CHECK_TRUE(WaitUntil([&] { return IsVisible(s.page); }, 3000));
    DWORD_PTR r;
    SendMessageTimeoutA(s.page, WM_COMMAND, IDOK, 0, SMTO_NORMAL, 2000, &r);
    SendMessageTimeoutA(s.page, WM_COMMAND, IDCANCEL, 0, SMTO_NORMAL, 2000, &r);
    CHECK_TRUE(Sync(s.main));
    EXPECT_TRUE(IsVisible(s.page));
    EXPECT_TRUE(IsVisible(s.main));
    EXPECT_TRUE(s.k.Running());
}

E2E_TEST(TrayDoubleClickShowsTheHiddenWindow)
{
    Started s;
    CHECK_TRUE(s.Start(37));
    CHECK_TRUE(PostSysCommand(s.main, SC_CLOSE));  // minimised and hidden
    CHECK_TRUE(WaitUntil([&] { return !IsVisible(s.main); }, 3000));

    // Single clicks, presses and releases do nothing.
    DWORD_PTR r;
    for (UINT mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONUP, WM_MOUSEMOVE})
        SendMessageTimeoutA(s.page, kTrayMessage, kTrayIconId, mouse, SMTO_NORMAL, 2000, &r);
    CHECK_TRUE(Sync(s.main));
    EXPECT_FALSE(IsVisible(s.main));

    SendMessageTimeoutA(s.page, kTrayMessage, kTrayIconId, WM_LBUTTONDBLCLK, SMTO_NORMAL, 2000, &r);
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(s.main); }, 3000));
}

namespace {

BOOL CALLBACK FindPopupMenu(HWND hWnd, LPARAM lParam)
{
    char cls[16] = {};
    GetClassNameA(hWnd, cls, sizeof cls);
    if (strcmp(cls, "#32768") == 0 && IsWindowVisible(hWnd)) {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

// The tray menu opened by a right-button press on the icon, or nullptr.
HWND OpenTrayMenu(HWND page)
{
    PostMessageA(page, kTrayMessage, kTrayIconId, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    // Without a window manager Wine can hold a program that has just hidden its window for a
    // few seconds before it gets to posted messages again.
    WaitUntil([&] {
        menu = nullptr;
        EnumWindows(FindPopupMenu, reinterpret_cast<LPARAM>(&menu));
        return menu != nullptr;
    }, 10000);
    return menu;
}

// Command ids of the open menu's items (0 for separators), read inside korvane.exe.
std::vector<int> MenuIds(HWND main, HWND menuWindow)
{
    std::vector<int> ids;
    DWORD_PTR hMenu = 0;
    if (!SendMessageTimeoutA(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0, SMTO_NORMAL, 2000, &hMenu) || !hMenu)
        return ids;
    DWORD count = 0;
    if (!RemoteCall(main, "user32.dll", "GetMenuItemCount", {static_cast<DWORD>(hMenu)}, &count))
        return ids;
    for (DWORD i = 0; i < count && i < 32; ++i) {
        DWORD id = 0;
        RemoteCall(main, "user32.dll", "GetMenuItemID", {static_cast<DWORD>(hMenu), i}, &id);
        ids.push_back(static_cast<int>(id));
    }
    return ids;
}

}  // namespace

E2E_TEST(TrayMenuCommandsReachTheMainWindowAndTheApplication)
{
    Started s;
    CHECK_TRUE(s.Start(37));
    CHECK_TRUE(PostSysCommand(s.main, SC_CLOSE));  // minimised and hidden
    CHECK_TRUE(WaitUntil([&] { return !IsVisible(s.main); }, 3000));
    // The hidden window's page goes on refreshing the gauge.
    CHECK_TRUE(SetCounter("KERNEL\\CPUUsage", 77));
    EXPECT_TRUE(WaitUntil([] { return HasTrayTip(L"CPU占用: 77%"); }, 10000));

    HWND menu = OpenTrayMenu(s.page);
    CHECK_TRUE(menu);
    std::vector<int> expected = {32805, 0, 32793, 32794, 32795, 0, 57665};
    EXPECT_TRUE(MenuIds(s.main, menu) == expected);
    // "还原(&T)": the page passes the command on to the main window, which shows itself.
    PostMessageA(s.page, WM_CHAR, 't', 0);
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(s.main); }, 3000));

    // "退出(&X)": on to the application object, which ends the program.
    menu = OpenTrayMenu(s.page);
    CHECK_TRUE(menu);
    PostMessageA(s.page, WM_CHAR, 'x', 0);
    EXPECT_TRUE(s.k.WaitEnd(5000));
    EXPECT_EQ(s.k.ExitCode(), 0UL);
}

E2E_TEST(TrayDoesNothingWhileTheComputerIsLocked)
{
    Started s;
    CHECK_TRUE(s.Start(37));
    CHECK_TRUE(PostCommand(s.main, kCmdLock));  // the lock dialog runs until the password is given
    CHECK_TRUE(WaitUntil([&] { return !IsVisible(s.main) && !FindDialogs(s.k.Pid()).empty(); }, 10000));

    DWORD_PTR r;
    SendMessageTimeoutA(s.page, kTrayMessage, kTrayIconId, WM_LBUTTONDBLCLK, SMTO_NORMAL, 2000, &r);
    PostMessageA(s.page, kTrayMessage, kTrayIconId, WM_RBUTTONDOWN);
    // Posted messages come before timers: once a new reading reaches the tip, the press was handled.
    CHECK_TRUE(SetCounter("KERNEL\\CPUUsage", 88));
    EXPECT_TRUE(WaitUntil([] { return HasTrayTip(L"CPU占用: 88%"); }, 10000));
    HWND menu = nullptr;
    EnumWindows(FindPopupMenu, reinterpret_cast<LPARAM>(&menu));
    EXPECT_FALSE(menu);
    EXPECT_FALSE(IsVisible(s.main));
    s.k.Kill();  // still locked: ended from outside
}

E2E_TEST(UncoveringThePageRedrawsOnlyTheGrid)
{
    Started s;
    CHECK_TRUE(s.Start(37));
    HWND meter = Item(s.page, 1003);
    HWND graph = Item(s.page, 1004);
    CHECK_TRUE(meter && graph);
    Sleep(1500);  // drawn by a few refreshes
    CHECK_TRUE(SendCommand(s.main, kCmdSpeedPause));
    CHECK_TRUE(Sync(s.main));

    // As if a window had covered the page and gone: the page and its controls repaint, and
    // only the grid comes back on the graphs.
    RedrawWindow(s.page, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    CHECK_TRUE(Sync(s.main));
    Sleep(300);
    CHECK_TRUE(Sync(s.main));
    std::string shot = KorvaneDir() + "\\perf_page_uncovered_e2e.bmp";
    CHECK_TRUE(SaveWindowBitmap(s.main, shot.c_str()));
    Picture pic;
    CHECK_TRUE(pic.Load(shot));

    // The controls paint themselves as plain rectangles; the page draws the grid on them.
    ControlBox g = BoxOf(s.main, graph);
    EXPECT_EQ(pic.At(g.x + 10, g.y + 5), RGB(0, 150, 0));
    EXPECT_EQ(pic.At(g.x + 100, g.y + 5), RGB(0, 150, 0));
    EXPECT_EQ(pic.At(g.x + 5, g.y + 10), RGB(0, 150, 0));
    EXPECT_NE(pic.At(g.x + 198, g.y + g.h - 2 - 37 / 2), RGB(0, 255, 0));  // the curve waits
    ControlBox mg = BoxOf(s.main, Item(s.page, 1009));
    EXPECT_EQ(pic.At(mg.x + 10, mg.y + 5), RGB(0, 150, 0));
    EXPECT_EQ(pic.At(mg.x + 5, mg.y + 10), RGB(0, 150, 0));
    ControlBox m = BoxOf(s.main, meter);
    COLORREF bar = pic.At(m.x + m.w / 2, m.y + m.h - 21);  // so does the meter
    EXPECT_TRUE(bar != RGB(0, 255, 0) && bar != RGB(0, 128, 0));
}

E2E_TEST(ShowingThePageWhilePausedShowsItsFigures)
{
    Started s;
    CHECK_TRUE(s.Start(37));
    HWND meter = Item(s.page, 1003);
    HWND graph = Item(s.page, 1004);
    CHECK_TRUE(meter && graph);
    CHECK_TRUE(SendCommand(s.main, kCmdSpeedPause));
    CHECK_TRUE(ClickTab(s.main, 0));
    CHECK_TRUE(WaitUntil([&] { return !IsVisible(s.page); }, 2000));
    CHECK_TRUE(SetCounter("KERNEL\\CPUUsage", 64));

    // No timer runs: the figures on the page come from the refreshes of showing it.
    CHECK_TRUE(ClickTab(s.main, 2));
    CHECK_TRUE(WaitUntil([&] { return IsVisible(s.page); }, 2000));
    CHECK_TRUE(Sync(s.main));
    Sleep(300);
    CHECK_TRUE(Sync(s.main));
    std::string shot = KorvaneDir() + "\\perf_page_shown_e2e.bmp";
    CHECK_TRUE(SaveWindowBitmap(s.main, shot.c_str()));
    Picture pic;
    CHECK_TRUE(pic.Load(shot));
    ControlBox m = BoxOf(s.main, meter);
    EXPECT_EQ(TextMismatches(pic, m, RenderMeterText("  64%  ", m.w, m.h)), 0);
    EXPECT_EQ(pic.At(m.x + m.w / 2, m.y + m.h - 20 - 64 / 3), RGB(0, 255, 0));
    EXPECT_EQ(pic.At(m.x + m.w / 2, m.y + m.h - 20 - 64 / 3 - 1), RGB(0, 128, 0));
    EXPECT_EQ(pic.At(m.x, m.y), RGB(152, 144, 120));
    ControlBox g = BoxOf(s.main, graph);
    EXPECT_EQ(pic.At(g.x + 199, g.y + g.h - 2 - 64 / 2), RGB(0, 255, 0));  // the newest samples
    EXPECT_EQ(pic.At(g.x + 5, g.y + 5), RGB(0, 0, 0));
    EXPECT_EQ(pic.At(g.x + 10, g.y + 5), RGB(0, 150, 0));
}

namespace {

// A counter written with any type and any data.
bool SetCounterBytes(const char* name, DWORD type, const std::vector<unsigned char>& data)
{
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_DYN_DATA, kStatData, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(h, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

bool DeleteCounter(const char* name)
{
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_DYN_DATA, kStatData, 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS)
        return false;
    LONG rc = RegDeleteValueA(h, name);
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

// A picture of the main window once a refresh with the counters as they are now has drawn the
// page: paused, so no later tick draws over it.
bool FreshPicture(Started& s, const char* name, Picture* pic)
{
    if (!SendCommand(s.main, kCmdSpeedPause) || !SendCommand(s.main, kCmdRefreshNow) || !Sync(s.main))
        return false;
    std::string shot = KorvaneDir() + "\\" + name;
    return SaveWindowBitmap(s.main, shot.c_str()) && pic->Load(shot);
}

}  // namespace

// Dialog 131 as built into the exe: every group box, label, drawing control and number static
// where the layout puts it.
E2E_TEST(PerformanceTemplateHasItsLayout)
{
    DialogTemplate t = LoadDialogTemplate(131);
    CHECK_TRUE(t.ok);
    EXPECT_TRUE(t.style & WS_CHILD);
    EXPECT_FALSE(t.style & (WS_VISIBLE | WS_CAPTION));
    EXPECT_EQ(t.cx, 217);
    EXPECT_EQ(t.cy, 220);
    EXPECT_STREQ(t.font, "宋体");
    EXPECT_EQ(t.pointSize, 9);
    struct Expected {
        int id;  // -1: a static without id
        const char* text;
        int x, y, cx, cy;
    };
    const Expected layout[] = {
        {-1, "CPU 使用", 0, 0, 60, 61},
        {-1, "CPU 使用记录", 67, 0, 150, 61},
        {-1, "内存使用", 0, 65, 60, 61},
        {-1, "内存使用记录", 67, 65, 150, 61},
        {-1, "总数", 0, 130, 107, 40},
        {-1, "物理内存(&K)", 111, 130, 106, 40},
        {-1, "认可用量(&K)", 0, 175, 107, 40},
        {-1, "核心内存(&K)", 111, 175, 106, 40},
        {1003, "", 10, 12, 39, 40},
        {1004, "", 73, 12, 137, 40},
        {1008, "", 10, 78, 39, 40},
        {1009, "", 73, 78, 137, 40},
        {-1, "模块数\n线程数\n进程数", 5, 141, 36, 24},
        {-1, "总数\n可用数\n系统缓存", 116, 141, 36, 24},
        {-1, "总值\n限制\n峰值", 5, 187, 36, 24},
        {-1, "总数\n分页数\n未分页", 116, 186, 36, 24},
        {1011, "", 65, 141, 36, 24},
        {1012, "", 175, 141, 36, 24},
        {1013, "", 65, 187, 36, 24},
        {1014, "", 175, 185, 36, 24},
    };
    CHECK_EQ(t.controls.size(), sizeof layout / sizeof layout[0]);
    for (size_t i = 0; i < t.controls.size(); ++i) {
        const TemplateControl& c = t.controls[i];
        const Expected& e = layout[i];
        EXPECT_EQ(c.id == 0xFFFF ? -1 : c.id, e.id);
        EXPECT_STREQ(c.text, e.text);
        EXPECT_EQ(c.x, e.x);
        EXPECT_EQ(c.y, e.y);
        EXPECT_EQ(c.cx, e.cx);
        EXPECT_EQ(c.cy, e.cy);
        DWORD kind = c.style & SS_TYPEMASK;
        if (i < 8)
            EXPECT_EQ(c.style & BS_TYPEMASK, static_cast<DWORD>(BS_GROUPBOX));
        else if (i < 12)
            EXPECT_EQ(kind, static_cast<DWORD>(SS_BLACKRECT));
        else if (i < 16)
            EXPECT_EQ(kind, static_cast<DWORD>(SS_LEFT));
        else
            EXPECT_EQ(kind, static_cast<DWORD>(SS_RIGHT));
    }
    EXPECT_TRUE(t.controls[8].style & SS_NOTIFY);  // the CPU meter
}

// Negative counters show 0; a page count that cannot be read shows 0 in its line without
// touching the others; only the first 4 bytes of a value count, whatever its type.
E2E_TEST(NegativeAndUnreadableCountersShowZero)
{
    Started s;
    CHECK_TRUE(s.Start(-5));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(s.main, 1003) == "CPU使用:0%"; }, 5000));
    EXPECT_TRUE(WaitUntil([] { return HasTrayTip(L"CPU占用: 0%"); }, 5000));

    CHECK_TRUE(SetCounter("KERNEL\\Threads", -7));
    CHECK_TRUE(SetCounter("VMM\\cpgFree", -4096));
    CHECK_TRUE(SetCounter("VMM\\cpgLocked", 5000));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(s.page, 1014) == "4\n0\n4"; }, 5000));
    long totals[3] = {};
    EXPECT_TRUE(ParseBlock(ItemText(s.page, 1011), totals) && totals[1] == 0);

    DeleteCounter("VMM\\cpgFree");
    CHECK_TRUE(SetCounter("VMM\\cpgLocked", 2048));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(s.page, 1014) == "2\n0\n2"; }, 5000));
    CHECK_TRUE(SetCounter("VMM\\cpgFree", 3072));
    DeleteCounter("VMM\\cpgLocked");
    EXPECT_TRUE(WaitUntil([&] { return ItemText(s.page, 1014) == "3\n3\n0"; }, 5000));

    // A DWORD-typed value, and a longer binary one whose bytes after the fourth are left out.
    CHECK_TRUE(SetCounterBytes("KERNEL\\CPUUsage", REG_DWORD, {45, 0, 0, 0}));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(s.main, 1003) == "CPU使用:45%"; }, 5000));
    CHECK_TRUE(SetCounterBytes("KERNEL\\CPUUsage", REG_BINARY, {46, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_TRUE(WaitUntil([&] { return ItemText(s.main, 1003) == "CPU使用:46%"; }, 5000));
    EXPECT_TRUE(WaitUntil([] { return HasTrayTip(L"CPU占用: 46%"); }, 5000));
    CHECK_TRUE(SetCounterBytes("KERNEL\\Threads", REG_BINARY, {0x39, 0x30, 0, 0, 1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(WaitUntil([&] { return ParseBlock(ItemText(s.page, 1011), totals) && totals[1] == 12345; }, 5000));
}

// The CPU meter and curve at the two ends of the scale: at 0 % the bar is all dark green and the
// newest sample lies on the inner bottom line; at 100 % the lit part is 33 pixels tall and the
// newest sample stands 50 pixels above that line.
E2E_TEST(MeterAndCurveAtZeroAndHundredPercent)
{
    Started s;
    CHECK_TRUE(s.Start(0));
    HWND meter = Item(s.page, 1003);
    HWND graph = Item(s.page, 1004);
    CHECK_TRUE(meter && graph);
    Sleep(1000);
    Picture pic;
    CHECK_TRUE(FreshPicture(s, "perf_page_cpu0_e2e.bmp", &pic));
    ControlBox m = BoxOf(s.main, meter);
    ControlBox g = BoxOf(s.main, graph);
    printf("    meter %dx%d, graph %dx%d\n", m.w, m.h, g.w, g.h);
    int barBottom = m.h - 20;
    int x = m.x + m.w / 2;
    int litPixels = 0;
    for (int y = 7; y < barBottom; ++y)
        litPixels += pic.At(x, m.y + y) == RGB(0, 255, 0) ? 1 : 0;
    EXPECT_EQ(litPixels, 0);
    EXPECT_EQ(pic.At(x, m.y + barBottom - 1), RGB(0, 128, 0));
    EXPECT_EQ(pic.At(x, m.y + 7), RGB(0, 128, 0));
    EXPECT_EQ(TextMismatches(pic, m, RenderMeterText("  0%  ", m.w, m.h)), 0);
    EXPECT_EQ(pic.At(g.x + 199, g.y + g.h - 2), RGB(0, 255, 0));
    EXPECT_EQ(pic.At(g.x + 150, g.y + g.h - 2), RGB(0, 255, 0));  // the zeros of the first refreshes

    CHECK_TRUE(SetCounter("KERNEL\\CPUUsage", 100));
    // Two refreshes at 100 %: the last two samples (x = 199 and 200) are then both 50 pixels up,
    // whatever refreshes came before.
    CHECK_TRUE(SendCommand(s.main, kCmdSpeedPause) && SendCommand(s.main, kCmdRefreshNow));
    CHECK_TRUE(FreshPicture(s, "perf_page_cpu100_e2e.bmp", &pic));
    litPixels = 0;
    for (int y = 0; y < m.h; ++y)
        litPixels += pic.At(x, m.y + y) == RGB(0, 255, 0) && y < barBottom ? 1 : 0;
    EXPECT_EQ(litPixels, 33);
    EXPECT_EQ(pic.At(x, m.y + barBottom - 1), RGB(0, 255, 0));
    EXPECT_EQ(pic.At(x, m.y + barBottom - 33), RGB(0, 255, 0));
    if (barBottom - 34 >= 7)
        EXPECT_EQ(pic.At(x, m.y + barBottom - 34), RGB(0, 128, 0));
    EXPECT_EQ(TextMismatches(pic, m, RenderMeterText("  100%  ", m.w, m.h)), 0);
    // The newest sample: the segment from x = 199 towards x = 200 starts 50 pixels up.
    EXPECT_EQ(pic.At(g.x + 199, g.y + g.h - 2 - 50), RGB(0, 255, 0));
    EXPECT_NE(pic.At(g.x + 199, g.y + g.h - 2 - 51), RGB(0, 255, 0));

    // The memory meter and curve of the same refresh, from the figures it wrote in block 1012.
    long phys[3] = {};
    CHECK_TRUE(ParseBlock(ItemText(s.page, 1012), phys));
    ControlBox mm = BoxOf(s.main, Item(s.page, 1008));
    ControlBox mg = BoxOf(s.main, Item(s.page, 1009));
    char text[32];
    snprintf(text, sizeof text, "  %ldK  ", phys[2]);
    EXPECT_EQ(TextMismatches(pic, mm, RenderMeterText(text, mm.w, mm.h)), 0);
    double meterScale = static_cast<double>(phys[0] / (mm.h - 27));
    int meterLit = static_cast<int>(phys[2] / meterScale);
    int memBottom = mm.h - 20;
    int memLitPixels = 0;
    for (int y = 7; y < memBottom; ++y)
        memLitPixels += pic.At(mm.x + mm.w / 2, mm.y + y) == RGB(0, 255, 0) ? 1 : 0;
    printf("    memory in use %ld K of %ld K: %d lit pixels in the meter\n", phys[2], phys[0], memLitPixels);
    EXPECT_EQ(memLitPixels, meterLit);
    double graphScale = static_cast<double>(phys[0] / (mg.h - 2));
    int sample = static_cast<int>(phys[2] / graphScale);
    EXPECT_EQ(pic.At(mg.x + 199, mg.y + mg.h - 2 - sample), RGB(0, 255, 0));
}

// The eleven gauge icons built into the program, pixel for pixel: the sunken box, the unlit
// pattern, the lit rows from the bottom, and transparency outside the box.
E2E_TEST(EveryGaugeIconIsBuiltIntoTheProgram)
{
    HMODULE exe = LoadLibraryExA(KorvaneExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    CHECK_TRUE(exe);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bmp = CreateTopDownDib(screen, 16, 16, &bits);
    CHECK_TRUE(bmp && bits);
    HGDIOBJ old = SelectObject(dc, bmp);
    const unsigned* px = static_cast<const unsigned*>(bits);
    for (int level = 0; level <= 10; ++level) {
        HICON icon = static_cast<HICON>(LoadImageA(exe, MAKEINTRESOURCEA(132 + level), IMAGE_ICON, 16, 16, 0));
        if (!EXPECT_TRUE(icon != nullptr))
            continue;
        // Drawn on two backgrounds: a pixel that follows the background is transparent.
        COLORREF drawn[2][16][16];
        const COLORREF backgrounds[2] = {RGB(255, 0, 255), RGB(0, 0, 255)};
        for (int b = 0; b < 2; ++b) {
            RECT all = {0, 0, 16, 16};
            HBRUSH brush = CreateSolidBrush(backgrounds[b]);
            FillRect(dc, &all, brush);
            DeleteObject(brush);
            DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
            GdiFlush();
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    unsigned v = px[y * 16 + x];
                    drawn[b][y][x] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
                }
        }
        DestroyIcon(icon);
        int lit = level == 10 ? 11 : level;
        int wrong = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                COLORREF want = 0xFFFFFFFF;  // transparent
                if ((y == 1 && x >= 2 && x <= 12) || (x == 2 && y >= 1 && y <= 13))
                    want = RGB(128, 128, 128);
                if ((x == 13 && y >= 1 && y <= 13) || (y == 13 && x >= 3 && x <= 13))
                    want = RGB(255, 255, 255);
                if (x >= 3 && x <= 12 && y >= 2 && y <= 12) {
                    if (y > 12 - lit)
                        want = RGB(0, 255, 0);
                    else if (y % 2 == 0 && x % 2 == 1)
                        want = RGB(0, 0, 0);
                    else
                        want = RGB(0, 128, 0);
                }
                bool transparent = drawn[0][y][x] == backgrounds[0] && drawn[1][y][x] == backgrounds[1];
                bool ok = want == 0xFFFFFFFF ? transparent : (drawn[0][y][x] == want && drawn[1][y][x] == want);
                if (!ok && wrong++ < 3)
                    printf("    icon %d, pixel (%d, %d): %06lx/%06lx\n", 132 + level, x, y,
                           static_cast<unsigned long>(drawn[0][y][x]), static_cast<unsigned long>(drawn[1][y][x]));
            }
        }
        EXPECT_EQ(wrong, 0);
    }
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    FreeLibrary(exe);
}

// The gauge is in the notification area for as long as the program runs, and leaves with it.
E2E_TEST(GaugeLeavesTheNotificationAreaOnExit)
{
    Started s;
    // A figure no other case uses: icons of programs killed earlier may linger in Wine's tray.
    CHECK_TRUE(s.Start(13));
    CHECK_TRUE(WaitUntil([] { return HasTrayTip(L"CPU占用: 13%"); }, 5000));
    CHECK_TRUE(s.k.Exit());
    EXPECT_TRUE(WaitUntil([] { return !HasTrayTip(L"CPU占用: 13%"); }, 5000));
    for (const std::wstring& t : TrayTips())
        printf("    tip left: %ls\n", t.c_str());
}

// When Explorer restarts, the notification area is rebuilt without the gauge (taken away here
// by the test): the shell's "TaskbarCreated" puts it back, and so does a refresh whose modify fails.
E2E_TEST(GaugeComesBackToARebuiltNotificationArea)
{
    Started s;
    CHECK_TRUE(s.Start(23));
    CHECK_TRUE(WaitUntil([] { return HasTrayTip(L"CPU占用: 23%"); }, 5000));
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = s.page;
    nid.uID = kTrayIconId;

    // Paused, no refresh brings it back.
    CHECK_TRUE(SendCommand(s.main, kCmdSpeedPause));
    CHECK_TRUE(Shell_NotifyIconA(NIM_DELETE, &nid));
    CHECK_TRUE(WaitUntil([] { return !HasTrayTip(L"CPU占用: 23%"); }, 5000));
    Sleep(1000);
    EXPECT_FALSE(HasTrayTip(L"CPU占用: 23%"));
    DWORD_PTR r = 0;
    CHECK_TRUE(SendMessageTimeoutA(s.main, RegisterWindowMessageA("TaskbarCreated"), 0, 0, SMTO_NORMAL, 5000, &r));
    EXPECT_TRUE(WaitUntil([] { return HasTrayTip(L"CPU占用: 23%"); }, 5000));

    CHECK_TRUE(SendCommand(s.main, kCmdSpeedHigh));
    CHECK_TRUE(Shell_NotifyIconA(NIM_DELETE, &nid));
    CHECK_TRUE(SetCounter("KERNEL\\CPUUsage", 24));
    EXPECT_TRUE(WaitUntil([] { return HasTrayTip(L"CPU占用: 24%"); }, 5000));
}

// The tray menu's super tasks travel on to the main window like the main menu's: the takeover
// (checked in the main menu, the program in the real-time class) and the lock.
E2E_TEST(TrayMenuTakeoverAndLockReachTheMainWindow)
{
    Started s;
    CHECK_TRUE(s.Start(37));
    HWND menu = OpenTrayMenu(s.page);
    CHECK_TRUE(menu);
    PostMessageA(s.page, WM_CHAR, 'i', 0);
    EXPECT_TRUE(WaitUntil([&] { return MenuChecked(s.main, kCmdTakeover); }, 5000));
    CHECK_TRUE(Sync(s.main));
    EXPECT_EQ(GetPriorityClass(s.k.Process()), static_cast<DWORD>(REALTIME_PRIORITY_CLASS));
    CHECK_TRUE(PostCommand(s.main, kCmdTakeover));  // ended from the main menu
    CHECK_TRUE(WaitUntil([&] { return !MenuChecked(s.main, kCmdTakeover); }, 5000));
    CHECK_TRUE(Sync(s.main));
    EXPECT_EQ(GetPriorityClass(s.k.Process()), static_cast<DWORD>(HIGH_PRIORITY_CLASS));

    menu = OpenTrayMenu(s.page);
    CHECK_TRUE(menu);
    PostMessageA(s.page, WM_CHAR, 'l', 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsVisible(s.main) && !FindDialogs(s.k.Pid()).empty(); }, 10000));
    s.k.Kill();  // locked: ended from outside
}
