#include "protect/LockDialog.h"
#include "app/KorvaneApp.h"
#include "protect/ChangePasswordDialog.h"
#include "res/resource.h"

BOOL CLockDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    char name[80] = {};
    DWORD size = sizeof name;
    if (::GetUserNameA(name, &size))
        SetDlgItemText(IDC_USER_NAME, name);
    // Above the cover, which lies in the topmost band.
    SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    return TRUE;
}

void CLockDialog::DoDataExchange(CDataExchange* pDX)
{
    DDX_Text(pDX, IDC_PASSWORD, m_strPassword);
}

bool CLockDialog::OnCmdMsg(UINT nID)
{
    if (nID == IDC_CHANGE_PASSWORD) {
        OnChangePassword();
        return true;
    }
    return CDialog::OnCmdMsg(nID);
}

void CLockDialog::OnOK()
{
    UpdateData(true);
    if (theApp.CheckUnlockPassword(m_strPassword.c_str())) {
        EndDialog(IDOK);
        return;
    }
    AfxMessageBox(IDS_WRONG_PASSWORD, MB_OK);
}

void CLockDialog::OnCancel()
{
    // Escape and close requests arrive here: the only way out of the lock is the password.
}

void CLockDialog::OnChangePassword()
{
    CChangePasswordDialog dlg(this);
    dlg.DoModal();
}
