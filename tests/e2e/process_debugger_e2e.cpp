// Debuggers started from the Processes tab under Wine: the command lines and working directory
// each debugger gets, the message when the development studio's debugger is missing, and
// dialog 146 when the sibling debugger is not installed. Stand-in debuggers are copies of this
// program that only record how they were started.
#include "dialog_template.h"
#include "process_tab.h"
#include <stdlib.h>
#include <string.h>
#include <string>

using namespace e2e;

namespace {

const UINT kCmdDebug = 32784;
const UINT kCmdDebugQuenbrix = 32792;
const char kStudioKey[] = "Software\\classes\\dswfile\\defaultIcon";
const char kQuenbrixKey[] = "Software\\Marrowfen\\Quenbrix";

std::string OwnFolder()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    return std::string(self, strrchr(self, '\\'));
}

std::string BaseName(const char* path)
{
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// Started under a debugger's name, this program writes its command line and working directory
// to "<name>.txt" next to itself and ends before the test runner starts.
int RecordIfStartedAsDebugger()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string name = BaseName(self);
    if (_stricmp(name.c_str(), "quenbrix.exe") != 0 && _stricmp(name.c_str(), "msdev.exe") != 0)
        return 0;
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof cwd, cwd);
    std::string record = OwnFolder() + "\\" + name + ".txt";
    if (FILE* f = fopen(record.c_str(), "w")) {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        GetStartupInfoA(&si);
        int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;
        fprintf(f, "%s\n%s\n%d\n", GetCommandLineA(), cwd, show);
        fclose(f);
    }
    ExitProcess(0);
}
const int g_recorder = RecordIfStartedAsDebugger();

// Started as "browser.exe" (the test's handler of http addresses), this program appends its
// command line to "browser.exe.txt" next to itself and ends.
int RecordIfStartedAsBrowser()
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    if (_stricmp(BaseName(self).c_str(), "browser.exe") != 0)
        return 0;
    std::string record = OwnFolder() + "\\browser.exe.txt";
    if (FILE* f = fopen(record.c_str(), "a")) {
        fprintf(f, "%s\n", GetCommandLineA());
        fclose(f);
    }
    ExitProcess(0);
}
const int g_browser = RecordIfStartedAsBrowser();

// A stand-in debugger: this program copied under the debugger's name into a folder.
class StandIn {
public:
    StandIn(const std::string& folder, const char* name) : m_path(folder + "\\" + name), m_record(m_path + ".txt")
    {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, sizeof self);
        CreateDirectoryA(folder.c_str(), nullptr);
        DeleteFileA(m_record.c_str());
        m_ok = CopyFileA(self, m_path.c_str(), FALSE) != FALSE;
    }
    ~StandIn()
    {
        DeleteFileA(m_path.c_str());
        DeleteFileA(m_record.c_str());
    }
    bool ok() const { return m_ok; }
    const std::string& Path() const { return m_path; }
    // The parameters after the program's own name on the recorded command line, and the
    // recorded working directory; false until the stand-in has run.
    bool Recorded(std::string* parameters, std::string* directory) const
    {
        FILE* f = fopen(m_record.c_str(), "r");
        if (!f)
            return false;
        char line[1024] = {}, dir[MAX_PATH] = {};
        bool ok = fgets(line, sizeof line, f) && fgets(dir, sizeof dir, f);
        fclose(f);
        if (!ok)
            return false;
        std::string cmd = line, cwd = dir;
        while (!cmd.empty() && (cmd.back() == '\n' || cmd.back() == '\r'))
            cmd.pop_back();
        while (!cwd.empty() && (cwd.back() == '\n' || cwd.back() == '\r'))
            cwd.pop_back();
        size_t start = 0;
        if (!cmd.empty() && cmd[0] == '"')
            start = cmd.find('"', 1) + 1;
        else
            start = cmd.find(' ');
        start = cmd.find_first_not_of(' ', start == std::string::npos ? cmd.size() : start);
        *parameters = start == std::string::npos ? std::string() : cmd.substr(start);
        *directory = cwd;
        return true;
    }

    // The show state the stand-in was started with (-1 when none was given, -2 before it ran).
    int ShowState() const
    {
        FILE* f = fopen(m_record.c_str(), "r");
        if (!f)
            return -2;
        char line[1024] = {};
        int show = -2;
        for (int i = 0; i < 3 && fgets(line, sizeof line, f); ++i)
            show = i == 2 ? atoi(line) : show;
        fclose(f);
        return show;
    }

