// Helpers of the damaged-input end-to-end tests: registry values written byte for byte with any
// type, the page the main window shows, the checked update speed, and a check that the program
// is still up and answering.
#pragma once
#include "Harness.h"
#include <string>
#include <vector>

namespace hostile {

using namespace e2e;

// Writes a value of the settings key with exactly these bytes (no terminator added).
inline bool WriteRaw(const char* name, DWORD type, const std::string& bytes)
{
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(h, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size()));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

inline std::string DwordBytes(DWORD v) { return std::string(reinterpret_cast<const char*>(&v), sizeof v); }

// Index of the page the main window shows (0 Applications, 1 Processes, 2 Performance); -1 when
// none is visible, -2 when more than one is.
inline int ShownPage(HWND main)
{
    int shown = -1;
    for (HWND c = GetWindow(main, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (ClassName(c) != kDialogClass || !IsWindowVisible(c))
            continue;
        int page = GetDlgItem(c, 1017) ? 0 : GetDlgItem(c, 1002) ? 1 : GetDlgItem(c, 1009) ? 2 : -3;
        shown = shown == -1 ? page : -2;
    }
    return shown;
}

const UINT kSpeeds[] = {kCmdSpeedHigh, kCmdSpeedNormal, kCmdSpeedLow, kCmdSpeedPause, kCmdSpeedRealtime};

// The update-speed command that carries the check mark; 0 when none or more than one does.
inline UINT CheckedSpeed(HWND w)
{
    UINT found = 0;
    int count = 0;
    for (UINT id : kSpeeds) {
        if (MenuChecked(w, id)) {
            found = id;
            ++count;
        }
    }
    return count == 1 ? found : 0;
}

// Starts the program and waits until its window has finished setting itself up: the window
// answers messages already while its initialisation waits on other processes (the tray icon).
inline HWND StartSettled(Korvane& k, DWORD settleMs = 800)
{
    HWND w = k.StartReady();
    if (!w)
        return nullptr;
    Sleep(settleMs);
    return Sync(w) ? w : nullptr;
}

// The program survived its timers for a while: still running and answering a null message.
inline bool StaysUp(Korvane& k, DWORD ms = 1500)
{
    Sleep(ms);
    return k.Running() && k.Window() && Sync(k.Window(), 3000);
}

}  // namespace hostile
