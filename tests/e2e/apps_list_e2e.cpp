// End to end: which windows the Applications page lists, hidden windows leaving and coming back on
// top, retitled and closed windows, and the page's columns and buttons.
#include "apps_e2e_util.h"
#include "dialog_template.h"
#include <algorithm>

using namespace apps_e2e;

namespace {

// A right click on the list as the list reports it: NM_RCLICK to the page, the header in the
// program's memory. Posted, since the page then tracks its menu in a loop of its own.
bool RightClickList(HWND hPage, HWND hList, RemoteMemory& mem)
{
    NMHDR hdr = {};
    hdr.hwndFrom = hList;
    hdr.idFrom = 1001;
    hdr.code = static_cast<UINT>(NM_RCLICK);
    return mem.Write(&hdr, sizeof hdr) && PostMessageA(hPage, WM_NOTIFY, 1001, reinterpret_cast<LPARAM>(mem.ptr()));
}

HWND VisibleMenu()
{
    HWND h = FindWindowA("#32768", nullptr);
    return h && IsWindowVisible(h) ? h : nullptr;
}

}  // namespace

E2E_TEST(ListedWindowsFollowTheRules)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hPage = AppsPage(hMain);
    CHECK_TRUE(hPage);
    HWND hList = GetDlgItem(hPage, 1001);

    const std::string excludedGbk = std::string(kMainTitle) + " 2";
    TestWindows test("\"w:Apps Visible\" \"o:Apps Owned\" \"p:Apps Popup\" \"h:Apps Hidden\" "
                     "\"w:Program Manager 2\" \"w:Windows Korvane 7\" \"w:" + excludedGbk + "\" \"w:Apps Second\" "
                     "\"c:Apps Class Icon\"");
    CHECK_TRUE(test.Process());
    HWND hVisible = test.Wait("Apps Visible");
    HWND hSecond = test.Wait("Apps Second");
    HWND hClassIcon = test.Wait("Apps Class Icon");
    CHECK_TRUE(hVisible && hSecond && hClassIcon);
    CHECK_TRUE(test.Wait("Apps Owned") && test.Wait("Apps Popup") && test.Wait("Apps Hidden"));

    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hVisible) >= 0 && FindRow(hList, hSecond) >= 0; }, 5000));
    // Its icon is its class's only: WM_GETICON gives nothing, and the row has a picture all the
    // same. (Wine sends no WM_GETICON across processes and refuses another process's class icons;
    // there the page takes the first icon of the program file, which this program has.)
    CHECK_TRUE(WaitUntil([&] { return FindRow(hList, hClassIcon) >= 0; }, 5000));
    EXPECT_TRUE(ItemImage(hList, FindRow(hList, hClassIcon)) > 0);
    Sleep(2500);  // two more passes for anything that should not be listed
    for (const char* title : {"Apps Owned", "Apps Popup", "Apps Hidden", "Program Manager 2", "Windows Korvane 7"})
        EXPECT_EQ(FindTitleRow(hList, title), -1);
    EXPECT_EQ(FindTitleRow(hList, excludedGbk), -1);
    EXPECT_EQ(FindTitleRow(hList, kMainTitle), -1);
    int row = FindRow(hList, hVisible);
    if (EXPECT_TRUE(row >= 0)) {
        EXPECT_STREQ(ListCell(hList, row, 0), "Apps Visible");
        EXPECT_STREQ(ListCell(hList, row, 3), std::to_string(static_cast<int>(test.Pid())));
    }

    // Hidden: leaves. Shown again: comes back on top.
    PostMessageA(hVisible, kTestHide, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hVisible) < 0; }, 3000));
    PostMessageA(hVisible, kTestShow, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hVisible) == 0; }, 3000));

    // Retitled: the new title is shown.
    SetWindowTextA(hSecond, "Apps Second Renamed");
    EXPECT_TRUE(WaitUntil([&] { return FindTitleRow(hList, "Apps Second Renamed") >= 0; }, 3000));

    // Closed: leaves.
    PostMessageA(hSecond, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hSecond) < 0; }, 4000));

    test.End();
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hVisible) < 0; }, 15000));
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(ColumnsButtonsPopupAndWindowCommands)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hPage = AppsPage(hMain);
    CHECK_TRUE(hPage);
    HWND hList = GetDlgItem(hPage, 1001);
    EXPECT_EQ(static_cast<int>(SendMessageA(hList, LVM_GETCOLUMNWIDTH, 0, 0)), 220);
    EXPECT_EQ(static_cast<int>(SendMessageA(hList, LVM_GETCOLUMNWIDTH, 1, 0)), 80);
    EXPECT_TRUE(SendMessageA(hList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);

    TestWindows test("\"w:Apps Select Me\"");
    HWND hWin = test.Wait("Apps Select Me");
    CHECK_TRUE(hWin);
    CHECK_TRUE(WaitUntil([&] { return StatusOf(hList, hWin) == kRunning; }, 8000));
    HWND hEnd = GetDlgItem(hPage, 1017), hSwitch = GetDlgItem(hPage, 1006);
    EXPECT_FALSE(IsWindowEnabled(hEnd));
    EXPECT_FALSE(IsWindowEnabled(hSwitch));
    CHECK_TRUE(SelectRow(hList, FindRow(hList, hWin)));
    EXPECT_TRUE(IsWindowEnabled(hEnd));
    EXPECT_TRUE(IsWindowEnabled(hSwitch));

    // Enter and Esc in the page leave it open and unchanged.
    int count = ListCount(hList);
    SendCommand(hPage, IDOK);
    SendCommand(hPage, IDCANCEL);
    EXPECT_TRUE(IsWindowVisible(hPage));
    EXPECT_EQ(ListCount(hList), count);

    // Window level from the page: topmost and back.
    EXPECT_TRUE(SendCommand(hPage, 32800));
    EXPECT_TRUE(WaitUntil([&] { return IsTopmost(hWin); }, 2000));
    EXPECT_TRUE(SendCommand(hPage, 32801));
    EXPECT_TRUE(WaitUntil([&] { return !IsTopmost(hWin); }, 2000));

    // The window popup: none without a selection, shown with one.
    RemoteMemory mem(hList, sizeof(NMHDR));
    CHECK_TRUE(mem.ok());
    CHECK_TRUE(SelectRow(hList, -1, false));
    EXPECT_FALSE(IsWindowEnabled(hEnd));
    EXPECT_FALSE(IsWindowEnabled(hSwitch));
    CHECK_TRUE(RightClickList(hPage, hList, mem));
    Sync(hPage);
    EXPECT_FALSE(WaitUntil([&] { return VisibleMenu() != nullptr; }, 700));
    CHECK_TRUE(SelectRow(hList, FindRow(hList, hWin)));
    CHECK_TRUE(RightClickList(hPage, hList, mem));
    EXPECT_TRUE(WaitUntil([&] { return VisibleMenu() != nullptr; }, 3000));
    SendMessageTimeoutA(hPage, WM_CANCELMODE, 0, 0, SMTO_NORMAL, 3000, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return VisibleMenu() == nullptr; }, 3000));

    // Switch to: a minimised window is restored.
    ShowWindow(hWin, SW_MINIMIZE);
    CHECK_TRUE(WaitUntil([&] { return IsIconic(hWin) != FALSE; }, 2000));
    CHECK_TRUE(SelectRow(hList, FindRow(hList, hWin)));
    EXPECT_TRUE(SendCommand(hPage, 1006));
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(hWin); }, 2000));

    EXPECT_TRUE(k.Exit());
}

