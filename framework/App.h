// The application object: start-up entry, the main window pointer and command routing's last stop.
#pragma once
#include "framework/Dialog.h"

class CWinApp : public CCmdTarget {
public:
    CWinApp();
    ~CWinApp() override;

    // Runs the program's start-up. Returning false ends the program without a framework message loop.
    virtual BOOL InitInstance() { return FALSE; }
    // The framework's message loop, used only when InitInstance returns true.
    virtual int Run();
    virtual int ExitInstance() { return 0; }

    // The framework's handler for the standard help command: opens the program's help file,
    // the executable's path with the extension ".hlp", through the shell.
    void OnHelp();

    CDialog* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    const char* m_lpCmdLine = "";
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// Loads a string-table text into buf (always terminated).
int AfxLoadString(UINT nID, char* buf, int cap);
// A message box with a string-table text, titled with the program's name, owned by the main
// window's last active pop-up.
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK);
// The same, owned by hOwner (nullptr: no owner).
int AfxMessageBox(HWND hOwner, UINT nIDPrompt, UINT nType);