private:
    std::string m_path;
    std::string m_record;
    bool m_ok = false;
};

// Selects this test program's own row, whose number is known.
bool SelectOwnRow(ProcessTab& s)
{
    int row = -1;
    return WaitUntil([&] { return (row = FindRow(s.list, GetCurrentProcessId())) >= 0; }, kTwoRefreshes) &&
           SelectRow(s.list, row);
}

HWND WaitDialog(DWORD pid)
{
    HWND dlg = nullptr;
    WaitUntil([&] {
        std::vector<HWND> dialogs = FindDialogs(pid);
        dlg = dialogs.empty() ? nullptr : dialogs[0];
        return dlg != nullptr;
    }, 5000);
    return dlg;
}

}  // namespace

E2E_TEST(SiblingDebuggerGetsTheNegatedNumberAndRunsInItsFolder)
{
    std::string folder = OwnFolder() + "\\quenbrix";
    StandIn quenbrix(folder, "quenbrix.exe");
    CHECK_TRUE(quenbrix.ok());
    ProcessTab s;
    CHECK_TRUE(s.Start());
    CHECK_TRUE(WriteRegValue(HKEY_LOCAL_MACHINE, kQuenbrixKey, "Directory", folder));
    CHECK_TRUE(SelectOwnRow(s));
    CHECK_TRUE(PostCommand(s.page, kCmdDebugQuenbrix));
    std::string parameters, directory;
    EXPECT_TRUE(WaitUntil([&] { return quenbrix.Recorded(&parameters, &directory); }, 10000));
    EXPECT_STREQ(parameters, "p" + Number(0u - GetCurrentProcessId()));
    EXPECT_EQ(quenbrix.ShowState(), SW_SHOWNORMAL);
    EXPECT_EQ(_stricmp(directory.c_str(), folder.c_str()), 0);
    EXPECT_TRUE(FindDialogs(s.k.Pid()).empty());
    DeleteRegKey(HKEY_LOCAL_MACHINE, kQuenbrixKey);
    RemoveDirectoryA(folder.c_str());
}

E2E_TEST(SiblingDebuggerMissingShowsDialog146)
{
    CHECK_TRUE(DeleteRegKey(HKEY_LOCAL_MACHINE, kQuenbrixKey));
    ProcessTab s;
    CHECK_TRUE(s.Start());
    CHECK_TRUE(SelectOwnRow(s));
    CHECK_TRUE(PostCommand(s.page, kCmdDebugQuenbrix));
    HWND dlg = WaitDialog(s.k.Pid());
    CHECK_TRUE(dlg);
    EXPECT_STREQ(WindowText(dlg), "没有找到 Quenbrix 调试器");
    EXPECT_STREQ(ItemText(dlg, 1005), "访问我们的主页");
    EXPECT_STREQ(ItemText(dlg, 1006), "立即下载 Quenbrix 调试器");
    EXPECT_STREQ(ItemText(dlg, IDCANCEL), "取消");
    EXPECT_TRUE(StaticTexts(dlg).size() >= 3);
    // The web buttons hand their pages to the shell and leave the dialog open.
    SendMessageA(Item(dlg, 1005), BM_CLICK, 0, 0);
    SendMessageA(Item(dlg, 1006), BM_CLICK, 0, 0);
    Sleep(500);
    EXPECT_TRUE(IsWindow(dlg) && IsVisible(dlg));
    // Cancel closes it; the page is still there.
    SendMessageA(Item(dlg, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return FindDialogs(s.k.Pid()).empty(); }, 3000));
    EXPECT_TRUE(IsVisible(s.page));
    EXPECT_TRUE(s.k.Exit());
}

