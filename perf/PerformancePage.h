// The Performance page (dialog 131): CPU and memory meters, their 200-sample histories, the four
// total blocks, and the notification-area CPU gauge, all kept current by the page's timer 10.
#pragma once
#include "common/Registry.h"
#include "framework/Dialog.h"
#include "perf/PerfMonitor.h"
#include "perf/PerfWin32.h"
#include "perf/StatCounters.h"
#include <shellapi.h>

class CPerformancePage : public CDialog, public CPerformanceMonitor, private IPerformanceView {
public:
    explicit CPerformancePage(CDialog* pParent = nullptr);
    // Removes the tray icon before the dialog itself goes.
    ~CPerformancePage() override;

    void RefreshPerformance();
    // Gauge icon and tip of the CPU percentage in the notification area.
    void UpdateTrayIcon(int cpu) override;

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

    // The page as the refresh draws on it.
    void SetTotalsText(int id, const char* text) override;
    IDrawSurface* GetSurface(int id, int* w, int* h) override;
    void ReleaseSurface(IDrawSurface* surface) override;

    CWin32SystemTimes m_systemTimes;
    CDynDataCounters m_dynDataCounters;
    CFallbackCounters m_counters;
    CWin32SystemStatus m_systemStatus;
    bool m_bTrayAdded = false;
};
