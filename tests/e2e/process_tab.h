// Helpers shared by the Processes-tab end-to-end tests: finding the page, its rows by process
// number, selecting a row, and a started program on that tab.
#pragma once
#include "Harness.h"
#include <stdio.h>
#include <string>

namespace e2e {

const int kProcessListId = 1001;
const int kEndProcessId = 1002;
const DWORD kTwoRefreshes = 2500;

namespace detail {

inline BOOL CALLBACK FindPageProc(HWND hwnd, LPARAM lParam)
{
    // The Applications page has a list 1001 too, but no button 1002.
    if (ClassName(hwnd) == "#32770" && ClassName(GetDlgItem(hwnd, kProcessListId)) == "SysListView32" &&
        ClassName(GetDlgItem(hwnd, kEndProcessId)) == "Button") {
        *reinterpret_cast<HWND*>(lParam) = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace detail

// The Processes page: the child dialog of the main window that holds list 1001 and button 1002.
inline HWND FindProcessPage(HWND main)
{
    HWND page = nullptr;
    EnumChildWindows(main, detail::FindPageProc, reinterpret_cast<LPARAM>(&page));
    return page;
}

// A process number as column 1 shows it.
inline std::string Number(DWORD id)
{
    char text[16];
    snprintf(text, sizeof text, "%d", static_cast<int>(id));
    return text;
}

// Index of the row whose column 1 shows the process number, -1 when there is none.
inline int FindRow(HWND list, DWORD pid)
{
    std::vector<std::string> ids = ListColumn(list, 1);
    for (size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] == Number(pid))
            return static_cast<int>(i);
    }
    return -1;
}

// Selects and focuses a row as a click does (LVM_SETITEMSTATE with the item in the program).
inline bool SelectRow(HWND list, int row)
{
    RemoteMemory mem(list, sizeof(LVITEMA));
    if (!mem.ok())
        return false;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    mem.Write(&item, sizeof item);
    return SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(mem.ptr())) != 0;
}

// korvane.exe started on the Processes tab (a remembered choice), with its page and list.
struct ProcessTab {
    Korvane k;
    HWND main = nullptr;
    HWND page = nullptr;
    HWND list = nullptr;

    bool Start()
    {
        ResetKorvaneRegistry();
        WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Version", "1");
        WriteRegValue(HKEY_LOCAL_MACHINE, kSettingsKey, "ShowPage", "1");
        main = k.StartReady();
        if (!main)
            return false;
        page = FindProcessPage(main);
        list = page ? Item(page, kProcessListId) : nullptr;
        return list && IsVisible(page) && WaitUntil([&] { return ListCount(list) > 0; });
    }
};

}  // namespace e2e
