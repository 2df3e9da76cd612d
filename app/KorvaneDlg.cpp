// The main window (dialog 102).
#include "app/KorvaneDlg.h"
#include "app/AboutDlg.h"
#include "app/KorvaneApp.h"
#include "apps/ApplicationsPage.h"
#include "perf/PerformancePage.h"
#include "process/ProcessPage.h"
#include "protect/CoverWindow.h"
#include "protect/LockDialog.h"
#include "protect/LockRules.h"
#include "protect/ProtectWin32.h"
#include "res/resource.h"

namespace {

const CommandEntry<CKorvaneDlg> kCommands[] = {
    Command(ID_FILE_NEW_TASK, &CKorvaneDlg::OnNewTask),
    Command(ID_OPTIONS_TOPMOST, &CKorvaneDlg::OnTopmost),
    Command(ID_OPTIONS_HIDE_ON_MIN, &CKorvaneDlg::OnHideOnMin),
    Command(ID_OPTIONS_AUTOBOOT, &CKorvaneDlg::ToggleAutoBoot),
    Command(ID_VIEW_REFRESH_NOW, &CKorvaneDlg::OnRefreshNow),
    CommandRange(ID_SPEED_HIGH, ID_SPEED_REALTIME, &CKorvaneDlg::OnUpdateSpeed),
    Command(ID_LOCK_COMPUTER, &CKorvaneDlg::OnLockComputer),
    Command(ID_QUICK_TAKEOVER, &CKorvaneDlg::OnQuickTakeover),
    Command(ID_QUICK_SHUTDOWN, &CKorvaneDlg::OnQuickShutdown),
    Command(ID_SET_UNLOCK_PASSWORD, &CKorvaneDlg::OnSetUnlockPassword),
    Command(ID_APP_ABOUT, &CKorvaneDlg::OnAbout),
    Command(ID_RESTORE, &CKorvaneDlg::OnRestore),
};

// Posted to itself when the hidden main window was activated while locked.
const UINT WM_RETURN_TO_LOCK = WM_APP + 0x40;
// Posted to itself when the window has come onto the screen, handled once the showing is over.
const UINT WM_SHOWN_ON_SCREEN = WM_APP + 0x41;
// Posted to itself when it lost the activation during the takeover, checked once the change is over.
const UINT WM_TAKEOVER_KEYBOARD = WM_APP + 0x42;
// Posted to itself at the end of its initialisation: from then on the timers that only serve
// what can be seen run only while it can (a start in the notification area stops them all).
const UINT WM_STARTED_HIDDEN = WM_APP + 0x43;

const char* const kTabTexts[] = {"应用程序", "进程", "性能"};
const int kPageX = 20;
const int kPageY = 36;

// The menu bar's check marks, for the settings rules.
class CMenuBarChecks : public IMenuChecks {
public:
    explicit CMenuBarChecks(HMENU hMenu) : m_menu(hMenu) {}
    void CheckItem(unsigned id, bool checked) override { m_menu.CheckMenuItem(id, checked); }

private:
    CMenu m_menu;
};

// Broadcast by the shell when it has (re)built the taskbar, after Explorer restarted: the
// notification area then holds none of the icons that were there.
UINT TaskbarCreatedMessage()
{
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

}  // namespace

void ArmRefreshTimer(const CWnd& wnd, UINT_PTR nIDEvent, int period)
{
    wnd.KillTimer(nIDEvent);
    // Not a huge period: some versions of Windows replace a period above USER_TIMER_MAXIMUM by
    // a small one, which would make "paused" the fastest speed.
    UINT elapse = TimerElapse(period);
    if (elapse != 0)
        wnd.SetTimer(nIDEvent, elapse);
}

CKorvaneDlg::CKorvaneDlg() : CDialog(IDD_KORVANE_DIALOG, nullptr)
{
    m_hIcon = LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDI_KORVANE));
    m_pApplicationsPage = new CApplicationsPage(this);
    m_pProcessPage = new CProcessPage(this);
    m_pPerformancePage = new CPerformancePage(this);
}

