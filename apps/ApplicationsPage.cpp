// The Applications page: list set-up, timers, commands and the hang-check worker.
#include "apps/ApplicationsPage.h"
#include "apps/EndProgramDlg.h"
#include "app/KorvaneDlg.h"
#include "framework/App.h"
#include "framework/Platform.h"
#include "res/resource.h"

namespace {


// What ending a task does: a posted close request, or the question and the process's end.
class CPageTaskActions : public ITaskActions {
public:
    explicit CPageTaskActions(CDialog* pOwner) : m_pOwner(pOwner) {}
    void PostClose(WindowHandle hWnd) override { ::PostMessageA(ToHwnd(hWnd), WM_SYSCOMMAND, SC_CLOSE, 0); }
    void Sleep(unsigned ms) override { ::Sleep(ms); }
    bool ConfirmEndProgram() override
    {
        CEndProgramDialog dlg(m_pOwner);
        return dlg.DoModal() == IDOK;
    }
    void TerminateProcess(int processId) override
    {
        HANDLE hProcess = ::OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(processId));
        if (!hProcess)
            return;
        ::TerminateProcess(hProcess, 0);
        ::CloseHandle(hProcess);
    }

private:
    CDialog* m_pOwner;
};

// The hang check's questions and results travel to the page's thread, which owns the rows.
class CPageHangSink : public IHangCheckSink {
public:
    CPageHangSink(HWND hPage, UINT msgList, UINT msgShouldProbe, UINT msgResult)
        : m_hPage(hPage), m_msgList(msgList), m_msgShouldProbe(msgShouldProbe), m_msgResult(msgResult)
    {
    }
    void ListWindows(std::vector<WindowHandle>* windows) override
    {
        ::SendMessageA(m_hPage, m_msgList, 0, reinterpret_cast<LPARAM>(windows));
    }
    bool ShouldProbe(WindowHandle hWnd) override
    {
        return ::SendMessageA(m_hPage, m_msgShouldProbe, static_cast<WPARAM>(hWnd), 0) != 0;
    }
    void Report(WindowHandle hWnd, bool answered) override
    {
        ::SendMessageA(m_hPage, m_msgResult, static_cast<WPARAM>(hWnd), answered ? 1 : 0);
    }

private:
    HWND m_hPage;
    UINT m_msgList;
    UINT m_msgShouldProbe;
    UINT m_msgResult;
};

// The page whose hang check waits for late answers; the answers arrive on its thread.
CApplicationsPage* g_pLatePage = nullptr;

const CommandEntry<CApplicationsPage> kCommands[] = {
    Command(IDC_END_TASK, &CApplicationsPage::OnEndTask),
    Command(IDC_SWITCH_TO, &CApplicationsPage::OnSwitchTo),
    Command(ID_WINDOW_TOPMOST, &CApplicationsPage::OnWindowTopmost),
    Command(ID_WINDOW_NOTOPMOST, &CApplicationsPage::OnWindowNoTopmost),
};

const UINT kRefreshMs = 1000;
const UINT kHangCheckMs = 3000;
// A window that does not take a null message within this time is handled without waiting for it.
const UINT kAnswerMs = 50;

}  // namespace

CApplicationsPage::CApplicationsPage(CDialog* pParent)
    : CDialog(IDD_APPLICATIONS_PAGE, pParent),
      m_pImageList(new CImageList),
      m_rows(m_listTasks),
      m_icons(m_pImageList),
      m_taskList(m_rows, m_windows, m_icons),
      m_hangStatus(m_rows),
      m_nRefreshPeriod(kRefreshMs)
{
}

CApplicationsPage::~CApplicationsPage()
{
    // Destroy the window while this object is whole, so that OnDestroy stops the worker.
    DestroyWindow();
    StopHangCheck();
    delete m_pImageList;
}

void CApplicationsPage::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_TASK_LIST, m_listTasks);
    DDX_Control(pDX, IDC_END_TASK, m_btnEndTask);
    DDX_Control(pDX, IDC_SWITCH_TO, m_btnSwitchTo);
}

