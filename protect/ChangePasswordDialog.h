// The change-password dialog (147).
#pragma once
#include "framework/Dialog.h"
#include <string>

class CChangePasswordDialog : public CDialog {
public:
    // pPasswordInForce: the lock's own copy of the password when opened from the lock dialog
    // (the old password is checked against it, and a new password stored replaces it); nullptr
    // elsewhere, where the stored password counts.
    explicit CChangePasswordDialog(CDialog* pParent = nullptr, std::string* pPasswordInForce = nullptr)
        : CDialog(147, pParent), m_pPasswordInForce(pPasswordInForce) {}

    std::string m_strOldPassword;
    std::string m_strNewPassword;
    std::string m_strConfirmPassword;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;

private:
    std::string* m_pPasswordInForce;
};

// Keeps a dialog above its owner when the owner lies in the topmost band (the lock dialog, or
// the main window during a takeover): otherwise the full-screen cover would hide it.
void StayAboveTopmostOwner(HWND hDlg);
