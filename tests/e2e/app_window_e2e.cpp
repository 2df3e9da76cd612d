// The main window as another program sees it under Wine: its frame styles, the places and
// styles of the tab control, the pages and the three status fields (dialog units mapped by the
// window's own font), its icons, and the answers to hot-key messages.
#include "Harness.h"
#include <stdio.h>

using namespace e2e;

namespace {

// Makes the next start a normal start on the given tab, hide-on-minimise off.
void WriteSettings(const char* showPage)
{
    ResetKorvaneRegistry();
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Directory", KorvaneDir());
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "ShowPage", showPage);
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "RefreshSpeed", "0");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "HideOnMin", "0");
}

// A control's place in dialog units turned into pixels as the dialog manager does it: position
// and size are each mapped by the dialog's own MapDialogRect, called inside the program (the
// dialog's font is known only there). left == right == -1 when the call failed.
RECT MapDialogUnits(HWND dlg, int x, int y, int cx, int cy)
{
    RECT r = {x, y, cx, cy};
    RECT failed = {-1, -1, -1, -1};
    RemoteMemory mem(dlg, sizeof r);
    DWORD ok = 0;
    if (!mem.ok() || !mem.Write(&r, sizeof r) ||
        !RemoteCall(dlg, "user32.dll", "MapDialogRect",
                    {reinterpret_cast<DWORD_PTR>(dlg),
                     reinterpret_cast<DWORD_PTR>(mem.ptr())},
                    &ok) ||
        !ok || !mem.Read(&r, sizeof r))
        return failed;
    r.right += r.left;
    r.bottom += r.top;
    return r;
}

// The child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND parent, HWND child)
{
    RECT r = {};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const RECT& r)
{
    char buf[64];
    snprintf(buf, sizeof buf, "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
    return buf;
}

// SendMessageA run on a thread inside the program, so that handles come back as the program
// holds them (Wine gives no icon to a WM_GETICON from another process).
DWORD SendInside(HWND w, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DWORD result = 0;
    if (!RemoteCall(w, "user32.dll", "SendMessageA",
                    {reinterpret_cast<DWORD_PTR>(w), msg, static_cast<DWORD_PTR>(wParam),
                     static_cast<DWORD_PTR>(lParam)},
                    &result))
        return 0;
    return result;
}

// Control that only the page of that tab has: task switch button, end-process button, memory graph.
const int kPageMarker[3] = {1006, 1002, 1009};

HWND PageOfTab(HWND main, int tab)
{
    for (HWND c = GetWindow(main, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (ClassName(c) == kDialogClass && GetDlgItem(c, kPageMarker[tab]))
            return c;
    }
    return nullptr;
}

}  // namespace

E2E_TEST(FrameHasCaptionSystemMenuAndMinimiseBoxOnly)
{
    WriteSettings("0");
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    LONG style = GetWindowLongA(w, GWL_STYLE);
    LONG ex = GetWindowLongA(w, GWL_EXSTYLE);
    EXPECT_EQ(style & WS_CAPTION, static_cast<LONG>(WS_CAPTION));
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_CHILD);
    EXPECT_TRUE(ex & WS_EX_APPWINDOW);
    EXPECT_EQ(GetWindow(w, GW_OWNER), static_cast<HWND>(nullptr));
    EXPECT_TRUE(GetMenu(w) != nullptr);
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(TabAndStatusFieldsSitWhereTheTemplatePutsThem)
{
    WriteSettings("0");
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    struct Field {
        int id;
        const char* cls;
        int x, y, cx, cy;
        bool sunkenCentred;
    };
    const Field fields[] = {
        {1000, "SysTabControl32", 7, 7, 229, 243, false},
        {1010, "Static", 1, 254, 50, 13, true},
        {1003, "Static", 53, 254, 72, 13, true},
        {1015, "Static", 128, 254, 113, 13, true},
    };
    for (const Field& f : fields) {
        HWND c = Item(w, f.id);
        if (!EXPECT_TRUE(c != nullptr)) {
            printf("    control %d missing\n", f.id);
            continue;
        }
        EXPECT_EQ(GetParent(c), w);
        EXPECT_STREQ(ClassName(c), f.cls);
        RECT want = MapDialogUnits(w, f.x, f.y, f.cx, f.cy);
        CHECK_TRUE(want.left != -1);
        RECT got = ChildRect(w, c);
        if (!EXPECT_TRUE(SameRect(got, want)))
            printf("    control %d at %s, the template gives %s\n", f.id, Show(got).c_str(), Show(want).c_str());
        if (f.sunkenCentred) {
            LONG style = GetWindowLongA(c, GWL_STYLE);
            EXPECT_EQ(style & SS_TYPEMASK, static_cast<LONG>(SS_CENTER));
            EXPECT_TRUE(style & SS_SUNKEN);
        }
    }
    // The client area is the template's 243 x 269 dialog units.
    RECT client = {};
    GetClientRect(w, &client);
    RECT want = MapDialogUnits(w, 0, 0, 243, 269);
    EXPECT_EQ(client.right, want.right);
    EXPECT_EQ(client.bottom, want.bottom);
    EXPECT_TRUE(k.Exit());
}

// Each page is a child of the main window itself (not of the tab control), 217 x 220 dialog units,
// and the one of the selected tab is shown alone at pixel (20, 36) of the main window's client area.
E2E_TEST(EveryPageIsAChildOfTheMainWindowShownAt20_36)
{
    WriteSettings("0");
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    HWND tab = Item(w, kTabControlId);
    HWND pages[3];
    for (int i = 0; i < 3; ++i) {
        pages[i] = PageOfTab(w, i);
        CHECK_TRUE(pages[i] != nullptr);
        EXPECT_EQ(GetParent(pages[i]), w);
        EXPECT_TRUE(GetWindowLongA(pages[i], GWL_STYLE) & WS_CHILD);
        RECT r = ChildRect(w, pages[i]);
        RECT want = MapDialogUnits(pages[i], 0, 0, 217, 220);
        EXPECT_EQ(r.right - r.left, want.right);
        EXPECT_EQ(r.bottom - r.top, want.bottom);
    }
    for (int i : {1, 2, 0}) {
        CHECK_TRUE(SelectTab(tab, i));
        EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(pages[i]) != FALSE; }, 2000));
        for (int j = 0; j < 3; ++j)
            EXPECT_EQ(IsWindowVisible(pages[j]) != FALSE, j == i);
        RECT r = ChildRect(w, pages[i]);
        EXPECT_EQ(r.left, 20L);
        EXPECT_EQ(r.top, 36L);
        // The shown page lies above the tab control, so the tab does not paint over it.
        bool aboveTab = false;
        for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (c == pages[i]) {
                aboveTab = true;
                break;
            }
            if (c == tab)
                break;
        }
        EXPECT_TRUE(aboveTab);
    }
    EXPECT_TRUE(k.Exit());
}

