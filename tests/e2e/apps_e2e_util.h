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

// Selects a row of another process's list (LVM_SETITEMSTATE with the item in that process);
// row -1 with selected false clears the selection.
inline bool SelectRow(HWND hList, int row, bool selected = true)
{
    RemoteMemory mem(hList, sizeof(LVITEMA));
    if (!mem.ok())
        return false;
    LVITEMA item = {};
    item.state = selected ? LVIS_SELECTED | LVIS_FOCUSED : 0;
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    mem.Write(&item, sizeof item);
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(mem.ptr()),
                               SMTO_NORMAL, 5000, &result) && result;
}

// A column of another process's list: its heading, format (LVCFMT_*) and width.
struct ListColumnInfo {
    bool ok = false;
    std::string heading;
    int fmt = 0;
    int width = 0;
};

inline ListColumnInfo ColumnInfo(HWND hList, int col)
{
    ListColumnInfo info;
    const size_t kText = 64;
    RemoteMemory mem(hList, sizeof(LVCOLUMNA) + kText);
    if (!mem.ok())
        return info;
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_TEXT;
    column.pszText = static_cast<char*>(mem.ptr()) + sizeof(LVCOLUMNA);
    column.cchTextMax = kText;
    char text[kText] = {};
    DWORD_PTR ok = 0;
    if (!mem.Write(&column, sizeof column) || !mem.Write(text, sizeof text, sizeof(LVCOLUMNA)) ||
        !SendMessageTimeoutA(hList, LVM_GETCOLUMNA, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(mem.ptr()),
                             SMTO_NORMAL, 5000, &ok) || !ok)
        return info;
    mem.Read(&column, sizeof column);
    mem.Read(text, sizeof text - 1, sizeof(LVCOLUMNA));
    info.ok = true;
    info.heading = text;
    info.fmt = column.fmt & LVCFMT_JUSTIFYMASK;
    info.width = static_cast<int>(SendMessageA(hList, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(col), 0));
    return info;
}

// The image index of a row of another process's list, -1 when it cannot be read.
inline int ItemImage(HWND hList, int row)
{
    RemoteMemory mem(hList, sizeof(LVITEMA));
    if (!mem.ok())
        return -1;
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = -1;
    DWORD_PTR ok = 0;
    if (!mem.Write(&item, sizeof item) ||
        !SendMessageTimeoutA(hList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(mem.ptr()), SMTO_NORMAL, 5000, &ok) || !ok)
        return -1;
    mem.Read(&item, sizeof item);
    return item.iImage;
}

// The shown popup menu (class "#32768"), or nullptr.
inline HWND VisiblePopupMenu()
{
    HWND h = FindWindowA("#32768", nullptr);
    return h && IsWindowVisible(h) ? h : nullptr;
}

// One item of a menu of korvane.exe, read inside its process.
struct PopupItem {
    int id;             // command id; 0 for separators; -1 for submenus
    std::string text;
    DWORD submenu;      // the submenu's handle, 0 for plain items
};

// The items of a menu handle of the process that owns hOwner (a window of that process).
inline std::vector<PopupItem> PopupItems(HWND hOwner, DWORD hMenu)
{
    std::vector<PopupItem> items;
    DWORD count = 0;
    if (!hMenu || !RemoteCall(hOwner, "user32.dll", "GetMenuItemCount", {hMenu}, &count))
        return items;
    RemoteMemory mem(hOwner, 128);
    for (DWORD i = 0; i < count && i < 32; ++i) {
        PopupItem item = {0, "", 0};
        DWORD id = 0;
        RemoteCall(hOwner, "user32.dll", "GetMenuItemID", {hMenu, i}, &id);
        item.id = static_cast<int>(id);
        RemoteCall(hOwner, "user32.dll", "GetSubMenu", {hMenu, i}, &item.submenu);
        if (mem.ok()) {
            char text[128] = {};
            DWORD len = 0;
            mem.Write(text, sizeof text);
            RemoteCall(hOwner, "user32.dll", "GetMenuStringA",
                       {hMenu, i, reinterpret_cast<DWORD_PTR>(mem.ptr()), sizeof text - 1,
                        MF_BYPOSITION},
                       &len);
            mem.Read(text, sizeof text - 1);
            item.text = text;
        }
        items.push_back(item);
    }
    return items;
}

// The menu handle behind a shown popup menu window.
inline DWORD MenuOfPopup(HWND hMenuWindow)
{
    DWORD_PTR hMenu = 0;
    if (!SendMessageTimeoutA(hMenuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0, SMTO_NORMAL, 2000, &hMenu))
        return 0;
    return static_cast<DWORD>(hMenu);
}