CKorvaneDlg::~CKorvaneDlg()
{
    // The pages normally go in OnDestroy; this covers a window that was never created.
    delete m_pProcessPage;
    delete m_pPerformancePage;
    delete m_pApplicationsPage;
}

void CKorvaneDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_TAB_PAGES, m_tabPages);
}

BOOL CKorvaneDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_pProcessPage->Create(IDD_PROCESS_PAGE, this);
    m_pPerformancePage->Create(IDD_PERFORMANCE_PAGE, this);
    m_pApplicationsPage->Create(IDD_APPLICATIONS_PAGE, this);
    m_bTakeover = false;

    for (int i = 0; i < 3; ++i)
        m_tabPages.InsertItem(i, kTabTexts[i]);
    SelectPage(theApp.m_nShowPage);
    // The first tab inserted is already selected, and an index past the end leaves it so:
    // with no page shown, no tab may look selected either.
    bool validPage = theApp.m_nShowPage >= 0 && theApp.m_nShowPage <= 2;
    m_tabPages.SetCurSel(validPage ? theApp.m_nShowPage : -1);

    if (theApp.m_bTopmost)
        SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    m_nStatusPeriod = theApp.m_nRefreshPeriod;
    ArmRefreshTimer(*this, TIMER_REFRESH, m_nStatusPeriod);
    PostMessage(WM_STARTED_HIDDEN);
    return TRUE;
}

void CKorvaneDlg::ApplySettingsToMenu()
{
    CMenuBarChecks checks(GetMenu());
    theApp.CKorvaneSettings::ApplySettingsToMenu(checks);
}

void CKorvaneDlg::SelectPage(int nPage)
{
    CDialog* pages[3] = {m_pApplicationsPage, m_pProcessPage, m_pPerformancePage};
    for (CDialog* page : pages)
        page->ShowWindow(SW_HIDE);
    if (nPage < 0 || nPage > 2)
        return;
    pages[nPage]->SetWindowPos(HWND_TOP, kPageX, kPageY, 0, 0, SWP_NOSIZE);
    pages[nPage]->ShowWindow(SW_SHOW);
    RunWindowTimers();
    // The Performance page draws straight on the screen, so what it showed went with its hiding;
    // hidden, it refreshed without drawing and is behind now: it draws again at once.
    CatchUpShownPage();
}

void CKorvaneDlg::CatchUpShownPage()
{
    if (m_pApplicationsPage->IsWindowVisible())
        m_pApplicationsPage->OnShown();
    else if (m_pProcessPage->IsWindowVisible())
        m_pProcessPage->OnShown();
    else if (m_pPerformancePage->IsWindowVisible())
        m_pPerformancePage->OnShown();
}

void CKorvaneDlg::RunWindowTimers()
{
    if (!m_bStarted || !m_pProcessPage)
        return;
    bool shown = IsShownOnScreen();
    m_pApplicationsPage->RunTimers(shown && m_pApplicationsPage->IsWindowVisible());
    m_pProcessPage->RunTimer(shown);
    if (shown == m_bStatusTimerRuns)
        return;
    m_bStatusTimerRuns = shown;
    if (shown) {
        ArmRefreshTimer(*this, TIMER_REFRESH, m_nStatusPeriod);
    } else {
        KillTimer(TIMER_REFRESH);
        m_statusShown.Tick(false);
    }
}

void CKorvaneDlg::OnShownOnScreen()
{
    if (!IsShownOnScreen())
        return;
    // Paint first: a paint still pending would cover what is drawn straight on the screen.
    ::UpdateWindow(m_hWnd);
    if (m_statusShown.Shown())
        UpdateStatusBar();
    CatchUpShownPage();
}

bool CKorvaneDlg::OnCmdMsg(UINT nID)
{
    // While locked no command of the tray or the menus is carried out: restore, takeover, a second
    // lock and Exit would each end or defeat the lock without the password.
    if (m_bLocked)
        return true;
    return DispatchCommand(this, kCommands, nID) || CDialog::OnCmdMsg(nID);
}

bool CKorvaneDlg::OnNotify(const NMHDR& nmhdr, LRESULT& result)
{
    if (nmhdr.idFrom == IDC_TAB_PAGES && nmhdr.code == TCN_SELCHANGE) {
        SelectPage(m_tabPages.GetCurSel());
        result = 0;
        return true;
    }
    return false;
}

