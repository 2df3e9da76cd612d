// End to end: which windows the Applications page lists, hidden windows leaving and coming back on
// top, retitled and closed windows, and the page's columns and buttons.
#include "apps_e2e_util.h"

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
                     "\"w:Program Manager 2\" \"w:Windows Korvane 7\" \"w:" + excludedGbk + "\" \"w:Apps Second\"");
    CHECK_TRUE(test.Process());
    HWND hVisible = test.Wait("Apps Visible");
    HWND hSecond = test.Wait("Apps Second");
    CHECK_TRUE(hVisible && hSecond);
    CHECK_TRUE(test.Wait("Apps Owned") && test.Wait("Apps Popup") && test.Wait("Apps Hidden"));

    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hVisible) >= 0 && FindRow(hList, hSecond) >= 0; }, 5000));
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
