// The Performance page's window side: timer, show and paint handling, the controls' device
// contexts, and the notification-area icon with its menu.
#include "perf/PerformancePage.h"
#include "app/KorvaneApp.h"
#include "app/KorvaneDlg.h"
#include "framework/Controls.h"
#include "perf/GdiSurface.h"
#include "perf/TrayGauge.h"
#include "res/resource.h"
#include <stddef.h>
#include <string.h>

// The 4.0 shell knows the record only up to the end of its 64-byte tip: 88 bytes on 32-bit
// Windows, where the program ships.
static_assert(NOTIFYICONDATAA_V1_SIZE == offsetof(NOTIFYICONDATAA, szTip) + 64, "the record the 4.0 shell expects");
static_assert(sizeof(void*) != 4 || NOTIFYICONDATAA_V1_SIZE == 88, "the 4.0 shell's record is 88 bytes");

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
    CControlSurface(HWND hControl, HDC hDC, CGdiObjectCache* pCache) : CGdiSurface(hDC, pCache), m_hControl(hControl) {}
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
    : CDialog(IDD_PERFORMANCE_PAGE, pParent), m_systemTimes(m_systemStatus), m_dynDataCounters(DefaultRegistry()),
      m_counters(m_dynDataCounters, m_systemTimes, &m_clock)
{
    memset(&m_nidTray, 0, sizeof m_nidTray);
    Connect(m_counters, m_systemStatus, m_clock);
}

CPerformancePage::~CPerformancePage()
{
    StopStats();
    if (m_bTrayAdded)
        ::Shell_NotifyIconA(NIM_DELETE, &m_nidTray);
    m_bTrayAdded = false;
    for (HICON& hIcon : m_hLevelIcons) {
        if (hIcon)
            ::DestroyIcon(hIcon);
        hIcon = nullptr;
    }
}

BOOL CPerformancePage::OnInitDialog()
{
    CDialog::OnInitDialog();

    m_nidTray.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_nidTray.hWnd = m_hWnd;
    m_nidTray.uID = kTrayIconId;
    m_nidTray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nidTray.uCallbackMessage = WM_TRAYNOTIFY;
    // The eleven gauge icons are loaded once; the notification area keeps its own copy of each
    // one it is given.
    for (int level = 0; level < kTrayLevels; ++level) {
        if (!m_hLevelIcons[level])
            m_hLevelIcons[level] = LoadTrayIcon(kTrayIconFirst + level);
    }
    m_nidTray.hIcon = m_hLevelIcons[0];
    strcpy(m_nidTray.szTip, "Init...");
    NotifyTray(NIM_ADD);
    m_bTrayAdded = true;
    m_nTrayLevel = -1;  // the first reading is always shown

    Initialise(*this);
    ArmRefreshTimer(*this, TIMER_REFRESH, theApp.m_nRefreshPeriod);
    return TRUE;
}

void CPerformancePage::RefreshPerformance()
{
    if (!m_hWnd)
        return;
    // The refresh draws straight on the screen. A paint still pending (the page has just been
    // shown, say) would come after it and cover the meters and curves with the controls' plain
    // rectangles until the next refresh: let it happen first.
    if (IsShown())
        ::UpdateWindow(m_hWnd);
    Refresh(*this);
}

bool CPerformancePage::NotifyTray(DWORD message)
{
    return ::Shell_NotifyIconA(message, &m_nidTray) != FALSE;
}

void CPerformancePage::OnShown()
{
    if (!m_hWnd)
        return;
    // As for every refresh: the paint that showing the page left pending comes first.
    if (IsShown())
        ::UpdateWindow(m_hWnd);
    CPerformanceMonitor::OnShown(*this);
}

void CPerformancePage::UpdateTrayIcon(int cpu)
{
    // The notification area is told only of a new level or a new tip.
    char tip[kTrayTipSize];
    FormatTrayTip(tip, sizeof tip, cpu);
    int level = TrayLevel(cpu);
    if (level == m_nTrayLevel && strcmp(tip, m_nidTray.szTip) == 0)
        return;
    // A new tip alone leaves the icon out of the message: the notification area then keeps its
    // copy of the picture rather than making a new one.
    bool newIcon = level != m_nTrayLevel;
    m_nTrayLevel = level;
    m_nidTray.hIcon = m_hLevelIcons[level];
    strcpy(m_nidTray.szTip, tip);
    m_nidTray.uFlags = newIcon ? NIF_ICON | NIF_TIP : NIF_TIP;
    bool modified = NotifyTray(NIM_MODIFY);
    m_nidTray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    // A failed modify means the icon is gone (the notification area was rebuilt without it).
    if (!modified)
        NotifyTray(NIM_ADD);
}

void CPerformancePage::AddTrayIcon()
{
    if (m_hWnd && m_bTrayAdded)
        NotifyTray(NIM_ADD);
}

void CPerformancePage::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == TIMER_REFRESH && RefreshDue())
        RefreshPerformance();
}

INT_PTR CPerformancePage::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SHOWWINDOW:
        // Shown or hidden, the figures are brought up to date; the rest is the default handling.
        // Nothing is drawn here: a page being hidden goes from the screen, and one being shown is
        // not on it yet (the main window refreshes it once it is).
        m_bHiding = !wParam;
        RefreshPerformance();
        m_bHiding = false;
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
    ::UpdateWindow(Control(IDC_CPU_GRAPH));
    ::UpdateWindow(Control(IDC_MEM_GRAPH));
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
    HWND hControl = Control(id);
    char current[64];
    if (static_cast<size_t>(::GetWindowTextA(hControl, current, sizeof current)) == strlen(text) &&
        strcmp(current, text) == 0)
        return;
    ::SetWindowTextA(hControl, text);
}

bool CPerformancePage::IsShown()
{
    return !m_bHiding && IsShownOnScreen();
}

HWND CPerformancePage::Control(int id)
{
    static const int kIds[8] = {kIdCpuMeter, kIdCpuGraph, kIdMemMeter, kIdMemGraph,
                                kIdTotals,   kIdPhysicalMemory, kIdCommitCharge, kIdKernelMemory};
    for (int i = 0; i < 8; ++i) {
        if (kIds[i] == id) {
            if (!m_hControls[i])
                m_hControls[i] = GetDlgItem(id);
            return m_hControls[i];
        }
    }
    return GetDlgItem(id);
}

bool CPerformancePage::GetControlSize(int id, int* w, int* h)
{
    HWND hControl = Control(id);
    RECT rc = {};
    if (!hControl || !::GetClientRect(hControl, &rc))
        return false;
    *w = rc.right;
    *h = rc.bottom;
    return true;
}

IDrawSurface* CPerformancePage::GetSurface(int id, int* w, int* h)
{
    if (!GetControlSize(id, w, h))
        return nullptr;
    HWND hControl = Control(id);
    HDC hDC = ::GetDC(hControl);
    if (!hDC)
        return nullptr;
    return new CControlSurface(hControl, hDC, &m_gdiObjects);
}

void CPerformancePage::ReleaseSurface(IDrawSurface* surface)
{
    CControlSurface* control = static_cast<CControlSurface*>(surface);
    HWND hControl = control->m_hControl;
    HDC hDC = control->GetDC();
    delete control;  // puts back any pen first
    ::ReleaseDC(hControl, hDC);
}