// The test window program (next to korvane.exe), started with its window arguments and ended
// with this object, whatever the test case's outcome.
class TestWindows {
public:
    explicit TestWindows(const std::string& args) : m_args(args) { Launch(); }
    ~TestWindows() { End(); }
    TestWindows(const TestWindows&) = delete;
    TestWindows& operator=(const TestWindows&) = delete;

    HANDLE Process() const { return m_hProcess; }
    DWORD Pid() const { return m_pid; }
    // This program's window with the title (windows of earlier runs do not count).
    HWND Wait(const std::string& title, DWORD timeoutMs = 10000) const
    {
        HWND found = nullptr;
        WaitUntil([&] {
            for (HWND h : TopLevelWindows(m_pid)) {
                if (WindowText(h) == title) {
                    found = h;
                    return true;
                }
            }
            return false;
        }, timeoutMs, 50);
        return found;
    }
    // Waits until shown() holds (its windows are up). Wine's own Linux code in this program can
    // corrupt its C library heap while the program opens windows with hostile titles (about one
    // start in a hundred): the process then dies, or hangs in Wine's handling of the abort, which
    // is no fault of korvane's. A program that has not shown its windows in time is reported in
    // one line, with how it ended or that it still runs, and started once more (new Pid()).
    bool WaitShown(const std::function<bool()>& shown, DWORD timeoutMs = 10000, DWORD stepMs = 100)
    {
        for (int start = 0;; ++start) {
            if (WaitUntil([&] { return shown() || Ended(); }, timeoutMs, stepMs) && !Ended())
                return true;
            if (!ReportEndedHelper("korvane_testwin.exe", m_pid, m_hProcess))
                printf("    helper korvane_testwin.exe (pid %lu) has not shown its windows after %lu ms: %s\n",
                       static_cast<unsigned long>(m_pid), static_cast<unsigned long>(timeoutMs),
                       Ended() ? "it ended" : "it still runs (hung or slow; a message of the C library above tells a crash)");
            if (start > 0)
                return false;
            printf("    starting korvane_testwin.exe once more\n");
            Stop();
            Launch();
        }
    }
    void End()
    {
        ReportEndedHelper("korvane_testwin.exe", m_pid, m_hProcess);
        Stop();
    }

private:
    void Stop()
    {
        if (!m_hProcess)
            return;
        TerminateProcess(m_hProcess, 0);
        WaitForSingleObject(m_hProcess, 5000);
        CloseHandle(m_hProcess);
        m_hProcess = nullptr;
    }
    bool Ended() const { return m_hProcess && WaitForSingleObject(m_hProcess, 0) == WAIT_OBJECT_0; }
    void Launch()
    {
        PROCESS_INFORMATION pi;
        if (!StartCommand("\"" + KorvaneDir() + "\\korvane_testwin.exe\" " + m_args, &pi))
            return;
        CloseHandle(pi.hThread);
        m_hProcess = pi.hProcess;
        m_pid = pi.dwProcessId;
    }

    std::string m_args;
    HANDLE m_hProcess = nullptr;
    DWORD m_pid = 0;
};

// A window found by class and title once it is shown: a dialog exists, hidden, while it initialises.
inline HWND WaitWindow(const char* cls, const char* title, DWORD timeoutMs = 10000)
{
    HWND h = nullptr;
    WaitUntil([&] { return (h = FindWindowA(cls, title)) != nullptr && IsWindowVisible(h); }, timeoutMs, 50);
    return h && IsWindowVisible(h) ? h : nullptr;
}

// Without a window manager, Wine waits up to 2 s for a managed window to be withdrawn whenever one
// is hidden or destroyed (any dialog closing), which would show as a silence of the program under
// test that has nothing to do with it. Unmanaged windows have no such wait. Programs started while
// this object lives see the setting; it puts the earlier one back when it goes.
class UnmanagedWindows {
public:
    UnmanagedWindows()
    {
        m_hadValue = ReadRegValue(HKEY_CURRENT_USER, kKey, "Managed", &m_old);
        WriteRegValue(HKEY_CURRENT_USER, kKey, "Managed", "N");
    }
    ~UnmanagedWindows()
    {
        if (m_hadValue)
            WriteRegValue(HKEY_CURRENT_USER, kKey, "Managed", m_old);
        else
            DeleteRegValue(HKEY_CURRENT_USER, kKey, "Managed");
    }
    UnmanagedWindows(const UnmanagedWindows&) = delete;
    UnmanagedWindows& operator=(const UnmanagedWindows&) = delete;

private:
    static constexpr const char* kKey = "Software\\Wine\\X11 Driver";
    bool m_hadValue = false;
    std::string m_old;
};

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
