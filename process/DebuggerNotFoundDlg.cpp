#include "process/DebuggerNotFoundDlg.h"
#include "process/ProcessSystemWin32.h"
#include "res/resource.h"

namespace {

const CommandEntry<CDebuggerNotFoundDlg> kCommands[] = {
    Command(IDC_VISIT_HOME_PAGE, &CDebuggerNotFoundDlg::OnVisitHomePage),
    Command(IDC_DOWNLOAD_DEBUGGER, &CDebuggerNotFoundDlg::OnDownloadDebugger),
};

}  // namespace

CDebuggerNotFoundDlg::CDebuggerNotFoundDlg(CDialog* pParent) : CDialog(IDD_DEBUGGER_NOT_FOUND, pParent) {}

bool CDebuggerNotFoundDlg::OnCmdMsg(UINT nID)
{
    return DispatchCommand(this, kCommands, nID) || CDialog::OnCmdMsg(nID);
}

// Both pages open in the browser; the dialog stays open.
void CDebuggerNotFoundDlg::OnVisitHomePage()
{
    CShellOpenWin32().Open(KORVANE_HOME_PAGE, nullptr, nullptr);
}

void CDebuggerNotFoundDlg::OnDownloadDebugger()
{
    CShellOpenWin32().Open(QUENBRIX_DOWNLOAD_PAGE, nullptr, nullptr);
}
