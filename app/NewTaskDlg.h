// The new-task dialog (dialog 136): starts a program, document, folder or Internet address through
// the shell and keeps the commands that worked in the history "NewTask0".."NewTask20".
#pragma once
#include "framework/Controls.h"
#include "framework/Dialog.h"

class CNewTaskDlg : public CDialog {
public:
    explicit CNewTaskDlg(CDialog* pParent = nullptr);

    CComboBox m_cbCommand;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnCmdMsg(UINT nID) override;
    void OnOK() override;

private:
    void OnBrowse();
};