// Dialog 134 as built into the exe, and the list as the page sets it up: headings, alignment,
// the two key columns that take no room, the image list, and the buttons' first states.
E2E_TEST(PageTemplateColumnsAndButtons)
{
    DialogTemplate t = LoadDialogTemplate(134);
    CHECK_TRUE(t.ok);
    EXPECT_TRUE(t.style & WS_CHILD);
    EXPECT_FALSE(t.style & (WS_VISIBLE | WS_CAPTION));
    EXPECT_EQ(t.cx, 217);
    EXPECT_EQ(t.cy, 220);
    EXPECT_STREQ(t.font, "宋体");
    EXPECT_EQ(t.pointSize, 9);
    CHECK_EQ(t.controls.size(), static_cast<size_t>(4));
    EXPECT_EQ(t.controls[0].id, 1001);
    DWORD listStyle = t.controls[0].style;
    EXPECT_EQ(listStyle & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
    EXPECT_TRUE(listStyle & LVS_SINGLESEL);
    EXPECT_TRUE(listStyle & LVS_SHOWSELALWAYS);
    struct Button {
        int id;
        const char* text;
        bool disabled;
    };
    const Button buttons[] = {{1017, "结束任务(&E)", true}, {1006, "切换至(&S)", true}, {32772, "新任务(&N)...", false}};
    for (int i = 0; i < 3; ++i) {
        const TemplateControl& c = t.controls[i + 1];
        EXPECT_EQ(c.id, buttons[i].id);
        EXPECT_STREQ(c.text, buttons[i].text);
        EXPECT_EQ((c.style & WS_DISABLED) != 0, buttons[i].disabled);
    }

    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hPage = AppsPage(hMain);
    CHECK_TRUE(hPage);
    HWND hList = GetDlgItem(hPage, 1001);
    struct Column {
        const char* heading;
        int fmt;
    };
    const Column columns[] = {{"任务", LVCFMT_LEFT}, {"状态", LVCFMT_LEFT}, {"窗口号", LVCFMT_RIGHT}, {"进程号", LVCFMT_RIGHT}};
    for (int col = 0; col < 4; ++col) {
        ListColumnInfo info = ColumnInfo(hList, col);
        CHECK_TRUE(info.ok);
        EXPECT_STREQ(info.heading, columns[col].heading);
        EXPECT_EQ(info.fmt, columns[col].fmt);
        if (col >= 2) {
            printf("    column %d is %d pixels wide\n", col, info.width);
            EXPECT_TRUE(info.width <= 0);  // the keys take no visible room
        }
    }
    EXPECT_FALSE(ColumnInfo(hList, 4).ok);
    EXPECT_TRUE(SendMessageA(hList, LVM_GETIMAGELIST, LVSIL_SMALL, 0) != 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hPage, 1017)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hPage, 1006)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hPage, 32772)));
    EXPECT_STREQ(ItemText(hPage, 1017), "结束任务(&E)");
    EXPECT_STREQ(ItemText(hPage, 1006), "切换至(&S)");
    EXPECT_STREQ(ItemText(hPage, 32772), "新任务(&N)...");
    EXPECT_TRUE(k.Exit());
}

