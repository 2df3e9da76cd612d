// End to end: the new-task dialog starts a program and records it as NewTask0; a missing file
// gives message 105 with the stop icon, keeps the dialog open and writes nothing.
#include "apps_e2e_util.h"
#include "dialog_template.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

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

namespace {

const char kProgramTitle[] = "Korvane test window";

// Started as "started by korvane.exe" (a copy of this program in a folder with spaces), this
// program writes its command line and the show state it was given next to itself, and ends.
int RecordIfStartedAsCommand()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    const char* name = strrchr(self, '\\');
    if (!name || _stricmp(name + 1, "started by korvane.exe") != 0)
        return 0;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    GetStartupInfoA(&si);
    std::string record = std::string(self) + ".txt";
    if (FILE* f = fopen(record.c_str(), "w")) {
        fprintf(f, "%s\n%d\n", GetCommandLineA(), (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1);
        fclose(f);
    }
    ExitProcess(0);
}
const int g_recorder = RecordIfStartedAsCommand();

std::string HistoryEntry(int i)
{
    return RegText(HKEY_LOCAL_MACHINE, kSettingsKey, ("NewTask" + std::to_string(i)).c_str());
}

bool HasHistoryEntry(int i)
{
    return RegValueExists(HKEY_LOCAL_MACHINE, kSettingsKey, ("NewTask" + std::to_string(i)).c_str());
}

// The whole history as the registry holds it, NewTask0 up to the first gap.
std::vector<std::string> History()
{
    std::vector<std::string> h;
    for (int i = 0; HasHistoryEntry(i); ++i)
        h.push_back(HistoryEntry(i));
    return h;
}

void SeedHistory(const std::vector<std::string>& entries)
{
    ClearHistory();
    for (size_t i = 0; i < entries.size(); ++i)
        WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, ("NewTask" + std::to_string(i)).c_str(), entries[i]);
}

// Closes every window of the test window program that a command started.
int CloseStartedPrograms()
{
    int n = 0;
    while (HWND h = FindWindowA(nullptr, kProgramTitle)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(h, &pid);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!process)
            break;
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
        ++n;
    }
    return n;
}

// The items of the dialog's combo box. Wine carries CB_GETLBTEXT's text back across processes
// in UTF-16 whichever form was sent, so it is asked for in that form.
std::vector<std::string> ComboItems(HWND box)
{
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(box, CB_GETCOUNT, 0, 0, SMTO_NORMAL, 5000, &count))
        return items;
    for (int i = 0; i < static_cast<int>(count); ++i) {
        DWORD_PTR len = 0;
        SendMessageTimeoutW(box, CB_GETLBTEXTLEN, i, 0, SMTO_NORMAL, 5000, &len);
        std::vector<wchar_t> wide(len + 16, L'\0');
        DWORD_PTR got = 0;
        SendMessageTimeoutW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide.data()), SMTO_NORMAL, 5000, &got);
        int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
        std::vector<char> text(n > 0 ? n : 1, '\0');
        WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text.data(), n, nullptr, nullptr);
        items.push_back(text.data());
    }
    return items;
}

HWND OpenNewTask(HWND main)
{
    if (!PostCommand(main, kCmdNewTask))
        return nullptr;
    return WaitWindow(kDialogClass, kNewTaskTitle, 5000);
}

// Types the command and presses OK; true when the dialog closed (the command worked).
bool RunCommand(HWND main, const std::string& command)
{
    HWND dlg = OpenNewTask(main);
    if (!dlg)
        return false;
    SetDlgItemTextA(dlg, 1018, command.c_str());
    PostCommand(dlg, IDOK);
    return WaitUntil([&] { return !IsWindow(dlg); }, 5000);
}

bool CloseDialog(HWND dlg)
{
    PostCommand(dlg, IDCANCEL);
    return WaitUntil([&] { return !IsWindow(dlg); }, 3000);
}

// The edit field inside the drop-down combo.
HWND ComboEdit(HWND dlg)
{
    return FindWindowExA(Item(dlg, 1018), nullptr, "Edit", nullptr);
}

// Posts a key press to a window of the program, as the keyboard would deliver it to the focus.
void PostKey(HWND target, UINT vk)
{
    PostMessageA(target, WM_KEYDOWN, vk, 1);
    PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
}

}  // namespace