BOOL CApplicationsPage::OnInitDialog()
{
    CDialog::OnInitDialog();

    HBITMAP hBitmap = ::LoadBitmapA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDB_GENERIC_WINDOW));
    m_pImageList->Create(16, 16, ILC_COLOR4 | ILC_MASK, 0, 1);
    m_listTasks.SetImageList(m_pImageList->m_hImageList, LVSIL_SMALL);
    m_pImageList->Add(hBitmap, RGB(255, 0, 255));
    if (hBitmap)
        ::DeleteObject(hBitmap);

    m_listTasks.SetExtendedStyle(m_listTasks.GetExtendedStyle() | LVS_EX_FULLROWSELECT);
    m_listTasks.InsertColumn(kColTitle, "任务", LVCFMT_LEFT, 220);
    m_listTasks.InsertColumn(kColStatus, "状态", LVCFMT_LEFT, 80);
    m_listTasks.InsertColumn(kColHandle, "窗口号", LVCFMT_RIGHT, -10);
    m_listTasks.InsertColumn(kColProcess, "进程号", LVCFMT_RIGHT, -10);

    g_pLatePage = this;
    RefreshWindowList();
    StartHangCheck();
    m_bTimersRun = false;
    RunTimers(true);
    return TRUE;
}

void CApplicationsPage::RefreshWindowList()
{
    if (!m_listTasks.m_hWnd)
        return;
    int64_t start = m_clock.Microseconds();
    m_taskList.RefreshWindowList();
    m_listShown.Ran();
    m_listPacer.Ran(start, m_clock.Microseconds());
}

void CApplicationsPage::RunTimers(bool run)
{
    if (run == m_bTimersRun)
        return;
    m_bTimersRun = run;
    if (!run) {
        KillTimer(TIMER_REFRESH);
        KillTimer(TIMER_HANG_CHECK);
        m_listShown.Tick(false);
        m_hangShown.Tick(false);
        return;
    }
    ArmRefreshTimer(*this, TIMER_REFRESH, m_nRefreshPeriod);
    SetTimer(TIMER_HANG_CHECK, kHangCheckMs);
}

void CApplicationsPage::SetRefreshPeriod(int period)
{
    m_nRefreshPeriod = period;
    if (m_bTimersRun)
        ArmRefreshTimer(*this, TIMER_REFRESH, period);
}

HWND CApplicationsPage::GetSelectedWindow() const
{
    return ToHwnd(m_taskList.GetSelectedWindow());
}

void CApplicationsPage::StartHangCheck()
{
    if (m_bHangCheckBusy)
        return;
    if (m_hHangCheckThread) {  // the previous worker has finished
        ::CloseHandle(m_hHangCheckThread);
        m_hHangCheckThread = nullptr;
    }
    m_hangShown.Ran();
    m_bHangCheckBusy = 1;
    m_bStopHangCheck = 0;
    DWORD threadId;  // Windows 95 refuses a null thread-id pointer
    m_hHangCheckThread = ::CreateThread(nullptr, 0, HangCheckThread, this, 0, &threadId);
    if (!m_hHangCheckThread)
        m_bHangCheckBusy = 0;
}

DWORD WINAPI CApplicationsPage::HangCheckThread(LPVOID pParam)
{
    CApplicationsPage* self = static_cast<CApplicationsPage*>(pParam);
    // The rows are read and written by the page's own thread, each request in one step.
    CWindowProbeWin32 probe;
    CPageHangSink sink(self->m_hWnd, WM_HANG_LIST, WM_HANG_SHOULD_PROBE, WM_HANG_RESULT);
    RunHangCheckPass(probe, sink, &self->m_bStopHangCheck);
    ::InterlockedExchange(&self->m_bHangCheckBusy, 0);
    return 0;
}