// Dialog 146 as built into the exe: the icon, the three texts and the three buttons where the
// layout puts them (the running dialog shows the icon at its own size, so only the template
// tells where it was meant to go).
E2E_TEST(Dialog146TemplateHasItsLayout)
{
    DialogTemplate t = LoadDialogTemplate(146);
    CHECK_TRUE(t.ok);
    EXPECT_STREQ(t.caption, "没有找到 Quenbrix 调试器");
    EXPECT_STREQ(t.font, "宋体");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.cx, 245);
    EXPECT_EQ(t.cy, 167);
    struct Expected {
        int id;
        int x, y, cx, cy;  // cx and cy -1: not fixed by the layout
    };
    const Expected layout[] = {
        {-1, 7, 13, -1, -1},       {-1, 41, 15, 173, 8},      {-1, 41, 27, 187, 61}, {-1, 43, 93, 169, 8},
        {1005, 73, 109, 109, 14}, {1006, 73, 125, 109, 14}, {IDCANCEL, 188, 146, 50, 14},
    };
    CHECK_EQ(t.controls.size(), sizeof layout / sizeof layout[0]);
    for (size_t i = 0; i < t.controls.size(); ++i) {
        const TemplateControl& c = t.controls[i];
        EXPECT_EQ(c.id, layout[i].id);
        EXPECT_EQ(c.x, layout[i].x);
        EXPECT_EQ(c.y, layout[i].y);
        if (layout[i].cx >= 0) {
            EXPECT_EQ(c.cx, layout[i].cx);
            EXPECT_EQ(c.cy, layout[i].cy);
        }
    }
    EXPECT_STREQ(t.controls[0].text, "#148");
    EXPECT_EQ(t.controls[0].style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
    // An icon static of no size in the template would be a resource compiler fault.
    EXPECT_TRUE(t.controls[0].cx > 0 && t.controls[0].cy > 0);
    EXPECT_STREQ(t.controls[4].text, "访问我们的主页");
    EXPECT_STREQ(t.controls[5].text, "立即下载 Quenbrix 调试器");
    EXPECT_STREQ(t.controls[6].text, "取消");
}

E2E_TEST(StudioDebuggerGetsDashPAndTheNumber)
{
    std::string folder = OwnFolder() + "\\devstudio";
    StandIn msdev(folder, "msdev.exe");
    CHECK_TRUE(msdev.ok());
    ProcessTab s;
    CHECK_TRUE(s.Start());
    CHECK_TRUE(WriteRegValue(HKEY_LOCAL_MACHINE, kStudioKey, "", msdev.Path() + ",1"));
    CHECK_TRUE(SelectOwnRow(s));
    CHECK_TRUE(PostCommand(s.page, kCmdDebug));
    std::string parameters, directory;
    EXPECT_TRUE(WaitUntil([&] { return msdev.Recorded(&parameters, &directory); }, 10000));
    EXPECT_STREQ(parameters, "-p " + Number(GetCurrentProcessId()));
    EXPECT_EQ(msdev.ShowState(), SW_SHOWNORMAL);
    EXPECT_TRUE(FindDialogs(s.k.Pid()).empty());
    DeleteRegKey(HKEY_LOCAL_MACHINE, "Software\\classes\\dswfile");
    RemoveDirectoryA(folder.c_str());
}

E2E_TEST(StudioDebuggerMissingOrWithoutCommaShowsMessage107)
{
    const char* values[] = {nullptr, "C:\\MSDEV.EXE"};
    for (const char* value : values) {
        CHECK_TRUE(DeleteRegKey(HKEY_LOCAL_MACHINE, "Software\\classes\\dswfile"));
        if (value)
            CHECK_TRUE(WriteRegValue(HKEY_LOCAL_MACHINE, kStudioKey, "", value));
        ProcessTab s;
        CHECK_TRUE(s.Start());
        CHECK_TRUE(SelectOwnRow(s));
        CHECK_TRUE(PostCommand(s.page, kCmdDebug));
        HWND box = WaitDialog(s.k.Pid());
        CHECK_TRUE(box);
        std::vector<std::string> texts = StaticTexts(box);
        bool found = false;
        for (const std::string& t : texts)
            found = found || t == "没有发现 Microsoft Visual Studio 调试程序";
        EXPECT_TRUE(found);
        SendMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return FindDialogs(s.k.Pid()).empty(); }, 3000));
        EXPECT_TRUE(s.k.Exit());
    }
    DeleteRegKey(HKEY_LOCAL_MACHINE, "Software\\classes\\dswfile");
}