// The history as the dialog shows it and as a successful command changes it: the list in
// registry order up to the first gap, the prefix rule in both directions, the same command twice,
// and the shift that keeps 21 entries and never writes past NewTask20.
E2E_TEST(NewTaskHistoryShiftAndPrefixRule)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    const std::string program = KorvaneDir() + "\\korvane_testwin.exe";

    // The list shows the entries in order and stops at the first gap; item 0 is in the field.
    SeedHistory({"first entry", "second entry", "third entry"});
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "NewTask4", "beyond the gap");
    HWND hDlg = OpenNewTask(hMain);
    CHECK_TRUE(hDlg);
    std::vector<std::string> items = ComboItems(Item(hDlg, 1018));
    CHECK_EQ(items.size(), 3u);
    EXPECT_STREQ(items[0], "first entry");
    EXPECT_STREQ(items[1], "second entry");
    EXPECT_STREQ(items[2], "third entry");
    EXPECT_STREQ(ItemText(hDlg, 1018), "first entry");
    EXPECT_TRUE(CloseDialog(hDlg));
    EXPECT_STREQ(HistoryEntry(4), "beyond the gap");

    // The same command twice: the second run changes nothing.
    SeedHistory({program, "older"});
    EXPECT_TRUE(RunCommand(hMain, program));
    EXPECT_TRUE(History() == std::vector<std::string>({program, "older"}));

    // The typed text is the beginning of the most recent entry: left alone.
    SeedHistory({program + " and more", "older"});
    EXPECT_TRUE(RunCommand(hMain, program));
    EXPECT_TRUE(History() == std::vector<std::string>({program + " and more", "older"}));

    // The most recent entry is the beginning of the typed text: recorded as the new NewTask0.
    const std::string shorter = program.substr(0, program.size() - 4);
    SeedHistory({shorter, "older"});
    EXPECT_TRUE(RunCommand(hMain, program));
    EXPECT_TRUE(History() == std::vector<std::string>({program, shorter, "older"}));

    // A full history: 21 entries, NewTask20 lost, NewTask21 (never written by the program)
    // left as it was.
    std::vector<std::string> full;
    for (int i = 0; i <= 20; ++i)
        full.push_back("command " + std::to_string(i));
    SeedHistory(full);
    WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "NewTask21", "kept");
    hDlg = OpenNewTask(hMain);
    CHECK_TRUE(hDlg);
    EXPECT_EQ(ComboItems(Item(hDlg, 1018)).size(), 22u);
    SetDlgItemTextA(hDlg, 1018, program.c_str());
    PostCommand(hDlg, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hDlg); }, 5000));
    EXPECT_STREQ(HistoryEntry(0), program);
    for (int i = 1; i <= 20; ++i)
        EXPECT_STREQ(HistoryEntry(i), "command " + std::to_string(i - 1));
    EXPECT_STREQ(HistoryEntry(21), "kept");
    EXPECT_FALSE(HasHistoryEntry(22));

    // Five more different commands after that: still 21 of the program's, the newest first.
    for (int i = 0; i < 5; ++i) {
        std::string command = program;
        for (int j = 0; j <= i; ++j)
            command.insert(command.rfind('\\'), "\\.");
        EXPECT_TRUE(RunCommand(hMain, command));
        EXPECT_STREQ(HistoryEntry(0), command);
    }
    EXPECT_STREQ(HistoryEntry(5), program);
    EXPECT_STREQ(HistoryEntry(20), "command 14");
    EXPECT_STREQ(HistoryEntry(21), "kept");
    EXPECT_FALSE(HasHistoryEntry(22));

    EXPECT_TRUE(WaitUntil([&] { return FindWindowA(nullptr, kProgramTitle) != nullptr; }, 5000));
    CloseStartedPrograms();
    EXPECT_TRUE(k.Exit());
    ClearHistory();
}

// The keys and the caption: Enter runs the command, Esc and the close box cancel (nothing runs,
// nothing is written). While the dialog is open the main window takes no input.
E2E_TEST(NewTaskKeysAndCloseBox)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    CloseStartedPrograms();
    ClearHistory();
    const std::string program = KorvaneDir() + "\\korvane_testwin.exe";

    HWND hDlg = OpenNewTask(hMain);
    CHECK_TRUE(hDlg);
    EXPECT_FALSE(IsWindowEnabled(hMain));
    HWND edit = ComboEdit(hDlg);
    CHECK_TRUE(edit);
    SetDlgItemTextA(hDlg, 1018, program.c_str());
    PostKey(edit, VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hDlg); }, 5000));
    EXPECT_TRUE(IsWindowEnabled(hMain));

    hDlg = OpenNewTask(hMain);
    CHECK_TRUE(hDlg);
    SetDlgItemTextA(hDlg, 1018, program.c_str());
    PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hDlg); }, 5000));
    Sleep(500);
    EXPECT_TRUE(FindWindowA(nullptr, kProgramTitle) == nullptr);
    EXPECT_FALSE(HasHistoryEntry(0));

    hDlg = OpenNewTask(hMain);
    CHECK_TRUE(hDlg);
    edit = ComboEdit(hDlg);
    CHECK_TRUE(edit);
    SetDlgItemTextA(hDlg, 1018, program.c_str());
    PostKey(edit, VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hDlg); }, 5000));
    EXPECT_TRUE(WaitUntil([&] { return FindWindowA(nullptr, kProgramTitle) != nullptr; }, 5000));
    EXPECT_STREQ(HistoryEntry(0), program);
    EXPECT_FALSE(HasHistoryEntry(1));
    CloseStartedPrograms();
    EXPECT_TRUE(k.Exit());
    ClearHistory();
}

