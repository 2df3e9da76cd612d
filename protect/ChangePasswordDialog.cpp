#include "protect/ChangePasswordDialog.h"
#include "app/KorvaneApp.h"
#include "protect/UnlockPassword.h"
#include "res/resource.h"

void StayAboveTopmostOwner(HWND hDlg)
{
    HWND hOwner = ::GetWindow(hDlg, GW_OWNER);
    if (hOwner && (::GetWindowLongA(hOwner, GWL_EXSTYLE) & WS_EX_TOPMOST))
        ::SetWindowPos(hDlg, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL CChangePasswordDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    // A longer password could not be read back whole, so the edits take no more.
    const int ids[] = {IDC_OLD_PASSWORD, IDC_NEW_PASSWORD, IDC_CONFIRM_PASSWORD};
    for (int id : ids)
        SendDlgItemMessageA(m_hWnd, id, EM_LIMITTEXT, kMaxPasswordBytes, 0);
    StayAboveTopmostOwner(m_hWnd);
    return TRUE;
}

void CChangePasswordDialog::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_OLD_PASSWORD, m_strOldPassword);
    DDX_Text(pDX, IDC_NEW_PASSWORD, m_strNewPassword);
    DDX_Text(pDX, IDC_CONFIRM_PASSWORD, m_strConfirmPassword);
}

void CChangePasswordDialog::OnOK()
{
    UpdateData(true);
    IRegistry& registry = DefaultRegistry();
    std::string inForce = m_pPasswordInForce ? *m_pPasswordInForce : ReadUnlockPassword(registry);
    switch (ChangeUnlockPassword(registry, inForce, m_strOldPassword, m_strNewPassword, m_strConfirmPassword)) {
    case PasswordChange::WrongOldPassword:
        AfxMessageBox(m_hWnd, IDS_WRONG_PASSWORD, MB_OK);
        return;
    case PasswordChange::Mismatch:
    case PasswordChange::TooLong:  // only text put into the edit from outside can be this long
        AfxMessageBox(m_hWnd, IDS_PASSWORD_MISMATCH, MB_OK);
        return;
    case PasswordChange::Stored:
        if (m_pPasswordInForce)
            *m_pPasswordInForce = m_strNewPassword;
        EndDialog(IDOK);
        return;
    case PasswordChange::WriteFailed:  // not reported: the old password stays in force
        EndDialog(IDOK);
        return;
    }
}
