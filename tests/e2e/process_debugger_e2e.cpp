// Debuggers started from the Processes tab under Wine: the command lines and working directory
// each debugger gets, the message when the development studio's debugger is missing, and
// dialog 146 when the sibling debugger is not installed. Stand-in debuggers are copies of this
// program that only record how they were started.
#include "dialog_template.h"
#include "process_tab.h"
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
        fprintf(f, "%s\n%s\n", GetCommandLineA(), cwd);
        fclose(f);
    }
    ExitProcess(0);
}
const int g_recorder = RecordIfStartedAsDebugger();

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
