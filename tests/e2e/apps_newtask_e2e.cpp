// End to end: the new-task dialog starts a program and records it as NewTask0; a missing file
// gives message 105 with the stop icon, keeps the dialog open and writes nothing.
#include "apps_e2e_util.h"

using namespace apps_e2e;

namespace {

const char kNewTaskTitle[] = "\xB4\xB4\xBD\xA8\xD0\xC2\xC8\xCE\xCE\xF1";     // 创建新任务
const char kNotFoundStart[] = "\xD5\xD2\xB2\xBB\xB5\xBD\xB8\xC3\xCE\xC4\xBC\xFE";  // 找不到该文件

void ClearHistory()
{
    for (int i = 0; i < 30; ++i)
        DeleteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, ("NewTask" + std::to_string(i)).c_str());
}

// A visible "#32770" of the program other than the given ones.
HWND WaitOtherDialog(DWORD pid, HWND except)
{
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND h : FindDialogs(pid)) {
            if (h != except) {
                found = h;
                return true;
            }
        }
        return false;
    }, 5000, 50);
    return found;
}

}  // namespace

E2E_TEST(NewTaskStartsAndRecordsOnlyWhatWorked)
{
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hPage = AppsPage(hMain);
    CHECK_TRUE(hPage);
    ClearHistory();

    // The page's button travels on to the main window, which opens the dialog.
    CHECK_TRUE(PostCommand(hPage, kCmdNewTask));
    HWND hDlg = WaitWindow(kDialogClass, kNewTaskTitle, 5000);
    CHECK_TRUE(hDlg);
    EXPECT_EQ(GetWindow(hDlg, GW_OWNER), hMain);
    EXPECT_STREQ(ItemText(hDlg, 1018), "");

    const std::string program = KorvaneDir() + "\\korvane_testwin.exe";
    SetDlgItemTextA(hDlg, 1018, program.c_str());
    PostCommand(hDlg, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hDlg); }, 5000));
    HWND hStarted = WaitWindow(nullptr, "Korvane test window");
    EXPECT_TRUE(hStarted);
    EXPECT_STREQ(RegText(HKEY_LOCAL_MACHINE, kSettingsKey, "NewTask0"), program);
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, "NewTask1"));
    if (hStarted)
        PostMessageA(hStarted, WM_CLOSE, 0, 0);

    // From the File menu: the history shows; a missing file gives message 105 and writes nothing.
    CHECK_TRUE(PostCommand(hMain, kCmdNewTask));
    hDlg = WaitWindow(kDialogClass, kNewTaskTitle, 5000);
    CHECK_TRUE(hDlg);
    EXPECT_STREQ(ItemText(hDlg, 1018), program);
    const char kMissing[] = "C:\\no such folder\\no such program.exe";
    SetDlgItemTextA(hDlg, 1018, kMissing);
    PostCommand(hDlg, IDOK);
    HWND hBox = WaitOtherDialog(k.Pid(), hDlg);
    CHECK_TRUE(hBox);
    EXPECT_STREQ(WindowText(hBox), "Korvane");
    EXPECT_EQ(GetWindow(hBox, GW_OWNER), hDlg);
    bool found = false;
    for (const std::string& text : StaticTexts(hBox))
        found = found || text.compare(0, strlen(kNotFoundStart), kNotFoundStart) == 0;
    EXPECT_TRUE(found);
    PostCommand(hBox, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hBox); }, 3000));
    Sleep(300);
    EXPECT_TRUE(IsWindow(hDlg));
    EXPECT_STREQ(ItemText(hDlg, 1018), kMissing);
    EXPECT_STREQ(RegText(HKEY_LOCAL_MACHINE, kSettingsKey, "NewTask0"), program);
    EXPECT_FALSE(RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, "NewTask1"));
    PostCommand(hDlg, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hDlg); }, 3000));
    EXPECT_TRUE(k.Exit());
}
