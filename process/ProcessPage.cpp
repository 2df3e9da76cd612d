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
      m_list(m_rows, m_system, m_nHeapRow, this)
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

    m_bStopHeapScan = 0;
    m_list.StartHeapPass();
    m_hHeapScan = CreateThread(nullptr, 0, HeapScanThread, this, 0, &m_dwHeapScanThread);
    return TRUE;
}

void CProcessPage::RefreshProcessList()
{
    m_list.RefreshProcessList();
    UpdateEndButton();
}

INT_PTR CProcessPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_HEAP_TAKE) {
        uint32_t processId = 0;
        if (m_bStopHeapScan || !m_list.TakeHeapWalk(&processId))
            return SetMsgResult(0);
        *reinterpret_cast<DWORD*>(lParam) = processId;
        return SetMsgResult(1);
    }
    if (msg == WM_HEAP_SIZE) {
        if (!m_bStopHeapScan)
            m_list.SetHeapSize(static_cast<uint32_t>(wParam), static_cast<int>(lParam));
        return SetMsgResult(0);
    }
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

void CProcessPage::RunTimer(bool run)
{
    if (run == m_bTimerRuns)
        return;
    m_bTimerRuns = run;
    if (run) {
        SetTimer(TIMER_REFRESH, REFRESH_PERIOD);
        return;
    }
    KillTimer(TIMER_REFRESH);
    m_list.OnTimerTick(false);
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

// The heap walks run here. The user-interface thread owns the rows and the cursor: it hands out
// each process to walk and takes each figure back, one step each, so no lock is held and the
// two threads' steps never interleave. The system calls used here (the walk and the heap list)
// touch no state of m_system that the other thread changes.
DWORD WINAPI CProcessPage::HeapScanThread(LPVOID pParam)
{
    CProcessPage* page = static_cast<CProcessPage*>(pParam);
    HWND hWnd = page->m_hWnd;
    MSG msg;
    // The thread's message queue exists from here on, so no wake-up posted later is lost; the
    // walks queued before it are taken next anyway.
    ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    while (!page->m_bStopHeapScan) {
        DWORD processId = 0;
        if (::SendMessageA(hWnd, WM_HEAP_TAKE, 0, reinterpret_cast<LPARAM>(&processId))) {
            int sizeK = HeapSizeK(page->m_system, processId);
            ::SendMessageA(hWnd, WM_HEAP_SIZE, static_cast<WPARAM>(processId), static_cast<LPARAM>(sizeK));
        } else if (::GetMessageA(&msg, nullptr, 0, 0) <= 0) {
            break;
        }
    }
    return 0;
}

void CProcessPage::Wake()
{
    if (m_dwHeapScanThread)
        ::PostThreadMessageA(m_dwHeapScanThread, WM_NULL, 0, 0);
}

void CProcessPage::StopHeapScan()
{
    if (!m_hHeapScan)
        return;
    InterlockedExchange(&m_bStopHeapScan, 1);
    Wake();
    // The worker may be waiting for this thread to carry out a request: keep taking sent
    // messages until it has ended.
    while (MsgWaitForMultipleObjects(1, &m_hHeapScan, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    }
    CloseHandle(m_hHeapScan);
    m_hHeapScan = nullptr;
    m_dwHeapScanThread = 0;
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
