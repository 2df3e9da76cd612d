// Helpers of the Applications page's end-to-end tests: start programs, find windows, read and
// select list-view items of another process, check results. Header-only; console programs.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

namespace apps_e2e {

inline int& Failures()
{
    static int n = 0;
    return n;
}

#define APPS_CHECK(cond, ...)                                                  \
    do {                                                                       \
        if (!(cond)) {                                                         \
            ++apps_e2e::Failures();                                            \
            printf("FAIL %s:%d: %s: ", __FILE__, __LINE__, #cond);             \
            printf(__VA_ARGS__);                                               \
            printf("\n");                                                      \
            fflush(stdout);                                                    \
        }                                                                      \
    } while (0)

// "Windows 任务管理器" and the page's texts, as GBK bytes.
const char kMainTitle[] = "Windows \xC8\xCE\xCE\xF1\xB9\xDC\xC0\xED\xC6\xF7";
const char kRunning[] = "\xD5\xFD\xD4\xDA\xD4\xCB\xD0\xD0";
const char kNotResponding[] = "\xCE\xB4\xCF\xEC\xD3\xA6";

inline std::string ExeDir()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = strrchr(path, '\\');
    if (slash)
        slash[1] = '\0';
    return path;
}

inline HANDLE Start(const std::string& cmdline, DWORD* pid = nullptr)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> buf(cmdline.begin(), cmdline.end());
    buf.push_back('\0');
    if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        printf("cannot start %s (%lu)\n", cmdline.c_str(), GetLastError());
        return nullptr;
    }
    CloseHandle(pi.hThread);
    if (pid)
        *pid = pi.dwProcessId;
    return pi.hProcess;
}

template <class Pred>
bool WaitFor(Pred pred, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (pred())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
}

inline HWND WaitWindow(const char* cls, const char* title, DWORD timeoutMs)
{
    HWND h = nullptr;
    WaitFor([&] { return (h = FindWindowA(cls, title)) != nullptr; }, timeoutMs);
    return h;
}

// A list-view control of another process, read through memory allocated in that process.
class RemoteList {
public:
    explicit RemoteList(HWND hList) : m_hList(hList)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(hList, &pid);
        m_hProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_hProcess)
            m_remote = VirtualAllocEx(m_hProcess, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteList()
    {
        if (m_remote)
            VirtualFreeEx(m_hProcess, m_remote, 0, MEM_RELEASE);
        if (m_hProcess)
            CloseHandle(m_hProcess);
    }
    RemoteList(const RemoteList&) = delete;
    RemoteList& operator=(const RemoteList&) = delete;

    int Count() const { return static_cast<int>(Send(LVM_GETITEMCOUNT, 0, 0)); }
    std::string Text(int item, int sub) const
    {
        LVITEMA lv = {};
        lv.iSubItem = sub;
        lv.cchTextMax = 1024;
        lv.pszText = static_cast<char*>(m_remote) + 512;
        Write(&lv, sizeof lv);
        Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(m_remote));
        char buf[1024] = {};
        ReadProcessMemory(m_hProcess, static_cast<char*>(m_remote) + 512, buf, sizeof buf - 1, nullptr);
        return buf;
    }
    int Image(int item) const
    {
        LVITEMA lv = {};
        lv.mask = LVIF_IMAGE;
        lv.iItem = item;
        Write(&lv, sizeof lv);
        Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(m_remote));
        ReadProcessMemory(m_hProcess, m_remote, &lv, sizeof lv, nullptr);
        return lv.iImage;
    }
    void Select(int item) const
    {
        LVITEMA lv = {};
        lv.state = LVIS_SELECTED | LVIS_FOCUSED;
        lv.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        Write(&lv, sizeof lv);
        Send(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(m_remote));
    }
    int ColumnWidth(int col) const { return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(col), 0)); }
    // Row whose column 2 holds the window handle, -1 when none does.
    int Find(HWND hWnd) const
    {
        char want[16];
        snprintf(want, sizeof want, "%d", static_cast<int>(reinterpret_cast<INT_PTR>(hWnd)));
        int n = Count();
        for (int i = 0; i < n; ++i) {
            if (Text(i, 2) == want)
                return i;
        }
        return -1;
    }
    int FindTitle(const std::string& title) const
    {
        int n = Count();
        for (int i = 0; i < n; ++i) {
            if (Text(i, 0) == title)
                return i;
        }
        return -1;
    }
    std::string StatusOf(HWND hWnd) const
    {
        int row = Find(hWnd);
        return row < 0 ? "<not listed>" : Text(row, 1);
    }