void CKorvaneDlg::OnTimer(UINT_PTR nIDEvent)
{
    // Hidden or minimised, the status bar cannot be seen: it is brought up to date when shown.
    // On a machine too slow for the speed, the tick waits until the last update's cost allows.
    if (nIDEvent == TIMER_REFRESH && m_statusShown.Tick(IsShownOnScreen()) &&
        m_statusPacer.MayStart(m_clock.Microseconds()))
        UpdateStatusBar();
}

INT_PTR CKorvaneDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SYSCOMMAND:
        if (OnSysCommand(static_cast<UINT>(wParam), lParam))
            return SetMsgResult(0);
        return FALSE;
    case WM_HOTKEY:
        return SetMsgResult(OnHotKey(wParam));
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_ACTIVATE:
        // Something made the hidden window the active one (a second instance brings it to the
        // front): give the keyboard back to the lock dialog once this activation is over.
        if (m_bLocked && LOWORD(wParam) != WA_INACTIVE)
            PostMessage(WM_RETURN_TO_LOCK);
        if (m_bTakeover && LOWORD(wParam) == WA_INACTIVE)
            PostMessage(WM_TAKEOVER_KEYBOARD);
        return FALSE;
    case WM_RETURN_TO_LOCK:
        // The lock dialog, or the dialog or message box it runs.
        if (m_bLocked) {
            if (HWND hPopup = FindOwnedPopup(m_hWnd))
                ::SetForegroundWindow(hPopup);
        }
        return TRUE;
    case WM_TAKEOVER_KEYBOARD: {
        // The keyboard left the window above the cover for nowhere (the X11 focus of a system
        // under Wine can drop to the desktop): it comes back here. A window that took it keeps it.
        HWND hForeground = ::GetForegroundWindow();
        if (m_bTakeover && !m_bLocked &&
            (!hForeground || hForeground == ::GetDesktopWindow() ||
             (m_pCoverWindow && hForeground == m_pCoverWindow->m_hWnd)))
            TakeForeground(m_hWnd);
        return TRUE;
    }
    case WM_ENDSESSION:
        if (wParam)
            OnEndSession();
        return FALSE;
    case WM_WINDOWPOSCHANGED: {
        bool shown = IsShownOnScreen();
        if (shown && !m_bShownOnScreen)
            PostMessage(WM_SHOWN_ON_SCREEN);
        bool changed = shown != m_bShownOnScreen;
        m_bShownOnScreen = shown;
        if (changed)
            RunWindowTimers();
        return CDialog::WindowProc(msg, wParam, lParam);
    }
    case WM_SHOWN_ON_SCREEN:
        OnShownOnScreen();
        return TRUE;
    case WM_STARTED_HIDDEN:
        m_bStarted = true;
        RunWindowTimers();
        return TRUE;
    case WM_WINDOWPOSCHANGING:
        // While locked the window stays hidden, whoever asks to show it (a second instance calls
        // ShowWindow on it from its own process).
        if (m_bLocked)
            reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
        return FALSE;
    default:
        if (msg == TaskbarCreatedMessage()) {
            // The shell restarted during the lock and brought a new taskbar: it goes at once.
            if (m_bLocked && !m_bSystemReleased)
                ShowTaskbar(SW_HIDE);
            if (m_pPerformancePage)
                m_pPerformancePage->AddTrayIcon();
            return TRUE;
        }
        if (msg == QueryCancelAutoPlayMessage() && m_bLocked)
            return SetMsgResult(1);  // an inserted disc starts nothing behind the lock
        return CDialog::WindowProc(msg, wParam, lParam);
    }
}

