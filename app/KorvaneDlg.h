// The main window: tabs with the three pages, menu commands, hot keys, status bar, options.
#pragma once
#include "framework/Controls.h"
#include "common/RefreshPacer.h"
#include "common/ShownRefresh.h"
#include "framework/Dialog.h"
#include "perf/PerfWin32.h"
#include "protect/Takeover.h"
#include <vector>

class CApplicationsPage;
class CProcessPage;
class CPerformancePage;
class CCoverWindow;

class CKorvaneDlg : public CDialog {
public:
    CKorvaneDlg();
    ~CKorvaneDlg() override;

    void SelectPage(int nPage);
    void ApplySettingsToMenu();
    void UpdateStatusBar();

    // Menu commands and hot-key actions.
    void OnNewTask();
    void OnTopmost();
    void OnHideOnMin();
    void ToggleAutoBoot();
    void OnRefreshNow();
    void OnUpdateSpeed(UINT nID);
    void OnLockComputer();
    void OnQuickTakeover();
    void OnQuickShutdown();
    void OnSetUnlockPassword();
    void OnAbout();
    void OnRestore();
    // Windows is ending: what Exit would do before the program goes (takeover ended, settings
    // saved, statistics stopped).
    void OnEndSession();
    // Windows is ending while locked: the taskbar and the system keys back for the next user.
    void ReleaseSystemForSessionEnd();

    // The takeover's priority changes.
    void DemoteOtherProcesses();
    void RestoreOtherProcesses();

    bool m_bTakeover = false;
    // True while the computer lock is up: nothing may show the main window then.
    bool m_bLocked = false;
    // True once Windows is ending during the lock: the taskbar and the system keys are back.
    bool m_bSystemReleased = false;
    CApplicationsPage* m_pApplicationsPage;
    CProcessPage* m_pProcessPage;
    CPerformancePage* m_pPerformancePage;
    CCoverWindow* m_pCoverWindow = nullptr;
    std::vector<SAVED_PRIORITY> m_savedPriorities;
    CTabCtrl m_tabPages;
    HICON m_hIcon;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    INT_PTR WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCmdMsg(UINT nID) override;
    bool OnNotify(const NMHDR& nmhdr, LRESULT& result) override;
    void OnTimer(UINT_PTR nIDEvent) override;
    void OnDestroy() override;

private:
    // True when the system command was handled here (no default handling).
    bool OnSysCommand(UINT nID, LPARAM lParam);
    LRESULT OnHotKey(WPARAM nHotKeyId);
    void SaveSettings();
    // The window has just come onto the screen (shown or restored): the status bar and the page
    // shown catch up on what their timers skipped meanwhile.
    void OnShownOnScreen();
    // The page shown (by the tab or with the window) catches up on what its refreshes skipped
    // while it could not be seen.
    void CatchUpShownPage();
    // The timers whose work only shows in the window: the status bar's and the Processes
    // page's run while the window is on the screen, the Applications page's while its page is
    // shown there too.
    // The Performance page's timer keeps running for the tray icon.
    void RunWindowTimers();
    // Writes a status field only when its text changes.
    void SetStatusField(int id, const char* text);

    bool m_bShownOnScreen = false;
    bool m_bStarted = false;  // initialisation is over: the window's timers follow what is shown
    bool m_bStatusTimerRuns = true;
    int m_nStatusPeriod = -1;  // the status bar keeps the period it had at start-up
    CShownRefresh m_statusShown;
    CRefreshPacer m_statusPacer;
    CWin32FineClock m_clock;
    char m_szStatusFormats[3][64] = {};
    HWND m_hStatusFields[3] = {};  // the three status fields, looked up once  // the status bar's format strings, loaded once
};

// Starts or restarts a refresh timer with a speed's period; the paused speed stops it.
void ArmRefreshTimer(const CWnd& wnd, UINT_PTR nIDEvent, int period);