namespace {

struct EnumOrder {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectInOrder(HWND hWnd, LPARAM lParam)
{
    EnumOrder* order = reinterpret_cast<EnumOrder*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if (pid == order->pid && IsWindowVisible(hWnd))
        order->windows.push_back(hWnd);
    return TRUE;
}

}  // namespace

// Windows found in one pass are each inserted at the top: the list shows them in the reverse of
// the enumeration order. Here the first pass, during start-up, finds all of them.
E2E_TEST(WindowsFoundInOnePassShowInReverseEnumerationOrder)
{
    ResetKorvaneRegistry();
    TestWindows test("\"w:Order One\" \"w:Order Two\" \"w:Order Three\" \"w:Order Four\"");
    CHECK_TRUE(test.Wait("Order One") && test.Wait("Order Two") && test.Wait("Order Three") && test.Wait("Order Four"));
    Sleep(500);
    EnumOrder order = {test.Pid(), {}};
    EnumWindows(CollectInOrder, reinterpret_cast<LPARAM>(&order));
    CHECK_EQ(order.windows.size(), static_cast<size_t>(4));

    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hList = GetDlgItem(AppsPage(hMain), 1001);
    CHECK_TRUE(hList);
    std::vector<int> rows;
    for (HWND h : order.windows)
        rows.push_back(FindRow(hList, h));
    for (size_t i = 0; i < rows.size(); ++i)
        printf("    enumerated %u: row %d (%s)\n", static_cast<unsigned>(i), rows[i], WindowText(order.windows[i]).c_str());
    for (size_t i = 0; i + 1 < rows.size(); ++i) {
        EXPECT_TRUE(rows[i] >= 0);
        EXPECT_EQ(rows[i + 1], rows[i] - 1);
    }
    EXPECT_TRUE(k.Exit());
}

// A title that shrinks to its own beginning leaves the shown text alone; any other change is
// shown, except an empty title, which the removal pass takes for a closed window.
E2E_TEST(ShrunkOrEmptiedTitleKeepsTheShownText)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hList = GetDlgItem(AppsPage(hMain), 1001);
    TestWindows test("\"w:Report.txt - Editor\"");
    HWND hWin = test.Wait("Report.txt - Editor");
    CHECK_TRUE(hWin);
    CHECK_TRUE(WaitUntil([&] { return FindRow(hList, hWin) >= 0; }, 5000));

