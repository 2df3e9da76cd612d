// End-to-end harness: drives korvane.exe from a console program running in the same Wine
// prefix, the way a user would. Narrow texts are GBK (the sources are compiled with
// -fexec-charset=GBK). Every wait has a timeout; nothing here blocks forever.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <functional>
#include <string>
#include <vector>
#include "Check.h"

namespace e2e {

// Fixed names of the program.
extern const char kMainTitle[];      // "Windows 任务管理器"
extern const char kDialogClass[];    // "#32770"
extern const char kSettingsKey[];    // Software\Marrowfen\Korvane (HKLM)
extern const char kRunKey[];         // Software\Microsoft\Windows\CurrentVersion\Run (HKLM)

// Command ids of the main menu and the Exit command.
enum : UINT {
    kCmdExit = 57665, kCmdAbout = 57664, kCmdNewTask = 32772, kCmdTopmost = 32773, kCmdRefreshNow = 32774,
    kCmdHelpContents = 32775, kCmdHideOnMin = 32777, kCmdSpeedHigh = 32778, kCmdSpeedNormal = 32779,
    kCmdSpeedLow = 32780, kCmdSpeedPause = 32781, kCmdSpeedRealtime = 32782, kCmdLock = 32793,
    kCmdTakeover = 32794, kCmdShutdown = 32795, kCmdAutoBoot = 32796, kCmdSetPassword = 1005,
    kCmdRestore = 32805,
};
enum : int { kTabControlId = 1000 };

// --- waiting -------------------------------------------------------------------------------
// Polls cond every stepMs until it holds or timeoutMs passed; returns its last result.
bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs = 5000, DWORD stepMs = 20);

// --- the program ---------------------------------------------------------------------------
// Windows path of korvane.exe (environment variable KORVANE_EXE) and its folder.
std::string KorvaneExe();
std::string KorvaneDir();

// One started korvane.exe. The destructor kills the process if it still runs.
class Korvane {
public:
    Korvane() = default;
    ~Korvane();
    Korvane(const Korvane&) = delete;
    Korvane& operator=(const Korvane&) = delete;

    // Starts korvane.exe with the given arguments; cwd nullptr = the test's own folder.
    bool Start(const std::string& args = "", const char* cwd = nullptr);
    // Starts the exe at path as the system starts a Run entry: the program named and the command
    // line handed on exactly as given (Wine then quotes nothing).
    bool StartAs(const std::string& path, const std::string& commandLine);
    // Start and wait until the main window is ready; returns the window or nullptr.
    // The default wait is generous: a start under Wine on a busy machine (two suites side by
    // side, a build beside them) can take well over ten seconds; bench/startup.sh measures it.
    HWND StartReady(const std::string& args = "", DWORD timeoutMs = kStartMs);
    // Waits until start-up has finished: the program runs in the high priority class (its last
    // start-up step but the hot keys) and its main window, with three tabs, answers WM_NULL.
    HWND WaitReady(DWORD timeoutMs = kStartMs);
    static const DWORD kStartMs = 30000;
    // One look at that state: the ready main window or nullptr.
    HWND ReadyWindow() const;
    HWND Window() const { return m_hwnd; }
    DWORD Pid() const { return m_pi.dwProcessId; }
    HANDLE Process() const { return m_pi.hProcess; }

    bool Running() const;
    bool WaitEnd(DWORD timeoutMs);      // true when the process has ended
    DWORD ExitCode() const;             // STILL_ACTIVE while running
    // Sends Exit (command 57665) and waits for the process to end.
    bool Exit(DWORD timeoutMs = 5000);
    void Kill();

private:
    bool Launch(const char* application, const std::string& commandLine, const char* cwd);

    PROCESS_INFORMATION m_pi = {};
    HWND m_hwnd = nullptr;
};

// Ends every korvane.exe left running in this Wine prefix (a crashed earlier test program's);
// the runner calls it before the first test case.
void EndStrayKorvanes();
// Prints each korvane.exe of this prefix: its top-level windows and whether they answer, and the
// state of its Linux process.
void DescribeKorvanes();

