// Helpers of the Applications page's end-to-end tests, over the e2e harness: the page and its
// list, rows found by window handle, selection across processes, the test window program, and a
// watch on how long the main window goes without answering.
#pragma once
#include "Harness.h"
#include <stdio.h>
#include <string>

namespace apps_e2e {

using namespace e2e;

// The page's texts as GBK bytes.
const char kRunning[] = "\xD5\xFD\xD4\xDA\xD4\xCB\xD0\xD0";      // 正在运行
const char kNotResponding[] = "\xCE\xB4\xCF\xEC\xD3\xA6";        // 未响应
// Messages the test window program understands (see testwin/testwin.cpp).
const UINT kTestHang = WM_APP + 1;  // wParam: milliseconds
const UINT kTestHide = WM_APP + 2;
const UINT kTestShow = WM_APP + 3;

// The Applications page: the main window's child dialog with the task list 1001 and button 1017.
inline HWND AppsPage(HWND hMain)
{
    for (HWND h = GetWindow(hMain, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (GetDlgItem(h, 1001) && GetDlgItem(h, 1017) && GetDlgItem(h, 1006))
            return h;
    }
    return nullptr;
}

inline std::string HandleText(HWND h)
{
    char buf[16];
    snprintf(buf, sizeof buf, "%d", static_cast<int>(reinterpret_cast<INT_PTR>(h)));
    return buf;
}

// Row of the list whose column 2 holds the window's handle, -1 when none does.
inline int FindRow(HWND hList, HWND hWnd)
{
    std::vector<std::string> handles = ListColumn(hList, 2);
    for (size_t i = 0; i < handles.size(); ++i) {
        if (handles[i] == HandleText(hWnd))
            return static_cast<int>(i);
    }
    return -1;
}

inline int FindTitleRow(HWND hList, const std::string& title)
{
    std::vector<std::string> titles = ListColumn(hList, 0);
    for (size_t i = 0; i < titles.size(); ++i) {
        if (titles[i] == title)
            return static_cast<int>(i);
    }
    return -1;
}

inline std::string StatusOf(HWND hList, HWND hWnd)
{
    int row = FindRow(hList, hWnd);
    return row < 0 ? "<not listed>" : ListCell(hList, row, 1);
}

// Selects a row of another process's list (LVM_SETITEMSTATE with the item in that process).
inline bool SelectRow(HWND hList, int row)
{
    RemoteMemory mem(hList, sizeof(LVITEMA));
    if (!mem.ok())
        return false;
    LVITEMA item = {};
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    mem.Write(&item, sizeof item);
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(mem.ptr()),
                               SMTO_NORMAL, 5000, &result) && result;
}

// Image index of a row of another process's list, -1 when it cannot be read.
inline int RowImage(HWND hList, int row)
{
    RemoteMemory mem(hList, sizeof(LVITEMA));
    if (!mem.ok())
        return -1;
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    mem.Write(&item, sizeof item);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(mem.ptr()), SMTO_NORMAL, 5000, &result) ||
        !result)
        return -1;
    mem.Read(&item, sizeof item);
    return item.iImage;
}

// Starts the test window program (next to korvane.exe) with its window arguments.
inline HANDLE StartTestWindows(const std::string& args, DWORD* pid = nullptr)
{
    std::string cmd = "\"" + KorvaneDir() + "\\korvane_testwin.exe\" " + args;
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        printf("    cannot start %s (%lu)\n", cmd.c_str(), GetLastError());
        return nullptr;
    }
    CloseHandle(pi.hThread);
    if (pid)
        *pid = pi.dwProcessId;
    return pi.hProcess;
}

inline void EndTestWindows(HANDLE hProcess)
{
    if (!hProcess)
        return;
    TerminateProcess(hProcess, 0);
    WaitForSingleObject(hProcess, 5000);
    CloseHandle(hProcess);
}

inline HWND WaitWindow(const char* cls, const char* title, DWORD timeoutMs = 10000)
{
    HWND h = nullptr;
    WaitUntil([&] { return (h = FindWindowA(cls, title)) != nullptr; }, timeoutMs, 50);
    return h;
}

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

// Measures, on a thread of its own, the longest time the window took to answer a null message
// (between two answers, sent every 20 ms).
class AnswerWatch {
public:
    explicit AnswerWatch(HWND hWnd) : m_hWnd(hWnd)
    {
        DWORD id;
        m_hThread = CreateThread(nullptr, 0, Run, this, 0, &id);
    }
    ~AnswerWatch() { Stop(); }
    AnswerWatch(const AnswerWatch&) = delete;
    AnswerWatch& operator=(const AnswerWatch&) = delete;
    // Ends the watch; the longest silence in milliseconds.
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
                    printf("    main window silent for %lu ms, until tick %lu\n", now - last, now);
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

}  // namespace apps_e2e