    SetWindowTextA(hWin, "Report.txt");
    Sleep(2500);  // two refresh passes
    EXPECT_STREQ(ListCell(hList, FindRow(hList, hWin), 0), "Report.txt - Editor");
    SetWindowTextA(hWin, "Report.txt - Editor 2");
    EXPECT_TRUE(WaitUntil([&] { return ListCell(hList, FindRow(hList, hWin), 0) == "Report.txt - Editor 2"; }, 3000));
    // An empty title is never shown: the removal pass takes it for a closed window.
    SetWindowTextA(hWin, "");
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hWin) < 0; }, 3000));
    SetWindowTextA(hWin, "Summary");
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hWin) == 0; }, 3000));
    EXPECT_STREQ(ListCell(hList, 0, 0), "Summary");
    EXPECT_TRUE(k.Exit());
}

// Windows destroyed together leave one per refresh pass, not all at once.
E2E_TEST(WindowsClosedTogetherLeaveOnePerPass)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hList = GetDlgItem(AppsPage(hMain), 1001);
    TestWindows test("\"w:Gone One\" \"w:Gone Two\" \"w:Gone Three\"");
    HWND h[3] = {test.Wait("Gone One"), test.Wait("Gone Two"), test.Wait("Gone Three")};
    CHECK_TRUE(h[0] && h[1] && h[2]);
    CHECK_TRUE(WaitUntil([&] { return FindRow(hList, h[0]) >= 0 && FindRow(hList, h[1]) >= 0 && FindRow(hList, h[2]) >= 0; },
                         5000));

    test.End();  // the three windows go with their process
    DWORD start = GetTickCount();
    std::vector<int> listedCounts;
    while (GetTickCount() - start < 8000) {
        std::vector<std::string> handles = ListColumn(hList, 2);
        int listed = 0;
        for (HWND w : h)
            listed += std::count(handles.begin(), handles.end(), HandleText(w)) > 0 ? 1 : 0;
        if (listedCounts.empty() || listedCounts.back() != listed) {
            printf("    %d listed after %lu ms\n", listed, GetTickCount() - start);
            listedCounts.push_back(listed);
        }
        if (listed == 0)
            break;
        Sleep(30);
    }
    // Three, then two, then one, then none: every pass took exactly one of them.
    EXPECT_TRUE(listedCounts == std::vector<int>({3, 2, 1, 0}));
    EXPECT_TRUE(k.Exit());
}

// Paused, the page's refresh timer stands still; "立即刷新(&R)" still runs one pass. Another speed
// brings the timer back.
E2E_TEST(PausedSpeedStopsTheListUntilRefreshNow)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hList = GetDlgItem(AppsPage(hMain), 1001);
    CHECK_TRUE(SendCommand(hMain, kCmdSpeedPause));
    TestWindows test("\"w:Paused Newcomer\"");
    HWND hWin = test.Wait("Paused Newcomer");
    CHECK_TRUE(hWin);
    Sleep(2500);
    EXPECT_EQ(FindRow(hList, hWin), -1);
    CHECK_TRUE(SendCommand(hMain, kCmdRefreshNow));
    EXPECT_EQ(FindRow(hList, hWin), 0);

    PostMessageA(hWin, kTestHide, 0, 0);
    Sleep(2500);
    EXPECT_EQ(FindRow(hList, hWin), 0);  // no pass has seen it hidden
    CHECK_TRUE(SendCommand(hMain, kCmdSpeedRealtime));
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hWin) < 0; }, 2000));
    EXPECT_TRUE(k.Exit());
}