// How a process ended, from its exit code: "exit code 0x80000101 (...)" with the meaning of the
// codes Wine gives a process that crashed.
std::string HowItEnded(DWORD exitCode);
// A helper program of a test (not korvane.exe) that is found ended on its own with a code other
// than 0: prints one line naming it, its process id and how it ended, and returns true.
bool ReportEndedHelper(const char* name, DWORD pid, HANDLE process);

// Top-level window of class "#32770" titled "Windows 任务管理器"; pid 0 = any process.
HWND FindMainWindow(DWORD pid = 0);
// Every such window (to check that no second one appeared).
std::vector<HWND> FindMainWindows();
// True when the window belongs to pid, has a tab control with 3 items and answers WM_NULL.
bool IsReady(HWND hwnd);
DWORD WindowPid(HWND hwnd);

// --- messages ------------------------------------------------------------------------------
// WM_COMMAND with id (code 0) through SendMessageTimeout; false when the window did not answer.
bool SendCommand(HWND hwnd, UINT id, DWORD timeoutMs = 5000);
bool PostCommand(HWND hwnd, UINT id);
// WM_SYSCOMMAND (SC_CLOSE, SC_MINIMIZE, ...), posted: the default handling may run a modal loop.
bool PostSysCommand(HWND hwnd, UINT sc);
// A WM_NULL round trip. It does not prove that earlier posted messages were handled to the end:
// a handler that waits on another process (the tray, a cross-process send) answers it midway.
// Wait for the expected state with WaitUntil instead.
bool Sync(HWND hwnd, DWORD timeoutMs = 5000);

// --- keyboard ------------------------------------------------------------------------------
// Presses the keys in order and releases them in reverse, through SendInput: under Wine this
// goes through the wineserver's input queue, which also matches registered hot keys, so the
// program gets WM_HOTKEY, e.g. PressKeys({VK_CONTROL, 'T'}) while its window is hidden.
// With managed X windows (Wine's default) Wine 8 loses these presses once the program has
// minimised its window; scripts/wine-prefix.sh therefore makes the prefix's windows unmanaged.
bool PressKeys(const std::vector<BYTE>& vks);
// Whether a global hot key is bound by some program: tries to bind it from this process.
bool HotKeyTaken(UINT modifiers, UINT vk);
// Posts WM_HOTKEY as the system does when a bound hot key is pressed.
bool PostHotKey(HWND hwnd, int id, UINT modifiers, UINT vk);
// The same keys through `xdotool key` on the X display (names like "ctrl+t"), started with
// `start /unix`; false when xdotool could not be run. Wine sees X key events only while one of
// its windows has the X keyboard focus, so with the program hidden (no window manager) they
// are lost: use PressKeys for hot keys.
bool XdotoolKey(const char* keys);
// Starts a program from a whole command line (CreateProcessA without an application name); false,
// with the reason printed, when it cannot start. The caller closes both handles of *pi.
bool StartCommand(const std::string& commandLine, PROCESS_INFORMATION* pi, DWORD flags = 0);

// --- texts ---------------------------------------------------------------------------------
std::string WindowText(HWND hwnd);                  // WM_GETTEXT
std::string ClassName(HWND hwnd);
HWND Item(HWND dlg, int id);
std::string ItemText(HWND dlg, int id);
bool IsVisible(HWND hwnd);
bool IsMinimized(HWND hwnd);
bool IsTopmost(HWND hwnd);

