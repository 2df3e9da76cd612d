// End to end: which windows the Applications page lists, hidden windows leaving and coming back on
// top, retitled and closed windows, and the page's columns and buttons.
#include "apps_e2e_util.h"

using namespace apps_e2e;

E2E_TEST(ListedWindowsFollowTheRules)
{
    ResetKorvaneRegistry();  // a first start shows the Applications tab
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hPage = AppsPage(hMain);
    CHECK_TRUE(hPage);
    HWND hList = GetDlgItem(hPage, 1001);

    const std::string excludedGbk = std::string(kMainTitle) + " 2";
    DWORD pid = 0;
    HANDLE hTest = StartTestWindows("\"w:Apps Visible\" \"o:Apps Owned\" \"p:Apps Popup\" \"h:Apps Hidden\" "
                                    "\"w:Program Manager 2\" \"w:Windows Korvane 7\" \"w:" + excludedGbk +
                                    "\" \"w:Apps Second\"", &pid);
    CHECK_TRUE(hTest);
    HWND hVisible = WaitWindow(nullptr, "Apps Visible");
    HWND hSecond = WaitWindow(nullptr, "Apps Second");
    CHECK_TRUE(hVisible && hSecond);
    CHECK_TRUE(FindWindowA(nullptr, "Apps Owned") && FindWindowA(nullptr, "Apps Popup") && FindWindowA(nullptr, "Apps Hidden"));

    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hVisible) >= 0 && FindRow(hList, hSecond) >= 0; }, 5000));
    Sleep(2500);  // two more passes for anything that should not be listed
    for (const char* title : {"Apps Owned", "Apps Popup", "Apps Hidden", "Program Manager 2", "Windows Korvane 7"})
        EXPECT_EQ(FindTitleRow(hList, title), -1);
    EXPECT_EQ(FindTitleRow(hList, excludedGbk), -1);
    EXPECT_EQ(FindTitleRow(hList, kMainTitle), -1);
    int row = FindRow(hList, hVisible);
    if (EXPECT_TRUE(row >= 0)) {
        EXPECT_STREQ(ListCell(hList, row, 0), "Apps Visible");
        EXPECT_STREQ(ListCell(hList, row, 3), std::to_string(static_cast<int>(pid)));
        EXPECT_TRUE(RowImage(hList, row) >= 0);
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

    EndTestWindows(hTest);
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hVisible) < 0; }, 15000));
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(ColumnsButtonsAndEnterLeaveThePageAlone)
{
    ResetKorvaneRegistry();  // a first start shows the Applications tab
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hPage = AppsPage(hMain);
    CHECK_TRUE(hPage);
    HWND hList = GetDlgItem(hPage, 1001);
    EXPECT_EQ(static_cast<int>(SendMessageA(hList, LVM_GETCOLUMNWIDTH, 0, 0)), 220);
    EXPECT_EQ(static_cast<int>(SendMessageA(hList, LVM_GETCOLUMNWIDTH, 1, 0)), 80);
    EXPECT_TRUE(SendMessageA(hList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);

    HANDLE hTest = StartTestWindows("\"w:Apps Select Me\"");
    HWND hWin = WaitWindow(nullptr, "Apps Select Me");
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

    EndTestWindows(hTest);
    EXPECT_TRUE(k.Exit());
}
