// The quick shutdown under Wine, without shutting anything down: the program runs from a folder
// of its own next to a stand-in rundll32.exe (a copy of this test program), which the platform
// finds first in the program's folder. The stand-in records how it was started and ends.
#include "protect_e2e_helpers.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

using namespace e2e;
using namespace protect_e2e;

namespace {

const char kLogName[] = "rundll32.log";

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string OwnPath()
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    return self;
}

// Started under the name rundll32.exe, this program writes its command line, its show state and
// the program's stored "Topmost" setting as it finds it into rundll32.log beside itself and ends.
struct StandInMode {
    StandInMode()
    {
        std::string self = OwnPath();
        size_t n = self.size();
        if (n < 12 || lstrcmpiA(self.c_str() + n - 12, "rundll32.exe") != 0)
            return;
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        GetStartupInfoA(&si);
        std::string log = FolderOf(self) + "\\" + kLogName;
        if (FILE* f = fopen(log.c_str(), "w")) {
            fprintf(f, "%s\n%d\n%s\n", GetCommandLineA(),
                    (si.dwFlags & STARTF_USESHOWWINDOW) ? static_cast<int>(si.wShowWindow) : -1,
                    RegText(HKEY_LOCAL_MACHINE, kSettingsKey, "Topmost").c_str());
            fclose(f);
        }
        ExitProcess(0);
    }
} g_standInMode;

bool ReadLines(const std::string& path, std::string* first, std::string* second, std::string* third)
{
    FILE* f = fopen(path.c_str(), "r");
    if (!f)
        return false;
    char a[512] = {}, b[64] = {}, c[64] = {};
    bool ok = fgets(a, sizeof a, f) && fgets(b, sizeof b, f) && fgets(c, sizeof c, f);
    fclose(f);
    if (!ok)
        return false;
    a[strcspn(a, "\r\n")] = '\0';
    b[strcspn(b, "\r\n")] = '\0';
    c[strcspn(c, "\r\n")] = '\0';
    *first = a;
    *second = b;
    *third = c;
    return true;
}

// The program started from a folder of its own beside the stand-in rundll32.exe; the settings
// of a first start; KORVANE_EXE put back and the folder's log removed when this goes.
class ShutdownSetup {
public:
    ShutdownSetup()
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof temp, temp);
        m_dir = std::string(temp) + "korvane_shutdown_e2e";
        CreateDirectoryA(m_dir.c_str(), nullptr);
        std::string exe = m_dir + "\\korvane.exe";
        m_log = m_dir + "\\" + kLogName;
        DeleteFileA(m_log.c_str());
        m_ok = CopyFileA(KorvaneExe().c_str(), exe.c_str(), FALSE) &&
               CopyFileA(OwnPath().c_str(), (m_dir + "\\rundll32.exe").c_str(), FALSE);
        m_original = KorvaneExe();
        _putenv(("KORVANE_EXE=" + exe).c_str());
        ResetKorvaneRegistry();
    }
    ~ShutdownSetup()
    {
        _putenv(("KORVANE_EXE=" + m_original).c_str());
        DeleteFileA(m_log.c_str());
        ResetKorvaneRegistry();
    }
    bool ok() const { return m_ok; }
    HWND Start(Korvane& k) { return k.Start("", m_dir.c_str()) ? k.WaitReady() : nullptr; }
    // The stand-in's record: its command line, show state and the "Topmost" it found stored,
    // once it has been started.
    bool Started(std::string* commandLine, std::string* show, std::string* topmost = nullptr)
    {
        if (!WaitUntil([&] { return GetFileAttributesA(m_log.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000))
            return false;
        // The stand-in closes its file before it ends.
        std::string stored;
        return WaitUntil([&] { return ReadLines(m_log, commandLine, show, topmost ? topmost : &stored); }, 3000);
    }

private:
    std::string m_dir, m_log, m_original;
    bool m_ok = false;
};

}  // namespace

E2E_TEST(QuickShutdownStartsTheKernelExitHidden)
{
    ShutdownSetup setup;
    CHECK_TRUE(setup.ok());
    Korvane k;
    HWND w = setup.Start(k);
    CHECK_TRUE(w);
    // Windows ends with no end-of-session message: the settings of the session are stored
    // before the command starts, as Exit stores them.
    CHECK_TRUE(SendCommand(w, kCmdTopmost));
    EXPECT_TRUE(SendCommand(w, kCmdShutdown));
    std::string commandLine, show, topmost;
    EXPECT_TRUE(setup.Started(&commandLine, &show, &topmost));
    EXPECT_STREQ(commandLine, "rundll32 krnl386.exe,exitkernel");
    EXPECT_STREQ(show, "0");  // SW_HIDE
    EXPECT_STREQ(topmost, "0");
    // Nothing else happens: no confirmation, the program runs on.
    EXPECT_TRUE(k.Running());
    EXPECT_TRUE(FindDialogs(k.Pid()).empty());
    EXPECT_TRUE(k.Exit());
}

E2E_TEST(TrayQuickShutdownStartsTheSameCommandFromTheTray)
{
    ShutdownSetup setup;
    CHECK_TRUE(setup.ok());
    Korvane k;
    HWND w = setup.Start(k);
    CHECK_TRUE(w);
    HWND page = TrayPage(w);
    CHECK_TRUE(page);
    PostSysCommand(w, SC_CLOSE);  // into the tray
    CHECK_TRUE(WaitUntil([&] { return !IsVisible(w); }));
    // "快速关机(&S)": the page hands the command on to the main window.
    CHECK_TRUE(TrayCommand(page, 's'));
    std::string commandLine, show;
    EXPECT_TRUE(setup.Started(&commandLine, &show));
    EXPECT_STREQ(commandLine, "rundll32 krnl386.exe,exitkernel");
    EXPECT_STREQ(show, "0");
    EXPECT_TRUE(k.Running());
    EXPECT_FALSE(IsVisible(w));
    EXPECT_TRUE(FindDialogs(k.Pid()).empty());
    EXPECT_TRUE(k.Exit());
}
