// End to end: the new-task dialog starts a program and records it as NewTask0; a missing file
// gives message 105 with the stop icon, keeps the dialog open and writes nothing.
#include "apps_e2e_util.h"
#include "dialog_template.h"

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

// Types a name into the open-file dialog's file-name field: an edit of its own (edt1) in the
// old style, the edit inside a combo (cmb13) in the newer one.
bool SetFileName(HWND hOpen, const std::string& name)
{
    HWND edit = GetDlgItem(hOpen, 0x480);
    if (HWND combo = GetDlgItem(hOpen, 0x47c)) {
        HWND inner = FindWindowExA(combo, nullptr, "ComboBox", nullptr);
        edit = FindWindowExA(inner ? inner : combo, nullptr, "Edit", nullptr);
    }
    return edit && SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

}  // namespace

E2E_TEST(NewTaskStartsAndRecordsOnlyWhatWorked)
{
    ResetKorvaneRegistry();
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

    // Browse, then cancel: the typed text stays. Browse and pick a file: its full path replaces it.
    CHECK_TRUE(PostCommand(hDlg, 1019));
    HWND hOpen = WaitOtherDialog(k.Pid(), hDlg);
    CHECK_TRUE(hOpen);
    PostCommand(hOpen, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hOpen); }, 3000));
    Sleep(200);
    EXPECT_STREQ(ItemText(hDlg, 1018), kMissing);
    CHECK_TRUE(PostCommand(hDlg, 1019));
    hOpen = WaitOtherDialog(k.Pid(), hDlg);
    CHECK_TRUE(hOpen);
    CHECK_TRUE(SetFileName(hOpen, program));
    PostCommand(hOpen, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hOpen); }, 3000));
    EXPECT_TRUE(WaitUntil([&] { return _stricmp(ItemText(hDlg, 1018).c_str(), program.c_str()) == 0; }, 3000));
    printf("    picked: %s\n", ItemText(hDlg, 1018).c_str());

    PostCommand(hDlg, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hDlg); }, 3000));
    EXPECT_STREQ(RegText(HKEY_LOCAL_MACHINE, kSettingsKey, "NewTask0"), program);
    EXPECT_TRUE(k.Exit());
}

// Dialog 136 as built into the exe: every control where the layout puts it, the icon included
// (an icon static shows at its icon's size whatever the template says, so only the template
// can tell).
E2E_TEST(NewTaskTemplateHasItsLayout)
{
    DialogTemplate t = LoadDialogTemplate(136);
    CHECK_TRUE(t.ok);
    EXPECT_STREQ(t.caption, "创建新任务");
    EXPECT_STREQ(t.font, "宋体");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.cx, 245);
    EXPECT_EQ(t.cy, 95);
    EXPECT_TRUE((t.style & (WS_CAPTION | WS_SYSMENU)) == (WS_CAPTION | WS_SYSMENU));
    struct Expected {
        int id;
        const char* text;
        int x, y, cx, cy;
    };
    const Expected layout[] = {
        {-1, "#128", 7, 7, 21, 21},
        {-1, "Korvane 将根据您所输入的名称，为您打开相应的\n程序、文件夹、文档或 Internet 资源。", 37, 7, 201, 20},
        {-1, "打开(&O):", 9, 39, 33, 8},
        {1018, "", 48, 35, 191, 105},
        {IDOK, "确定", 85, 74, 50, 14},
        {IDCANCEL, "取消", 137, 74, 50, 14},
        {1019, "浏览(&B)...", 189, 74, 50, 14},
    };
    CHECK_EQ(t.controls.size(), sizeof layout / sizeof layout[0]);
    for (size_t i = 0; i < t.controls.size(); ++i) {
        const TemplateControl& c = t.controls[i];
        const Expected& e = layout[i];
        EXPECT_EQ(c.id, e.id);
        EXPECT_STREQ(c.text, e.text);
        EXPECT_EQ(c.x, e.x);
        EXPECT_EQ(c.y, e.y);
        EXPECT_EQ(c.cx, e.cx);
        EXPECT_EQ(c.cy, e.cy);
    }
    EXPECT_EQ(t.controls[0].style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
    EXPECT_EQ(t.controls[4].style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    // A drop-down combo, unsorted, with a vertical scroll bar and no sideways scrolling.
    DWORD combo = t.controls[3].style;
    EXPECT_EQ(combo & 3, static_cast<DWORD>(CBS_DROPDOWN));
    EXPECT_TRUE(combo & WS_VSCROLL);
    EXPECT_FALSE(combo & (CBS_SORT | CBS_AUTOHSCROLL));
}