// The window popup: its items in order, and its commands acting on the selected window.
E2E_TEST(WindowPopupItemsAndCloseWindow)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hPage = AppsPage(hMain);
    HWND hList = GetDlgItem(hPage, 1001);
    TestWindows test("\"w:Popup Target\"");
    HWND hWin = test.Wait("Popup Target");
    CHECK_TRUE(hWin);
    CHECK_TRUE(WaitUntil([&] { return StatusOf(hList, hWin) == kRunning; }, 8000));
    CHECK_TRUE(SelectRow(hList, FindRow(hList, hWin)));
    RemoteMemory mem(hList, sizeof(NMHDR));
    CHECK_TRUE(mem.ok());
    CHECK_TRUE(RightClickList(hPage, hList, mem));
    CHECK_TRUE(WaitUntil([&] { return VisiblePopupMenu() != nullptr; }, 3000));
    std::vector<PopupItem> items = PopupItems(hMain, MenuOfPopup(VisiblePopupMenu()));
    CHECK_EQ(items.size(), static_cast<size_t>(3));
    EXPECT_EQ(items[0].id, 1017);
    EXPECT_STREQ(items[0].text, "关闭窗口(&C)");
    EXPECT_EQ(items[1].id, 1006);
    EXPECT_STREQ(items[1].text, "切换至(&S)");
    EXPECT_EQ(items[2].id, -1);
    EXPECT_STREQ(items[2].text, "设置窗口等级(&P)");
    std::vector<PopupItem> level = PopupItems(hMain, items[2].submenu);
    CHECK_EQ(level.size(), static_cast<size_t>(2));
    EXPECT_EQ(level[0].id, 32800);
    EXPECT_STREQ(level[0].text, "总在最前面(&T)");
    EXPECT_EQ(level[1].id, 32801);
    EXPECT_STREQ(level[1].text, "一般等级(&N)");

    // "关闭窗口(&C)" ends the task: the running window is asked to close and leaves the list.
    PostMessageA(hPage, WM_CHAR, 'c', 0);
    EXPECT_TRUE(WaitUntil([&] { return VisiblePopupMenu() == nullptr; }, 3000));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hWin); }, 3000));
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hWin) < 0; }, 4000));
    EXPECT_TRUE(k.Exit());
}

// A listed window is never filtered again: one that gains an owner stays listed while it is
// visible and has a title; hidden, it leaves, and shown again it is not listed anew.
E2E_TEST(ListedWindowThatGainsAnOwnerStaysListed)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hList = GetDlgItem(AppsPage(hMain), 1001);
    TestWindows test("\"w:Later Owned\" \"w:Later Owner\"");
    HWND hOwned = test.Wait("Later Owned");
    HWND hOwner = test.Wait("Later Owner");
    CHECK_TRUE(hOwned && hOwner);
    CHECK_TRUE(WaitUntil([&] { return FindRow(hList, hOwned) >= 0; }, 5000));
    SetWindowLongPtrA(hOwned, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(hOwner));
    CHECK_TRUE(WaitUntil([&] { return GetWindow(hOwned, GW_OWNER) == hOwner; }, 2000));
    Sleep(2500);
    EXPECT_TRUE(FindRow(hList, hOwned) >= 0);

    PostMessageA(hOwned, kTestHide, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hOwned) < 0; }, 3000));
    PostMessageA(hOwned, kTestShow, 0, 0);
    CHECK_TRUE(WaitUntil([&] { return IsWindowVisible(hOwned) != FALSE; }, 2000));
    Sleep(2500);
    EXPECT_EQ(FindRow(hList, hOwned), -1);  // owned now: filtered out as a newcomer
    EXPECT_TRUE(k.Exit());
}

