#include "process/ProcessPage.h"
#include "framework/App.h"
#include "process/Debugger.h"
#include "process/DebuggerNotFoundDlg.h"
#include "res/resource.h"

namespace {

const CommandEntry<CProcessPage> kCommands[] = {
    Command(IDC_END_PROCESS, &CProcessPage::OnEndProcess),
    CommandRange(ID_PRIORITY_REALTIME, ID_PRIORITY_IDLE, &CProcessPage::OnSetPriority),
    Command(ID_PROCESS_DEBUG, &CProcessPage::OnDebug),
    Command(ID_PROCESS_DEBUG_QUENBRIX, &CProcessPage::OnDebugWithQuenbrix),
};

struct ColumnSpec {
    const char* heading;
    int format;
    int width;
};

const ColumnSpec kColumns[] = {
    {"影像名称", LVCFMT_LEFT, 80},
    {"进程号", LVCFMT_RIGHT, 70},
    {"级别", LVCFMT_RIGHT, 40},
    {"内存堆", LVCFMT_RIGHT, 60},
    {"线程数", LVCFMT_RIGHT, 50},
};

}  // namespace

CProcessPage::CProcessPage(CDialog* pParent)
    : CDialog(IDD_PROCESS_PAGE, pParent),
      m_nHeapRow(0),
      m_system(m_Process),
      m_rows(m_listProcess),
      m_list(m_rows, m_system, m_nHeapRow)
{
}

CProcessPage::~CProcessPage()
{
    // Destroy the window while this object is whole, so that OnDestroy stops the worker.
    if (m_hWnd && ::IsWindow(m_hWnd))
        DestroyWindow();
    StopHeapScan();
}

void CProcessPage::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_END_PROCESS, m_btnEndProcess);
    DDX_Control(pDX, IDC_PROCESS_LIST, m_listProcess);
}

BOOL CProcessPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_listProcess.SetExtendedStyle(m_listProcess.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    for (int i = 0; i < 5; ++i)
        m_listProcess.InsertColumn(i, kColumns[i].heading, kColumns[i].format, kColumns[i].width);

    m_nHeapRow = 0;
    SetTimer(TIMER_REFRESH, REFRESH_PERIOD);
    RefreshProcessList();

    DWORD threadId;
    m_bStopHeapScan = 0;
    m_hHeapScan = CreateThread(nullptr, 0, HeapScanThread, this, 0, &threadId);
    return TRUE;
}

void CProcessPage::RefreshProcessList()
{
    m_list.RefreshProcessList();
    UpdateEndButton();
}

INT_PTR CProcessPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_HEAP_STEP)
        return SetMsgResult(OnHeapStep(static_cast<int>(wParam)));
    return CDialog::WindowProc(msg, wParam, lParam);
}

bool CProcessPage::OnCmdMsg(UINT nID)
{
    return DispatchCommand(this, kCommands, nID) || CDialog::OnCmdMsg(nID);
}

bool CProcessPage::OnNotify(const NMHDR& nmhdr, LRESULT& result)
{
    if (nmhdr.idFrom != IDC_PROCESS_LIST)
        return false;
    switch (nmhdr.code) {
    case NM_RCLICK:
        ShowProcessMenu();
        result = 0;
        return true;
    case LVN_ITEMCHANGED:
        UpdateEndButton();
        result = 0;
        return true;
    default:
        return false;
    }
}

void CProcessPage::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != TIMER_REFRESH)
        return;
    // Hidden (another tab, or the main window hidden or minimised): nothing to keep current.
    m_list.OnTimerTick(IsShownOnScreen());
    UpdateEndButton();
}

void CProcessPage::OnShown()
{
    m_list.OnShown();
    UpdateEndButton();
}

void CProcessPage::OnDestroy()
{
    KillTimer(TIMER_REFRESH);
    StopHeapScan();
}

void CProcessPage::UpdateEndButton()
{
    if (m_btnEndProcess.m_hWnd)
        m_btnEndProcess.EnableWindow(m_listProcess.GetSelectedItem() != -1);
}

// The worker's one pass: each heap step is carried out by the user-interface thread, which
// owns the list and the cursor, so the two threads' steps never interleave and no lock is held.
DWORD WINAPI CProcessPage::HeapScanThread(LPVOID pParam)
{
    CProcessPage* page = static_cast<CProcessPage*>(pParam);
    HWND hWnd = page->m_hWnd;
    for (int row = 0; !page->m_bStopHeapScan; ++row) {
        if (!::SendMessageA(hWnd, WM_HEAP_STEP, static_cast<WPARAM>(row), 0))
            break;
    }
    return 0;
}

LRESULT CProcessPage::OnHeapStep(int nRow)
{
    // The row count is read again before every step.
    if (m_bStopHeapScan || nRow >= m_rows.GetCount())
        return 0;
    m_list.UpdateNextHeapSize();
    return 1;
}

void CProcessPage::StopHeapScan()
{
    if (!m_hHeapScan)
        return;
    InterlockedExchange(&m_bStopHeapScan, 1);
    // The worker may be waiting for this thread to carry out a step: keep taking sent
    // messages until it has ended.
    while (MsgWaitForMultipleObjects(1, &m_hHeapScan, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
    CloseHandle(m_hHeapScan);
    m_hHeapScan = nullptr;
}

void CProcessPage::ShowProcessMenu()
{
    if (m_list.GetSelectedRow() < 0)
        return;
    unsigned checked = m_list.SelectedPriorityCommand();
    CMenu menu;
    if (!menu.LoadMenu(IDR_POPUP_MENU))
        return;
    CMenu popup = menu.GetSubMenu(0);
    // By command, so the item is found inside the nested priority menu.
    if (checked)
        popup.CheckMenuItem(checked, true);
    POINT pt;
    GetCursorPos(&pt);
    popup.TrackPopupMenu(TPM_RIGHTBUTTON, pt.x, pt.y, m_hWnd);
    menu.DestroyMenu();
}

void CProcessPage::OnEndProcess()
{
    int row = m_list.GetSelectedRow();
    if (row >= 0 && static_cast<DWORD>(m_list.GetRowProcessID(row)) == ::GetCurrentProcessId()) {
        // Ending the program itself takes the way of Exit: a takeover is ended first (every
        // other process gets its class back), the settings are saved and the tray icon goes.
        RouteCommand(ID_APP_EXIT);
        return;
    }
    m_list.EndSelectedProcess();
    UpdateEndButton();
}

void CProcessPage::OnSetPriority(UINT nID)
{
    m_list.SetSelectedPriority(nID);
}

void CProcessPage::OnDebug()
{
    int row = m_list.GetSelectedRow();
    if (row < 0)
        return;
    CShellOpenWin32 shell;
    if (!LaunchStudioDebugger(DefaultRegistry(), shell, m_list.GetRowProcessID(row)))
        AfxMessageBox(IDS_NO_VS_DEBUGGER, MB_OK);
}

void CProcessPage::OnDebugWithQuenbrix()
{
    int row = m_list.GetSelectedRow();
    if (row < 0)
        return;
    CShellOpenWin32 shell;
    if (LaunchQuenbrix(DefaultRegistry(), shell, m_list.GetRowProcessID(row)) == QuenbrixLaunch::NotInstalled) {
        CDebuggerNotFoundDlg dlg(this);
        dlg.DoModal();
    }
}
