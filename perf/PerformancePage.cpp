// The Performance page's window side: timer, show and paint handling, the controls' device
// contexts, and the notification-area icon with its menu.
#include "perf/PerformancePage.h"
#include "app/KorvaneApp.h"
#include "app/KorvaneDlg.h"
#include "framework/Controls.h"
#include "perf/GdiSurface.h"
#include "perf/TrayGauge.h"
#include "res/resource.h"
#include <string.h>

// Windows 95's shell knows only the first 88 bytes of the record.
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the record size the 4.0 shell expects");

namespace {
const UINT kTrayIconId = 128;
const int kTrayMenuPopup = 2;  // "_Right_Popup_" of menu 137

HICON LoadTrayIcon(int resourceId)
{
    return static_cast<HICON>(::LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(resourceId), IMAGE_ICON,
                                           kTrayIconSize, kTrayIconSize, 0));
}

// A control's device context, released to that control.
class CControlSurface : public CGdiSurface {
public:
    CControlSurface(HWND hControl, HDC hDC) : CGdiSurface(hDC), m_hControl(hControl) {}
    HWND m_hControl;
};

// True while the computer lock is up: the tray must not bring anything past it.
bool MainWindowLocked()
{
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->m_pMainWnd && static_cast<CKorvaneDlg*>(pApp->m_pMainWnd)->m_bLocked;
}
}  // namespace

CPerformancePage::CPerformancePage(CDialog* pParent)
    : CDialog(IDD_PERFORMANCE_PAGE, pParent), m_dynDataCounters(DefaultRegistry()),
      m_counters(m_dynDataCounters, m_systemTimes)
{
    memset(&m_nidTray, 0, sizeof m_nidTray);
    Connect(m_counters, m_systemStatus);
}

CPerformancePage::~CPerformancePage()
{
    if (m_bTrayAdded)
        ::Shell_NotifyIconA(NIM_DELETE, &m_nidTray);
    m_bTrayAdded = false;
}

BOOL CPerformancePage::OnInitDialog()
{
    CDialog::OnInitDialog();

    m_nidTray.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_nidTray.hWnd = m_hWnd;
    m_nidTray.uID = kTrayIconId;
    m_nidTray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nidTray.uCallbackMessage = WM_TRAYNOTIFY;
    m_nidTray.hIcon = LoadTrayIcon(IDI_CPU_LEVEL_0);
    strcpy(m_nidTray.szTip, "Init...");
    ::Shell_NotifyIconA(NIM_ADD, &m_nidTray);
    m_bTrayAdded = true;
    if (m_nidTray.hIcon)
        ::DestroyIcon(m_nidTray.hIcon);  // the notification area keeps its own copy
    m_nidTray.hIcon = nullptr;

    Initialise(*this);
    SetTimer(TIMER_REFRESH, TimerElapse(theApp.m_nRefreshPeriod));
    return TRUE;
}

void CPerformancePage::RefreshPerformance()
{
    if (!m_hWnd)
        return;
    // The refresh draws straight on the screen. A paint still pending (the page has just been
    // shown, say) would come after it and cover the meters and curves with the controls' plain
    // rectangles until the next refresh: let it happen first.
    ::UpdateWindow(m_hWnd);
    Refresh(*this);
}

void CPerformancePage::UpdateTrayIcon(int cpu)
{
    m_nidTray.hIcon = LoadTrayIcon(TrayIconId(cpu));
    FormatTrayTip(m_nidTray.szTip, sizeof m_nidTray.szTip, cpu);
    ::Shell_NotifyIconA(NIM_MODIFY, &m_nidTray);
    if (m_nidTray.hIcon)
        ::DestroyIcon(m_nidTray.hIcon);
    m_nidTray.hIcon = nullptr;
}

void CPerformancePage::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == TIMER_REFRESH)
        RefreshPerformance();
}

INT_PTR CPerformancePage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SHOWWINDOW:
        // Shown or hidden, the figures are brought up to date; the rest is the default handling.
        RefreshPerformance();
        return FALSE;
    case WM_PAINT:
        OnPaint();
        return TRUE;
    case WM_TRAYNOTIFY:
        OnTrayNotify(wParam, lParam);
        return TRUE;
    default:
        return CDialog::WindowProc(msg, wParam, lParam);
    }
}

void CPerformancePage::OnPaint()
{
    // Only the grid: meters, curves and the graphs' background come back with the next refresh.
    PAINTSTRUCT ps;
    ::BeginPaint(m_hWnd, &ps);
    // The graph controls would paint their plain rectangles after this window, over the grid:
    // let them paint first.
    ::UpdateWindow(GetDlgItem(IDC_CPU_GRAPH));
    ::UpdateWindow(GetDlgItem(IDC_MEM_GRAPH));
    DrawGrid(*this, IDC_CPU_GRAPH);
    DrawGrid(*this, IDC_MEM_GRAPH);
    ::EndPaint(m_hWnd, &ps);
}

void CPerformancePage::OnTrayNotify(WPARAM nIconId, LPARAM nMouseMessage)
{
    (void)nIconId;
    switch (static_cast<UINT>(nMouseMessage)) {
    case WM_LBUTTONDBLCLK: {
        CWinApp* pApp = AfxGetApp();
        if (pApp && pApp->m_pMainWnd && !MainWindowLocked())
            pApp->m_pMainWnd->ShowWindow(SW_SHOWDEFAULT);
        break;
    }
    case WM_RBUTTONDOWN: {
        if (MainWindowLocked())
            break;
        CMenu menu;
        if (!menu.LoadMenu(IDR_POPUP_MENU))
            break;
        POINT pt = {};
        ::GetCursorPos(&pt);
        // The chosen command comes to this window, which passes it on to the main window.
        menu.GetSubMenu(kTrayMenuPopup).TrackPopupMenu(TPM_RIGHTBUTTON, pt.x, pt.y, m_hWnd);
        menu.DestroyMenu();
        break;
    }
    default:
        break;
    }
}

void CPerformancePage::SetTotalsText(int id, const char* text)
{
    // A static repaints itself at once on every new text, even an equal one: write only changes.
    char current[64];
    if (GetDlgItemText(id, current, sizeof current) == strlen(text) && strcmp(current, text) == 0)
        return;
    SetDlgItemText(id, text);
}

IDrawSurface* CPerformancePage::GetSurface(int id, int* w, int* h)
{
    HWND hControl = GetDlgItem(id);
    if (!hControl)
        return nullptr;
    HDC hDC = ::GetDC(hControl);
    if (!hDC)
        return nullptr;
    RECT rc = {};
    ::GetClientRect(hControl, &rc);
    *w = rc.right;
    *h = rc.bottom;
    return new CControlSurface(hControl, hDC);
}

void CPerformancePage::ReleaseSurface(IDrawSurface* surface)
{
    CControlSurface* control = static_cast<CControlSurface*>(surface);
    HWND hControl = control->m_hControl;
    HDC hDC = control->GetDC();
    delete control;  // puts back any pen first
    ::ReleaseDC(hControl, hDC);
}