namespace {

// The message box the program shows, with its texts and visible buttons.
struct Box {
    HWND hwnd = nullptr;
    std::string title;
    std::vector<std::string> texts;
    std::vector<int> buttons;
};

Box WaitBox(DWORD pid)
{
    Box b;
    b.hwnd = WaitDialog(pid);
    if (!b.hwnd)
        return b;
    b.title = WindowText(b.hwnd);
    b.texts = StaticTexts(b.hwnd);
    for (HWND h = GetWindow(b.hwnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (ClassName(h) == "Button" && IsWindowVisible(h))
            b.buttons.push_back(GetDlgCtrlID(h));
    }
    return b;
}

bool HasText(const Box& b, const std::string& text)
{
    for (const std::string& t : b.texts) {
        if (t == text)
            return true;
    }
    return false;
}

// The command lines the http handler was started with, in order.
std::vector<std::string> BrowserRecord()
{
    std::vector<std::string> lines;
    FILE* f = fopen((OwnFolder() + "\\browser.exe.txt").c_str(), "r");
    if (!f)
        return lines;
    char line[1024];
    while (fgets(line, sizeof line, f)) {
        std::string l = line;
        while (!l.empty() && (l.back() == '\n' || l.back() == '\r'))
            l.pop_back();
        lines.push_back(l);
    }
    fclose(f);
    return lines;
}

}  // namespace

// Message 107 in full with an OK button only, whenever the studio's debugger can't be started:
// a path the shell can't start, and a value too long for the 80-byte buffer even though it names
// a program that exists.
E2E_TEST(StudioDebuggerThatCannotStartShowsMessage107WithOkOnly)
{
    std::string folder = OwnFolder() + "\\devstudio";
    StandIn msdev(folder, "msdev.exe");
    CHECK_TRUE(msdev.ok());
    std::string padded = folder;
    while (padded.size() < 90)
        padded += "\\.";
    const std::string values[] = {"C:\\no such folder\\msdev.exe,1", padded + "\\msdev.exe,1"};
    for (const std::string& value : values) {
        CHECK_TRUE(DeleteRegKey(HKEY_LOCAL_MACHINE, "Software\\classes\\dswfile"));
        CHECK_TRUE(WriteRegValue(HKEY_LOCAL_MACHINE, kStudioKey, "", value));
        ProcessTab s;
        CHECK_TRUE(s.Start());
        CHECK_TRUE(SelectOwnRow(s));
        CHECK_TRUE(PostCommand(s.page, kCmdDebug));
        Box box = WaitBox(s.k.Pid());
        CHECK_TRUE(box.hwnd);
        EXPECT_TRUE(HasText(box, "没有发现 Microsoft Visual Studio 调试程序"));
        EXPECT_EQ(box.buttons.size(), 1u);
        EXPECT_EQ(box.buttons.empty() ? 0 : box.buttons[0], IDOK);
        EXPECT_STREQ(box.title, "Korvane");
        std::string parameters, directory;
        EXPECT_FALSE(msdev.Recorded(&parameters, &directory));
        SendMessageA(box.hwnd, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntil([&] { return FindDialogs(s.k.Pid()).empty(); }, 3000));
        EXPECT_TRUE(s.k.Exit());
    }
    DeleteRegKey(HKEY_LOCAL_MACHINE, "Software\\classes\\dswfile");
    RemoveDirectoryA(folder.c_str());
}

// The sibling debugger: a "Directory" too long for the 80-byte path once "\quenbrix.exe" is
// added counts as not installed (dialog 146); one that just fits but holds no program fails
// silently.
E2E_TEST(SiblingDebuggerDirectoryTooLongOrEmptyOfTheProgram)
{
    ProcessTab s;
    CHECK_TRUE(s.Start());
    CHECK_TRUE(SelectOwnRow(s));
    // 67 characters plus "\quenbrix.exe" is 80: no room for the terminating zero.
    std::string tooLong = "C:\\" + std::string(64, 'q');
    CHECK_TRUE(WriteRegValue(HKEY_LOCAL_MACHINE, kQuenbrixKey, "Directory", tooLong));
    CHECK_TRUE(PostCommand(s.page, kCmdDebugQuenbrix));
    HWND dlg = WaitDialog(s.k.Pid());
    CHECK_TRUE(dlg);
    EXPECT_STREQ(WindowText(dlg), "没有找到 Quenbrix 调试器");
    SendMessageA(Item(dlg, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return FindDialogs(s.k.Pid()).empty(); }, 3000));