bool CKorvaneDlg::OnSysCommand(UINT nID, LPARAM lParam)
{
    // No screen saver and no task switch behind the lock's back.
    if (LockAnswersSysCommand(m_bLocked, nID))
        return true;
    switch (nID) {
    case SC_SIZE:
    case SC_MAXIMIZE:
        return true;
    case SC_MINIMIZE:
        if (m_bTakeover)
            return true;
        DefWindowProcA(m_hWnd, WM_SYSCOMMAND, nID, lParam);
        if (theApp.m_bHideOnMin)
            ShowWindow(SW_HIDE);
        return true;
    case SC_CLOSE:
        if (m_bTakeover)
            OnQuickTakeover();
        // The default close of this dialog is its cancel, which only hides a modeless dialog.
        // Minimised while still shown: minimising a hidden window leaves Wine's X11 driver with
        // a pending iconify that minimises (and so hides) the window again when it is restored.
        ShowWindow(SW_MINIMIZE);
        OnCancel();
        ShowWindow(SW_HIDE);
        return true;
    default:
        return false;
    }
}

LRESULT CKorvaneDlg::OnHotKey(WPARAM nHotKeyId)
{
    if (m_bLocked)
        return 1;  // nothing reaches past the lock
    switch (nHotKeyId) {
    case HOTKEY_RESTORE: OnRestore(); break;
    case HOTKEY_LOCK: OnLockComputer(); break;
    case HOTKEY_TAKEOVER: OnQuickTakeover(); break;
    default: break;
    }
    return 1;
}

void CKorvaneDlg::OnRestore()
{
    if (m_bLocked)
        return;
    ShowWindow(SW_RESTORE);
}

void CKorvaneDlg::OnTopmost()
{
    theApp.m_bTopmost = theApp.m_bTopmost == 0 ? 1 : 0;
    // During a takeover the window stays in the topmost band, above the cover.
    bool topmost = theApp.m_bTopmost || m_bTakeover;
    SetWindowPos(topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    CMenu(GetMenu()).CheckMenuItem(ID_OPTIONS_TOPMOST, theApp.m_bTopmost != 0);
}

void CKorvaneDlg::OnHideOnMin()
{
    theApp.m_bHideOnMin = theApp.m_bHideOnMin == 0 ? 1 : 0;
    CMenu(GetMenu()).CheckMenuItem(ID_OPTIONS_HIDE_ON_MIN, theApp.m_bHideOnMin != 0);
}

void CKorvaneDlg::ToggleAutoBoot()
{
    CMenuBarChecks checks(GetMenu());
    theApp.CKorvaneSettings::ToggleAutoBoot(DefaultRegistry(), checks, theApp.GetProgramDirectory());
}

void CKorvaneDlg::OnRefreshNow()
{
    m_pProcessPage->RefreshProcessList();
    m_pPerformancePage->RefreshPerformance();
    m_pApplicationsPage->RefreshWindowList();
}

void CKorvaneDlg::OnUpdateSpeed(UINT nID)
{
    theApp.ChooseSpeed(nID);
    m_pProcessPage->RefreshProcessList();
    m_pApplicationsPage->SetRefreshPeriod(theApp.m_nRefreshPeriod);
    ArmRefreshTimer(*m_pPerformancePage, TIMER_REFRESH, theApp.m_nRefreshPeriod);
    m_pPerformancePage->RefreshPerformance();
    CMenu menu(GetMenu());
    for (UINT id = ID_SPEED_HIGH; id <= ID_SPEED_REALTIME; ++id)
        menu.CheckMenuItem(id, false);
    menu.CheckMenuItem(nID, true);
}

void CKorvaneDlg::OnAbout()
{
    CAboutDlg dlg(this);
    dlg.DoModal();
}

void CKorvaneDlg::OnEndSession()
{
    // The system ends the process once this message is answered: no quit message, no OnDestroy.
    ReleaseSystemForSessionEnd();
    if (m_bTakeover)
        OnQuickTakeover();
    SaveSettings();
    m_pPerformancePage->StopStats();
}

void CKorvaneDlg::SaveSettings()
{
    theApp.SaveSettings(DefaultRegistry(), m_tabPages.GetCurSel());
}

void CKorvaneDlg::OnDestroy()
{
    SaveSettings();
    delete m_pProcessPage;
    m_pProcessPage = nullptr;
    delete m_pPerformancePage;
    m_pPerformancePage = nullptr;
    delete m_pApplicationsPage;
    m_pApplicationsPage = nullptr;
}