// The window's large and small icons and the drag icon of the minimised window are all the
// program's icon.
E2E_TEST(WindowIconsAndDragIconAreSet)
{
    WriteSettings("0");
    Korvane k;
    HWND w = k.StartReady();
    CHECK_TRUE(w);
    DWORD big = SendInside(w, WM_GETICON, ICON_BIG, 0);
    DWORD small = SendInside(w, WM_GETICON, ICON_SMALL, 0);
    DWORD drag = SendInside(w, WM_QUERYDRAGICON, 0, 0);
    EXPECT_TRUE(big != 0);
    EXPECT_TRUE(small != 0);
    EXPECT_EQ(drag, big);
    EXPECT_TRUE(k.Exit());
}

// A hot-key message is answered with 1 whatever its id; only the program's own ids act.
E2E_TEST(HotKeyMessagesAnswerOneAndOnlyKnownIdsAct)
{
    WriteSettings("0");
    Korvane k;
    HWND w = k.StartReady("AUTOBOOT");
    CHECK_TRUE(w);
    Sleep(300);
    CHECK_FALSE(IsVisible(w));
    DWORD_PTR result = 0;
    CHECK_TRUE(SendMessageTimeoutA(w, WM_HOTKEY, 999, MAKELPARAM(MOD_CONTROL, 'Q'), SMTO_ABORTIFHUNG, 5000, &result));
    EXPECT_EQ(result, static_cast<DWORD_PTR>(1));
    Sleep(300);
    EXPECT_FALSE(IsVisible(w));
    EXPECT_TRUE(FindDialogs(k.Pid()).empty());

    result = 0;
    CHECK_TRUE(SendMessageTimeoutA(w, WM_HOTKEY, 1000, MAKELPARAM(MOD_CONTROL, 'T'), SMTO_ABORTIFHUNG, 5000, &result));
    EXPECT_EQ(result, static_cast<DWORD_PTR>(1));
    EXPECT_TRUE(WaitUntil([&] { return IsVisible(w) && !IsMinimized(w); }, 3000));
    EXPECT_TRUE(k.Exit());
}