// --- controls of another process ------------------------------------------------------------
// Memory in another process for messages that carry pointers (list view, tab control).
class RemoteMemory {
public:
    RemoteMemory(HWND owner, size_t size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    bool ok() const { return m_ptr != nullptr; }
    void* ptr() const { return m_ptr; }
    bool Write(const void* data, size_t size, size_t offset = 0);
    bool Read(void* data, size_t size, size_t offset = 0) const;
    HANDLE process() const { return m_process; }
    // Leaves the block allocated in the program, for a thread there that may still use it.
    void Abandon() { m_ptr = nullptr; }

private:
    HANDLE m_process = nullptr;
    void* m_ptr = nullptr;
    size_t m_size = 0;
};

int ListCount(HWND list);                           // LVM_GETITEMCOUNT, -1 when no answer
std::string ListCell(HWND list, int row, int col);  // LVM_GETITEMTEXTA across processes
std::vector<std::string> ListColumn(HWND list, int col);
int TabCount(HWND tab);
std::string TabText(HWND tab, int index);           // TCM_GETITEMA across processes
int TabCurSel(HWND tab);
// Selects a tab by clicking it (button messages at the centre of its rectangle), so the
// control itself notifies its parent with TCN_SELCHANGE (Wine does not carry WM_NOTIFY
// across processes). True when the tab is then the current one.
bool SelectTab(HWND tab, int index);

// --- the main window's menu bar -------------------------------------------------------------
// Wine keeps menus in the owning process (GetMenuState on another process's menu fails), so
// these run GetMenu/GetMenuState/GetMenuStringA inside korvane.exe on a remote thread.
// MF_* flags of the item with that command id, or -1 when it has none or the call failed.
int MenuState(HWND hwnd, UINT id);
bool MenuChecked(HWND hwnd, UINT id);
std::string MenuText(HWND hwnd, UINT id);           // "" when there is no such item
struct MenuEntry {
    int depth;          // 0 = menu bar
    UINT id;            // command id; 0 for separators; (UINT)-1 for submenus
    UINT state;         // MF_* flags (MF_SEPARATOR, MF_POPUP, MF_CHECKED, ...)
    std::string text;
};
// The whole menu bar, depth-first, in menu order.
std::vector<MenuEntry> MenuTree(HWND hwnd);
// Calls a function of user32/kernel32 (up to 5 pointer-sized arguments) inside the process
// owning hwnd, on a new thread; the function's address is taken from the same DLL loaded there.
bool RemoteCall(HWND hwnd, const char* dll, const char* function, const std::vector<DWORD_PTR>& args, DWORD* result);

// --- dialogs and message boxes of the program -----------------------------------------------
// Visible top-level "#32770" windows of process pid other than the main window.
std::vector<HWND> FindDialogs(DWORD pid);
// Texts of the dialog's Static children, in z order.
std::vector<std::string> StaticTexts(HWND dlg);
// Every top-level window of process pid, visible or not.
std::vector<HWND> TopLevelWindows(DWORD pid);

// --- registry (direct advapi32; root HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER) ---------------
bool ReadRegValue(HKEY root, const char* key, const char* name, std::string* text, DWORD* type = nullptr);
std::string RegText(HKEY root, const char* key, const char* name);  // "" when absent
bool RegValueExists(HKEY root, const char* key, const char* name);
bool WriteRegValue(HKEY root, const char* key, const char* name, const std::string& text);
bool WriteRegDword(HKEY root, const char* key, const char* name, DWORD value);
bool DeleteRegValue(HKEY root, const char* key, const char* name);
bool DeleteRegKey(HKEY root, const char* key);      // with its subkeys; true also when absent
bool RegKeyExists(HKEY root, const char* key);
// Names of all values of a key.
std::vector<std::string> RegValueNames(HKEY root, const char* key);
// Removes the program's settings key and its Run value: the next start is a first start.
void ResetKorvaneRegistry();
// Wine version reported to one program (HKCU\Software\Wine\AppDefaults\<exe>\Version):
// "win98", "winxp", ...; nullptr removes the override. Read by Wine when the program starts.
bool SetWineVersionFor(const char* exeName, const char* version);

// --- the host's files (Wine maps the Unix root to Z:) ----------------------------------------
// The whole of a file, also one of /proc that reports no size.
bool ReadWholeFile(const std::string& path, std::string* out);
// A figure of /proc/<pid>/status in K ("VmRSS:", "RssAnon:"), -1 when it cannot be read.
long ReadStatusK(int unixPid, const char* field);
// The Unix processes whose program's file name begins with name (lower case; the server may
// run as wineserver64) and whose environment carries this Wine prefix: other builds on the
// machine run their own copies. Newest first.
std::vector<int> FindUnixPids(const char* name);

// --- pictures ------------------------------------------------------------------------------
// Writes a 24-bit BMP of the window as it is on the screen.
bool SaveWindowBitmap(HWND hwnd, const char* path);
// A 32-bit top-down DIB section of w x h pixels (rows from the top, 0x00RRGGBB each) for dc;
// *bits points at its pixels. nullptr when it can't be made.
HBITMAP CreateTopDownDib(HDC dc, int w, int h, void** bits);

}  // namespace e2e