void CApplicationsPage::StopHangCheck()
{
    if (!m_hHangCheckThread)
        return;
    m_bStopHangCheck = 1;
    for (;;) {
        DWORD wait = ::MsgWaitForMultipleObjects(1, &m_hHangCheckThread, FALSE, INFINITE, QS_SENDMESSAGE);
        if (wait != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // carries out the messages sent to us
    }
    ::CloseHandle(m_hHangCheckThread);
    m_hHangCheckThread = nullptr;
    m_bHangCheckBusy = 0;
}

INT_PTR CApplicationsPage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    WindowHandle hWnd = static_cast<WindowHandle>(wParam);
    if (msg == WM_HANG_LIST) {
        m_hangStatus.ListWindows(reinterpret_cast<std::vector<WindowHandle>*>(lParam));
        return SetMsgResult(0);
    }
    if (msg == WM_HANG_SHOULD_PROBE)
        return SetMsgResult(m_hangStatus.ShouldProbe(hWnd) ? 1 : 0);
    if (msg == WM_HANG_RESULT) {
        OnHangResult(hWnd, lParam != 0);
        return SetMsgResult(0);
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

void CApplicationsPage::OnHangResult(WindowHandle hWnd, bool answered)
{
    if (!m_hangStatus.WriteResult(hWnd, answered))
        return;
    // The timed-out null message is still queued for the window. A second one behind it, whose
    // answer comes back to this thread, tells when the window works through its queue again.
    if (!::SendMessageCallbackA(ToHwnd(hWnd), WM_NULL, 0, 0, LateAnswerProc, 0))
        m_hangStatus.Answered(hWnd);
}

VOID CALLBACK CApplicationsPage::LateAnswerProc(HWND hWnd, UINT, ULONG_PTR, LRESULT)
{
    if (g_pLatePage)
        g_pLatePage->m_hangStatus.Answered(FromHwnd(hWnd));
}

void CApplicationsPage::OnDestroy()
{
    StopHangCheck();
    if (g_pLatePage == this)
        g_pLatePage = nullptr;
    // Without LVS_SHAREIMAGELISTS the list would destroy the image list with itself; the page
    // owns it and deletes it in its destructor.
    m_listTasks.SetImageList(nullptr, LVSIL_SMALL);
}

void CApplicationsPage::OnTimer(UINT_PTR nIDEvent)
{
    // Hidden (another tab, or the main window hidden or minimised): neither the list nor the
    // statuses need to be kept current.
    bool shown = IsShownOnScreen();
    if (nIDEvent == TIMER_REFRESH) {
        // On a machine too slow for the speed, the tick waits until the last pass's cost allows.
        if (m_listShown.Tick(shown) && m_listPacer.MayStart(m_clock.Microseconds()))
            RefreshWindowList();
    } else if (nIDEvent == TIMER_HANG_CHECK) {
        if (m_hangShown.Tick(shown))
            StartHangCheck();
    }
}

void CApplicationsPage::OnShown()
{
    if (m_listShown.Shown())
        RefreshWindowList();
    if (m_hangShown.Shown())
        StartHangCheck();
}

bool CApplicationsPage::OnCmdMsg(UINT nID)
{
    // The new-task button (32772) is not handled here: it travels on to the main window.
    return DispatchCommand(this, kCommands, nID) || CDialog::OnCmdMsg(nID);
}

bool CApplicationsPage::OnNotify(const NMHDR& nmhdr, LRESULT& result)
{
    if (nmhdr.idFrom != IDC_TASK_LIST)
        return false;
    switch (nmhdr.code) {
    case LVN_ITEMCHANGED: OnSelectionChanged(); break;
    case NM_RCLICK: ShowWindowPopup(); break;
    default: return false;
    }
    result = 0;
    return true;
}

void CApplicationsPage::OnSelectionChanged()
{
    bool bEndTask, bSwitchTo;
    m_taskList.GetButtonStates(&bEndTask, &bSwitchTo);
    m_btnEndTask.EnableWindow(bEndTask);
    m_btnSwitchTo.EnableWindow(bSwitchTo);
}

void CApplicationsPage::ShowWindowPopup()
{
    if (m_listTasks.GetSelectedItem() < 0)
        return;
    CMenu menu;
    if (!menu.LoadMenu(IDR_POPUP_MENU))
        return;
    POINT pt;
    ::GetCursorPos(&pt);
    menu.GetSubMenu(1).TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, m_hWnd);
    menu.DestroyMenu();
}

void CApplicationsPage::OnEndTask()
{
    CPageTaskActions actions(m_pParentWnd ? m_pParentWnd : this);
    m_taskList.OnEndTask(actions);
}

void CApplicationsPage::OnSwitchTo()
{
    HWND hWnd = GetSelectedWindow();
    if (!hWnd)
        return;
    if (::IsIconic(hWnd)) {
        // Restoring another thread's window waits for that thread: a hung one gets a posted request.
        if (WindowAnswers(hWnd, kAnswerMs))
            ::ShowWindow(hWnd, SW_RESTORE);
        else
            ::PostMessageA(hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    }
    ::SetForegroundWindow(hWnd);
}

void CApplicationsPage::SetWindowLevel(HWND hInsertAfter)
{
    HWND hWnd = GetSelectedWindow();
    if (!hWnd)
        return;
    UINT flags = SWP_NOMOVE | SWP_NOSIZE;
    // Moving another thread's window waits for that thread; a hung one would freeze the page.
    // Windows 95 has no asynchronous move (the flag would make the call fail): there a hung
    // window keeps its place.
    if (!WindowAnswers(hWnd, kAnswerMs)) {
        if (IsWindows95())
            return;
        flags |= SWP_ASYNCWINDOWPOS;
    }
    ::SetWindowPos(hWnd, hInsertAfter, 0, 0, 0, 0, flags);
}

void CApplicationsPage::OnWindowTopmost()
{
    SetWindowLevel(HWND_TOPMOST);
}

void CApplicationsPage::OnWindowNoTopmost()
{
    SetWindowLevel(HWND_NOTOPMOST);
}
