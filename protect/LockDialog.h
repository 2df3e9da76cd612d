// The "computer locked" dialog (145): it ends only when the unlock password is entered.
#pragma once
#include "framework/Dialog.h"
#include <string>

class CLockDialog : public CDialog {
public:
    explicit CLockDialog(CDialog* pParent = nullptr) : CDialog(145, pParent) {}

    std::string m_strPassword;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnCmdMsg(UINT nID) override;
    void OnOK() override;
    void OnCancel() override;
    void OnChangePassword();
};
