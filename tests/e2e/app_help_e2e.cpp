// The help commands under Wine: "内容(&C)" opens Korvane.hlp beside the program, whatever the
// current directory, the standard help command the help file named after the program beside it,
// both through the shell (Wine's shell starts winhlp32.exe for a .hlp file); a missing file opens
// nothing and the program goes on answering.
#include "Harness.h"
#include <stdio.h>
#include <tlhelp32.h>
#include <set>

using namespace e2e;

namespace {

const UINT kCmdStandardHelp = 57670;

std::set<DWORD> HelpViewers()
{
    std::set<DWORD> pids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return pids;
    PROCESSENTRY32 pe = {};
    pe.dwSize = sizeof pe;
    for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe)) {
        if (lstrcmpiA(pe.szExeFile, "winhlp32.exe") == 0)
            pids.insert(pe.th32ProcessID);
    }
    CloseHandle(snap);
    return pids;
}

void EndHelpViewers()
{
    for (DWORD pid : HelpViewers()) {
        HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (!h)
            continue;
        TerminateProcess(h, 0);
        WaitForSingleObject(h, 3000);
        CloseHandle(h);
    }
}

bool WriteFile(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    fputs("not a real help file", f);
    return fclose(f) == 0;
}

// A fresh folder under the temporary directory, empty.
std::string EmptyFolder(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string dir = std::string(temp) + name;
    CreateDirectoryA(dir.c_str(), nullptr);
    DeleteFileA((dir + "\\Korvane.hlp").c_str());
    return dir;
}

// Starts the program in `cwd`, sends the command, and says whether a help viewer came up.
bool CommandOpensAViewer(UINT command, const std::string& cwd)
{
    EndHelpViewers();
    Korvane k;
    if (!k.Start("", cwd.c_str()) || !k.WaitReady())
        return false;
    bool opened = false;
    if (SendCommand(k.Window(), command)) {
        opened = WaitUntil([] { return !HelpViewers().empty(); }, 3000, 50);
        // Whatever happened, the program still answers at once: nothing waits for a viewer.
        if (!Sync(k.Window(), 2000))
            opened = false;
    }
    EndHelpViewers();
    k.Exit();
    return opened;
}

}  // namespace

E2E_TEST(HelpContentsOpensKorvaneHlpBesideTheProgram)
{
    ResetKorvaneRegistry();
    // Started from the Run key the current directory is the Windows folder: a help file there is
    // not the program's.
    std::string cwd = EmptyFolder("kvhelp_with");
    CHECK_TRUE(WriteFile(cwd + "\\Korvane.hlp"));
    std::string beside = KorvaneDir() + "\\Korvane.hlp";
    DeleteFileA(beside.c_str());
    EXPECT_FALSE(CommandOpensAViewer(kCmdHelpContents, cwd));
    DeleteFileA((cwd + "\\Korvane.hlp").c_str());
    CHECK_TRUE(WriteFile(beside));
    EXPECT_TRUE(CommandOpensAViewer(kCmdHelpContents, cwd));
    DeleteFileA(beside.c_str());
}

E2E_TEST(StandardHelpCommandOpensTheHelpFileBesideTheProgram)
{
    ResetKorvaneRegistry();
    // The current directory holds no help file: only the one beside korvane.exe can be opened.
    std::string cwd = EmptyFolder("kvhelp_without");
    std::string beside = KorvaneDir() + "\\korvane.hlp";
    DeleteFileA(beside.c_str());
    EXPECT_FALSE(CommandOpensAViewer(kCmdStandardHelp, cwd));
    CHECK_TRUE(WriteFile(beside));
    EXPECT_TRUE(CommandOpensAViewer(kCmdStandardHelp, cwd));
    DeleteFileA(beside.c_str());
}