    // One character less fits (79 and the zero): the start is tried, fails, and shows nothing.
    CHECK_TRUE(WriteRegValue(HKEY_LOCAL_MACHINE, kQuenbrixKey, "Directory", tooLong.substr(0, 66)));
    CHECK_TRUE(SelectOwnRow(s));
    CHECK_TRUE(PostCommand(s.page, kCmdDebugQuenbrix));
    Sleep(1500);
    EXPECT_TRUE(Sync(s.page));
    EXPECT_TRUE(FindDialogs(s.k.Pid()).empty());
    EXPECT_TRUE(s.k.Running());
    DeleteRegKey(HKEY_LOCAL_MACHINE, kQuenbrixKey);
    EXPECT_TRUE(s.k.Exit());
}

// Dialog 146's web buttons hand their addresses to the shell's http handler (a stand-in here),
// once per press, and leave the dialog open.
E2E_TEST(Dialog146WebButtonsOpenTheirPagesOncePerPress)
{
    const char kHandlerKey[] = "Software\\Classes\\http\\shell\\open\\command";
    std::string oldHandler;
    bool hadHandler = ReadRegValue(HKEY_LOCAL_MACHINE, kHandlerKey, "", &oldHandler);
    StandIn browser(OwnFolder(), "browser.exe");
    CHECK_TRUE(browser.ok());
    DeleteFileA((OwnFolder() + "\\browser.exe.txt").c_str());
    CHECK_TRUE(WriteRegValue(HKEY_LOCAL_MACHINE, kHandlerKey, "", "\"" + browser.Path() + "\" \"%1\""));
    CHECK_TRUE(DeleteRegKey(HKEY_LOCAL_MACHINE, kQuenbrixKey));

    ProcessTab s;
    CHECK_TRUE(s.Start());
    CHECK_TRUE(SelectOwnRow(s));
    CHECK_TRUE(PostCommand(s.page, kCmdDebugQuenbrix));
    HWND dlg = WaitDialog(s.k.Pid());
    CHECK_TRUE(dlg);
    SendMessageA(Item(dlg, 1005), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return BrowserRecord().size() == 1; }, 10000));
    SendMessageA(Item(dlg, 1005), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return BrowserRecord().size() == 2; }, 10000));
    SendMessageA(Item(dlg, 1006), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return BrowserRecord().size() == 3; }, 10000));
    Sleep(500);
    std::vector<std::string> opened = BrowserRecord();
    CHECK_EQ(opened.size(), 3u);
    for (const std::string& line : opened)
        printf("    opened: %s\n", line.c_str());
    EXPECT_TRUE(opened[0].find("http://www.marrowfen.example/") != std::string::npos);
    EXPECT_STREQ(opened[0], opened[1]);
    EXPECT_TRUE(opened[2].find("http://www.marrowfen.example/quenbrix/download.html") != std::string::npos);
    EXPECT_TRUE(IsWindow(dlg) && IsVisible(dlg));
    SendMessageA(Item(dlg, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return FindDialogs(s.k.Pid()).empty(); }, 3000));
    EXPECT_TRUE(s.k.Exit());

    if (hadHandler)
        WriteRegValue(HKEY_LOCAL_MACHINE, kHandlerKey, "", oldHandler);
    else
        DeleteRegValue(HKEY_LOCAL_MACHINE, kHandlerKey, "");
    DeleteFileA((OwnFolder() + "\\browser.exe.txt").c_str());
}
