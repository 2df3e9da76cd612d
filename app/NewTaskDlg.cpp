// The new-task dialog (dialog 136), and the main window's command that opens it.
#include "app/NewTaskDlg.h"
#include "app/KorvaneDlg.h"
#include "app/NewTaskHistory.h"
#include "framework/App.h"
#include "res/resource.h"
#include <commdlg.h>
#include <shellapi.h>

namespace {

const int kCommandCap = 1024;

}  // namespace

void CKorvaneDlg::OnNewTask()
{
    CNewTaskDlg dlg(this);
    dlg.DoModal();
}

CNewTaskDlg::CNewTaskDlg(CDialog* pParent) : CDialog(IDD_NEW_TASK, pParent) {}

void CNewTaskDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_COMMAND, m_cbCommand);
}

BOOL CNewTaskDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CSysRegInfo store;
    store.SetRegSection(KORVANE_KEY);
    for (const std::string& command : LoadNewTaskHistory(store))
        m_cbCommand.AddString(command.c_str());
    m_cbCommand.SetCurSel(0);
    return TRUE;
}

bool CNewTaskDlg::OnCmdMsg(UINT nID)
{
    if (nID == IDC_BROWSE) {
        OnBrowse();
        return true;
    }
    return CDialog::OnCmdMsg(nID);
}

void CNewTaskDlg::OnBrowse()
{
    // A path-sized buffer: the dialog refuses a choice that does not fit, and says nothing.
    char file[MAX_PATH] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;  // Windows 9x refuses the larger 2000 structure
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = nullptr;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.Flags = OFN_FILEMUSTEXIST;
    ofn.lpstrDefExt = "*";
    if (::GetOpenFileNameA(&ofn))
        m_cbCommand.SetWindowText(file);
}

void CNewTaskDlg::OnOK()
{
    char command[kCommandCap] = {};
    m_cbCommand.GetWindowText(command, sizeof command);
    // The whole text is one file name: spaces and all, no separate parameters.
    HINSTANCE hResult = ::ShellExecuteA(nullptr, "Open", command, nullptr, nullptr, SW_SHOW);
    if (!ShellOpenSucceeded(reinterpret_cast<intptr_t>(hResult))) {
        // Owned by this dialog, so that it is modal to it (and never listed as an application).
        char text[512], title[64];
        AfxLoadString(IDS_FILE_NOT_FOUND, text, sizeof text);
        AfxLoadString(IDS_APP_TITLE, title, sizeof title);
        ::MessageBoxA(m_hWnd, text, title, MB_OK | MB_ICONSTOP);
        return;  // stays open for a correction; the history is not touched
    }

    CSysRegInfo store;
    store.SetRegSection(KORVANE_KEY);
    char mostRecent[kCommandCap];
    bool bHasHistory = m_cbCommand.GetLBText(0, mostRecent, sizeof mostRecent) >= 0;
    m_cbCommand.GetWindowText(command, sizeof command);
    RecordNewTask(store, command, bHasHistory ? mostRecent : nullptr);
    EndDialog(IDOK);
}
