// The Performance page (dialog 131): CPU and memory meters, their 200-sample histories, the four
// total blocks, and the notification-area CPU gauge, all kept current by the page's timer 10.
#pragma once
#include "common/Registry.h"
#include "framework/Dialog.h"
#include "perf/GdiSurface.h"
#include "perf/PerfMonitor.h"
#include "perf/PerfWin32.h"
#include "perf/StatCounters.h"
#include "perf/TrayGauge.h"
#include <shellapi.h>

class CPerformancePage : public CDialog, public CPerformanceMonitor, private IPerformanceView {
public:
    explicit CPerformancePage(CDialog* pParent = nullptr);
    // Removes the tray icon and stops the statistics before the dialog itself goes.
    ~CPerformancePage() override;

    void RefreshPerformance();
    // The page has come into view with the main window: one full refresh at once when refreshes
    // made while it could not be seen left its texts and drawing behind.
    void OnShown();
    // Gauge icon and tip of the CPU percentage in the notification area.
    void UpdateTrayIcon(int cpu) override;
    // Puts the icon, as it last was, into the notification area again (the shell rebuilt it).
    void AddTrayIcon();

    NOTIFYICONDATAA m_nidTray;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override { (void)pDX; }
    void OnOK() override {}      // Enter does not close the page
    void OnCancel() override {}  // nor does Esc
    void OnTimer(UINT_PTR nIDEvent) override;
    INT_PTR WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnTrayNotify(WPARAM nIconId, LPARAM nMouseMessage);
    void OnPaint();
    // The notification-area call with the record and the icon of the current level.
    bool NotifyTray(DWORD message);

    // A control of the page by id, its window looked up once (under Wine every lookup is a
    // request to the server).
    HWND Control(int id);

    // The page as the refresh draws on it.
    bool IsShown() override;
    bool GetControlSize(int id, int* w, int* h) override;
    void SetTotalsText(int id, const char* text) override;
    IDrawSurface* GetSurface(int id, int* w, int* h) override;
    void ReleaseSurface(IDrawSurface* surface) override;

    CWin32SystemStatus m_systemStatus;
    CWin32SystemTimes m_systemTimes;
    CDynDataCounters m_dynDataCounters;
    CFallbackCounters m_counters;
    CWin32FineClock m_clock;
    bool m_bTrayAdded = false;
    bool m_bHiding = false;            // inside the show handling of the page being hidden
    HICON m_hLevelIcons[kTrayLevels] = {};  // the gauge's icons, loaded once
    int m_nTrayLevel = -1;             // the level the notification area shows
    CGdiObjectCache m_gdiObjects;
    HWND m_hControls[8] = {};      // the drawing's pens and brushes, kept for the page's life
};
