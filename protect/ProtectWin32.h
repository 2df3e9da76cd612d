// The Win32 sides of the takeover's process table and of the program starter.
#pragma once
#include "protect/Foreground.h"
#include "protect/QuickShutdown.h"
#include "protect/Takeover.h"
#include <windows.h>

class CWin32ProcessPriorities : public IProcessPriorities {
public:
    uint32_t OwnProcessId() override;
    void ListProcesses(std::vector<uint32_t>& ids) override;
    void SetOwnClass(uint32_t priorityClass) override;
    uint32_t ExchangeClass(uint32_t processId, uint32_t newClass) override;
    bool SetClass(uint32_t processId, uint32_t priorityClass) override;
};

// Makes hWnd the foreground window where the system allows it (see Foreground.h): never waits on
// a foreground window that does not answer.
void TakeForeground(HWND hWnd);

// On Windows 95/98/ME a running screen saver makes the system ignore Ctrl+Alt+Del, Alt+Tab and
// Ctrl+Esc: the lock and the takeover say one runs.
void SetScreenSaverRunning(bool running);
// Says so again when something has cleared it (see RenewScreenSaverFlag).
void RenewScreenSaverRunning();

// Shows or hides the taskbar, the window of class "Shell_TrayWnd", when there is one.
void ShowTaskbar(int nCmdShow);

// The visible, enabled window of the calling thread owned, at any depth, by hOwner: the dialog
// or message box that has hOwner's keyboard while it runs. nullptr when there is none.
HWND FindOwnedPopup(HWND hOwner);

class CWin32ProgramStarter : public IProgramStarter {
public:
    bool Start(const char* commandLine, int showCommand) override;
};