// A command with spaces and an argument is one file name to the shell: no such file, so message
// 105 in full, with the stop icon and an OK button only; the dialog, its text and the history
// stay as they were.
E2E_TEST(NewTaskCommandWithArgumentsIsOneNameAndFails)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    CloseStartedPrograms();
    SeedHistory({"kept entry"});
    const std::string command = KorvaneDir() + "\\korvane_testwin.exe w:argument";

    HWND hDlg = OpenNewTask(hMain);
    CHECK_TRUE(hDlg);
    SetDlgItemTextA(hDlg, 1018, command.c_str());
    PostCommand(hDlg, IDOK);
    HWND hBox = WaitOtherDialog(k.Pid(), hDlg);
    CHECK_TRUE(hBox);
    EXPECT_STREQ(WindowText(hBox), "Korvane");
    bool found = false;
    for (const std::string& text : StaticTexts(hBox))
        found = found || text == "找不到该文件(或它的组件之一).请确认路径和文件名是否正确,而且所需的库文件均可用.";
    EXPECT_TRUE(found);
    // One visible button, OK.
    int buttons = 0;
    for (HWND h = GetWindow(hBox, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (ClassName(h) == "Button" && IsWindowVisible(h)) {
            ++buttons;
            EXPECT_EQ(GetDlgCtrlID(h), IDOK);
        }
    }
    EXPECT_EQ(buttons, 1);
    // The stop icon: the one the system gives the program for IDI_HAND.
    DWORD hand = 0;
    EXPECT_TRUE(RemoteCall(hMain, "user32.dll", "LoadIconA", {0, 32513}, &hand));
    DWORD shown = 0;
    for (HWND h = GetWindow(hBox, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (ClassName(h) == "Static" && (GetWindowLongA(h, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            shown = static_cast<DWORD>(SendMessageA(h, STM_GETICON, 0, 0));
    }
    EXPECT_NE(shown, 0ul);
    EXPECT_EQ(shown, hand);
    PostCommand(hBox, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hBox); }, 3000));
    Sleep(300);
    EXPECT_TRUE(IsWindow(hDlg));
    EXPECT_STREQ(ItemText(hDlg, 1018), command);
    EXPECT_TRUE(History() == std::vector<std::string>({"kept entry"}));
    EXPECT_TRUE(FindWindowA(nullptr, "argument") == nullptr);
    EXPECT_TRUE(CloseDialog(hDlg));
    CloseStartedPrograms();
    EXPECT_TRUE(k.Exit());
    ClearHistory();
}

// The open-file dialog belongs to the new-task dialog and takes only files that exist: a
// missing name keeps it open, and cancelling it then leaves the typed text alone.
E2E_TEST(NewTaskBrowseIsOwnedWantsAnExistingFileAndTakesAWholePath)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hDlg = OpenNewTask(hMain);
    CHECK_TRUE(hDlg);
    SetDlgItemTextA(hDlg, 1018, "typed text");
    CHECK_TRUE(PostCommand(hDlg, 1019));
    HWND hOpen = WaitOtherDialog(k.Pid(), hDlg);
    CHECK_TRUE(hOpen);
    EXPECT_EQ(GetWindow(hOpen, GW_OWNER), hDlg);
    EXPECT_FALSE(IsWindowEnabled(hDlg));
    CHECK_TRUE(SetFileName(hOpen, KorvaneDir() + "\\no such file here.exe"));
    PostCommand(hOpen, IDOK);
    // The open-file dialog refuses with a message of its own and stays.
    HWND hWarn = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
        for (HWND h : FindDialogs(k.Pid())) {
            if (h != hDlg && h != hOpen)
                hWarn = h;
        }
        return hWarn != nullptr;
    }, 5000));
    if (hWarn) {
        PostCommand(hWarn, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hWarn); }, 3000));
    }
    EXPECT_TRUE(IsWindow(hOpen));
    PostCommand(hOpen, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hOpen); }, 3000));
    Sleep(200);
    EXPECT_STREQ(ItemText(hDlg, 1018), "typed text");

    // A choice longer than 80 bytes (up to a whole path) lands in the field.
    const std::string folder = "C:\\korvane_browse_" + std::string(100, 'f');
    const std::string chosen = folder + "\\a program with a long path.exe";
    CreateDirectoryA(folder.c_str(), nullptr);
    HANDLE hFile = CreateFileA(chosen.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CHECK_TRUE(hFile != INVALID_HANDLE_VALUE);
    CloseHandle(hFile);
    CHECK_TRUE(PostCommand(hDlg, 1019));
    hOpen = WaitOtherDialog(k.Pid(), hDlg);
    CHECK_TRUE(hOpen);
    CHECK_TRUE(SetFileName(hOpen, chosen));
    PostCommand(hOpen, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hOpen); }, 3000));
    EXPECT_TRUE(WaitUntil([&] { return _stricmp(ItemText(hDlg, 1018).c_str(), chosen.c_str()) == 0; }, 3000));
    printf("    picked %u bytes: %s\n", static_cast<unsigned>(ItemText(hDlg, 1018).size()), ItemText(hDlg, 1018).c_str());
    DeleteFileA(chosen.c_str());
    RemoveDirectoryA(folder.c_str());
    EXPECT_TRUE(CloseDialog(hDlg));
    EXPECT_TRUE(k.Exit());
}