// The page starts refreshing every 1000 ms whatever speed was saved; from the first speed change
// on it follows the chosen speed.
E2E_TEST(RefreshStartsAt1000MsThenFollowsTheSpeed)
{
    ResetKorvaneRegistry();
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1.0");
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "RefreshSpeed", "2");  // 低速, 5000 ms
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "ShowPage", "0");      // the page on the screen
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hList = GetDlgItem(AppsPage(hMain), 1001);
    EXPECT_TRUE(MenuChecked(hMain, kCmdSpeedLow));
    TestWindows first("\"w:Speed First\"");
    HWND hFirst = first.Wait("Speed First");
    CHECK_TRUE(hFirst);
    DWORD shown = GetTickCount();
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hFirst) >= 0; }, 2500));
    printf("    listed %lu ms after it was shown\n", GetTickCount() - shown);

    CHECK_TRUE(SendCommand(hMain, kCmdSpeedLow));
    TestWindows second("\"w:Speed Second\"");
    HWND hSecond = second.Wait("Speed Second");
    CHECK_TRUE(hSecond);
    shown = GetTickCount();
    Sleep(2500);
    EXPECT_EQ(FindRow(hList, hSecond), -1);
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hSecond) >= 0; }, 5000));
    printf("    at the low speed, listed %lu ms after it was shown\n", GetTickCount() - shown);
    EXPECT_TRUE(k.Exit());
}

// A title longer than 99 bytes that changes only after its 99th byte is shown with its new
// ending, and a long title that shrinks to its own beginning keeps the longer text.
E2E_TEST(LongTitleChangedAfterItsHundredthByteIsShown)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hList = GetDlgItem(AppsPage(hMain), 1001);
    const std::string stem = "Long " + std::string(140, 'x');
    TestWindows test("\"w:" + stem + " one\"");
    HWND hWin = test.Wait(stem + " one");
    CHECK_TRUE(hWin);
    CHECK_TRUE(WaitUntil([&] { return FindRow(hList, hWin) >= 0; }, 5000));
    EXPECT_STREQ(ListCell(hList, FindRow(hList, hWin), 0), stem + " one");
    SetWindowTextA(hWin, (stem + " two").c_str());
    EXPECT_TRUE(WaitUntil([&] { return ListCell(hList, FindRow(hList, hWin), 0) == stem + " two"; }, 3000));
    printf("    shown: ...%s\n", ListCell(hList, FindRow(hList, hWin), 0).substr(stem.size()).c_str());
    SetWindowTextA(hWin, stem.c_str());
    Sleep(2500);
    EXPECT_STREQ(ListCell(hList, FindRow(hList, hWin), 0), stem + " two");
    EXPECT_TRUE(k.Exit());
}

// Enter and Esc pressed on the keyboard with the list focused leave the page and the main window
// open and the list as it was.
E2E_TEST(EnterAndEscKeysLeaveThePageOpen)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hPage = AppsPage(hMain);
    HWND hList = GetDlgItem(hPage, 1001);
    TestWindows test("\"w:Keys Target\"");
    HWND hWin = test.Wait("Keys Target");
    CHECK_TRUE(hWin);
    CHECK_TRUE(WaitUntil([&] { return FindRow(hList, hWin) >= 0; }, 5000));
    CHECK_TRUE(SelectRow(hList, FindRow(hList, hWin)));
    SetForegroundWindow(hMain);
    CHECK_TRUE(WaitUntil([&] { return GetForegroundWindow() == hMain; }, 3000));
    // A click on the list gives it the focus.
    PostMessageA(hList, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 30));
    PostMessageA(hList, WM_LBUTTONUP, 0, MAKELPARAM(60, 30));
    CHECK_TRUE(Sync(hMain));
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof gti;
    GetGUIThreadInfo(GetWindowThreadProcessId(hMain, nullptr), &gti);
    EXPECT_EQ(gti.hwndFocus, hList);
    int count = ListCount(hList);
    EXPECT_TRUE(PressKeys({VK_RETURN}));
    EXPECT_TRUE(PressKeys({VK_ESCAPE}));
    CHECK_TRUE(Sync(hMain));
    Sleep(300);
    CHECK_TRUE(Sync(hMain));
    EXPECT_TRUE(IsVisible(hMain));
    EXPECT_TRUE(IsVisible(hPage));
    EXPECT_EQ(ListCount(hList), count);
    EXPECT_TRUE(IsWindow(hWin));
    EXPECT_TRUE(FindDialogs(k.Pid()).empty());
    EXPECT_TRUE(k.Exit());
}
