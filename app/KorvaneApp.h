// The application object: start-up, single instance, the settings mirrors, Exit and Help.
#pragma once
#include "app/Settings.h"
#include "framework/App.h"

class CKorvaneDlg;

class CKorvaneApp : public CWinApp, public CKorvaneSettings {
public:
    BOOL InitInstance() override;
    bool OnCmdMsg(UINT nID) override;

    void OnAppExit();
    void OnHelpContents();

    CKorvaneDlg* GetMainDlg() const;
    // The folder that holds the running korvane.exe; empty when it does not fit 80 bytes.
    const char* GetProgramDirectory() const { return m_szProgramDir; }

private:
    void FindProgramDirectory();
    char m_szProgramDir[80] = {};
};

extern CKorvaneApp theApp;
