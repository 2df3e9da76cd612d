// The change-password dialog (147).
#pragma once
#include "framework/Dialog.h"
#include <string>

class CChangePasswordDialog : public CDialog {
public:
    explicit CChangePasswordDialog(CDialog* pParent = nullptr) : CDialog(147, pParent) {}

    std::string m_strOldPassword;
    std::string m_strNewPassword;
    std::string m_strConfirmPassword;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
};

// Keeps a dialog above its owner when the owner lies in the topmost band (the lock dialog, or
// the main window during a takeover): otherwise the full-screen cover would hide it.
void StayAboveTopmostOwner(HWND hDlg);
