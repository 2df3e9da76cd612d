// Dialog 146: the sibling debugger is not installed; offers its home page and download page.
#pragma once
#include "framework/Dialog.h"

class CDebuggerNotFoundDlg : public CDialog {
public:
    explicit CDebuggerNotFoundDlg(CDialog* pParent = nullptr);

    void OnVisitHomePage();
    void OnDownloadDebugger();

protected:
    bool OnCmdMsg(UINT nID) override;
};