private:
    LRESULT Send(UINT msg, WPARAM wp, LPARAM lp) const
    {
        DWORD_PTR r = 0;
        SendMessageTimeoutA(m_hList, msg, wp, lp, SMTO_NORMAL, 5000, &r);
        return static_cast<LRESULT>(r);
    }
    void Write(const void* data, size_t size) const { WriteProcessMemory(m_hProcess, m_remote, data, size, nullptr); }

    HWND m_hList;
    HANDLE m_hProcess = nullptr;
    void* m_remote = nullptr;
};

// Without a window manager, Wine waits up to 2 s for a managed window to be withdrawn whenever one
// is hidden or destroyed (any dialog closing), which would show as a silence of the program under
// test that has nothing to do with it. Unmanaged windows have no such wait; programs started after
// this see the setting.
inline void UseUnmanagedWindows()
{
    HKEY h;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(h, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(h);
}

// Korvane started for a test: the main window, the Applications page and its list.
struct Korvane {
    HANDLE hProcess = nullptr;
    HWND hMain = nullptr;
    HWND hPage = nullptr;
    HWND hList = nullptr;

    bool Launch()
    {
        hProcess = Start("\"" + ExeDir() + "korvane.exe\"");
        if (!hProcess)
            return false;
        hMain = WaitWindow("#32770", kMainTitle, 20000);
        if (!hMain)
            return false;
        // The page is the child dialog that holds the task list (1001) and the button 1017.
        WaitFor([&] {
            for (HWND h = GetWindow(hMain, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
                if (GetDlgItem(h, 1017) && GetDlgItem(h, 1001)) {
                    hPage = h;
                    hList = GetDlgItem(h, 1001);
                    return true;
                }
            }
            return false;
        }, 10000);
        return hList != nullptr;
    }
    void Quit()
    {
        if (hMain)
            PostMessageA(hMain, WM_COMMAND, 57665, 0);  // File > Exit
        if (hProcess && WaitForSingleObject(hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(hProcess, 1);
        if (hProcess)
            CloseHandle(hProcess);
        hProcess = nullptr;
    }
};

// Measures, on a thread of its own, the longest time the main window took to answer messages.
class AnswerWatch {
public:
    explicit AnswerWatch(HWND hWnd) : m_hWnd(hWnd)
    {
        DWORD id;
        m_hThread = CreateThread(nullptr, 0, Run, this, 0, &id);
    }
    ~AnswerWatch() { Stop(); }
    DWORD Stop()
    {
        if (m_hThread) {
            m_stop = 1;
            WaitForSingleObject(m_hThread, INFINITE);
            CloseHandle(m_hThread);
            m_hThread = nullptr;
        }
        return m_longest;
    }

private:
    static DWORD WINAPI Run(LPVOID p)
    {
        AnswerWatch* self = static_cast<AnswerWatch*>(p);
        DWORD last = GetTickCount();
        while (!self->m_stop) {
            DWORD_PTR r;
            if (SendMessageTimeoutA(self->m_hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &r)) {
                DWORD now = GetTickCount();
                if (now - last > 500)
                    printf("main window silent for %lu ms, until tick %lu\n", now - last, now);
                if (now - last > self->m_longest)
                    self->m_longest = now - last;
                last = now;
            }
            Sleep(20);
        }
        return 0;
    }
    HWND m_hWnd;
    HANDLE m_hThread = nullptr;
    volatile LONG m_stop = 0;
    volatile DWORD m_longest = 0;
};

inline int Finish(const char* name)
{
    printf("%s: %s (%d failures)\n", name, Failures() ? "FAILED" : "passed", Failures());
    return Failures() ? 1 : 0;
}

}  // namespace apps_e2e
