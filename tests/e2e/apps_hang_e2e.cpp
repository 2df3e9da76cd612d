// End to end: statuses from the hang check, ending a running task and a hung one, and the main
// window answering messages throughout.
#include "apps_e2e_util.h"

using namespace apps_e2e;

namespace {

const char kEndProgramTitle[] = "\xBD\xE1\xCA\xF8\xB3\xCC\xD0\xF2";  // 结束程序

bool EndTask(HWND hPage, HWND hList, HWND hTarget)
{
    int row = FindRow(hList, hTarget);
    if (row < 0 || !SelectRow(hList, row))
        return false;
    printf("    end task at tick %lu\n", GetTickCount());
    return PostCommand(hPage, 1017);
}

}  // namespace

E2E_TEST(HangCheckAndEndTask)
{
    ResetKorvaneRegistry();  // a first start shows the Applications tab
    UseUnmanagedWindows();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hPage = AppsPage(hMain);
    CHECK_TRUE(hPage);
    HWND hList = GetDlgItem(hPage, 1001);
    AnswerWatch watch(hMain);

    HANDLE hTest = StartTestWindows("\"w:Hang Target\" \"b:Busy Window\" \"w:Close Target\"");
    CHECK_TRUE(hTest);
    HWND hHang = WaitWindow(nullptr, "Hang Target");
    HWND hBusy = WaitWindow(nullptr, "Busy Window");
    HWND hClose = WaitWindow(nullptr, "Close Target");
    CHECK_TRUE(hHang && hBusy && hClose);

    EXPECT_TRUE(WaitUntil([&] { return StatusOf(hList, hHang) == kRunning && StatusOf(hList, hClose) == kRunning; }, 9000));
    // Busy for 100 ms on every message: never answers within 50 ms.
    EXPECT_TRUE(WaitUntil([&] { return StatusOf(hList, hBusy) == kNotResponding; }, 9000));

    // Hangs for 6 s: marked within one hang-check pass, running again after it recovers.
    PostMessageA(hHang, kTestHang, 6000, 0);
    DWORD hungAt = GetTickCount();
    EXPECT_TRUE(WaitUntil([&] { return StatusOf(hList, hHang) == kNotResponding; }, 3000 + 1500));
    EXPECT_TRUE(WaitUntil([&] { return StatusOf(hList, hHang) == kRunning; }, 6000 + 3000 + 1500));
    printf("    hung window shown running again %lu ms after it hung\n", GetTickCount() - hungAt);
    EXPECT_STREQ(StatusOf(hList, hBusy), kNotResponding);

    // End task on a running window: it closes and its item leaves.
    EXPECT_TRUE(EndTask(hPage, hList, hClose));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hClose); }, 3000));
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hClose) < 0; }, 3000));

    // End task on a hung window: the end-program dialog; Enter cancels; "立即结束" ends the process.
    PostMessageA(hHang, kTestHang, 60000, 0);
    EXPECT_TRUE(WaitUntil([&] { return StatusOf(hList, hHang) == kNotResponding; }, 4500));
    EXPECT_TRUE(EndTask(hPage, hList, hHang));
    HWND hDlg = WaitWindow(kDialogClass, kEndProgramTitle, 5000);
    CHECK_TRUE(hDlg);
    EXPECT_EQ(GetWindow(hDlg, GW_OWNER), hMain);
    LRESULT def = SendMessageA(hDlg, DM_GETDEFID, 0, 0);
    EXPECT_EQ(static_cast<int>(HIWORD(def)), DC_HASDEFID);
    EXPECT_EQ(static_cast<int>(LOWORD(def)), IDCANCEL);
    // Enter presses the focused push button: the focus is on "取消" as well.
    GUITHREADINFO gti = {};
    gti.cbSize = sizeof gti;
    GetGUIThreadInfo(GetWindowThreadProcessId(hDlg, nullptr), &gti);
    EXPECT_EQ(gti.hwndFocus, GetDlgItem(hDlg, IDCANCEL));
    PostMessageA(gti.hwndFocus ? gti.hwndFocus : hDlg, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hDlg); }, 3000));
    EXPECT_EQ(WaitForSingleObject(hTest, 500), static_cast<DWORD>(WAIT_TIMEOUT));

    EXPECT_TRUE(EndTask(hPage, hList, hHang));
    hDlg = WaitWindow(kDialogClass, kEndProgramTitle, 5000);
    CHECK_TRUE(hDlg);
    PostCommand(hDlg, IDOK);
    EXPECT_EQ(WaitForSingleObject(hTest, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
    // Every window of the ended process leaves, one per refresh pass.
    EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, hHang) < 0 && FindRow(hList, hBusy) < 0; }, 5000));

    DWORD longest = watch.Stop();
    printf("    longest silence of the main window: %lu ms\n", longest);
    EXPECT_TRUE(longest < 1100);
    EndTestWindows(hTest);
    EXPECT_TRUE(k.Exit());
}