// OK on an empty field: whatever the shell answers, nothing enters the history and the program
// stays up.
E2E_TEST(NewTaskEmptyCommandIsNeverRecorded)
{
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    ClearHistory();
    HWND hDlg = OpenNewTask(hMain);
    CHECK_TRUE(hDlg);
    EXPECT_STREQ(ItemText(hDlg, 1018), "");
    PostCommand(hDlg, IDOK);
    HWND hBox = nullptr;
    WaitUntil([&] { return !IsWindow(hDlg) || (hBox = WaitOtherDialog(k.Pid(), hDlg)) != nullptr; }, 3000);
    printf("    empty command: %s\n", IsWindow(hDlg) ? (hBox ? "message box" : "dialog open") : "dialog closed");
    if (hBox) {
        PostCommand(hBox, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hBox); }, 3000));
        EXPECT_TRUE(CloseDialog(hDlg));
    }
    EXPECT_FALSE(HasHistoryEntry(0));
    EXPECT_TRUE(k.Running());
    EXPECT_TRUE(k.Exit());
}

// A program whose path holds spaces starts from the text typed without quotes (the whole text is
// the file name), with no arguments and the plain show command, and is recorded as typed.
E2E_TEST(NewTaskPathWithSpacesIsOneFileName)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    const std::string folder = KorvaneDir() + "\\new task folder";
    const std::string program = folder + "\\started by korvane.exe";
    const std::string record = program + ".txt";
    CreateDirectoryA(folder.c_str(), nullptr);
    DeleteFileA(record.c_str());
    CHECK_TRUE(CopyFileA(self, program.c_str(), FALSE));

    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    ClearHistory();
    EXPECT_TRUE(RunCommand(hMain, program));
    std::string line, show;
    EXPECT_TRUE(WaitUntil([&] {
        FILE* f = fopen(record.c_str(), "r");
        if (!f)
            return false;
        char a[1024] = {}, b[32] = {};
        bool ok = fgets(a, sizeof a, f) && fgets(b, sizeof b, f);
        fclose(f);
        line = a;
        show = b;
        return ok;
    }, 10000));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    printf("    started as: %s\n", line.c_str());
    // The program's own name, quoted or not, and nothing after it.
    std::string rest = line;
    if (!rest.empty() && rest[0] == '"')
        rest = rest.substr(rest.find('"', 1) + 1);
    else
        rest = rest.size() >= program.size() ? rest.substr(program.size()) : rest;
    EXPECT_EQ(rest.find_first_not_of(' '), std::string::npos);
    EXPECT_EQ(atoi(show.c_str()), SW_SHOW);
    EXPECT_STREQ(HistoryEntry(0), program);
    EXPECT_FALSE(HasHistoryEntry(1));
    EXPECT_TRUE(k.Exit());
    ClearHistory();
    DeleteFileA(record.c_str());
    DeleteFileA(program.c_str());
    RemoveDirectoryA(folder.c_str());
}
