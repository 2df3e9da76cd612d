// The Applications page (dialog 134): the desktop's visible, unowned top-level windows with their
// icons and statuses; end task, switch to, window level, new task.
#pragma once
#include "apps/TaskList.h"
#include "apps/TopWindowsWin32.h"
#include "common/RefreshPacer.h"
#include "common/ShownRefresh.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/ListRowsWin32.h"
#include "perf/PerfWin32.h"

class CApplicationsPage : public CDialog {
public:
    explicit CApplicationsPage(CDialog* pParent = nullptr);
    ~CApplicationsPage() override;

    // One refresh pass; does nothing when called again while a pass is under way.
    void RefreshWindowList();
    // The window of the selected item, nullptr when none is selected.
    HWND GetSelectedWindow() const;
    // Starts the hang-check worker unless one is still running.
    void StartHangCheck();
    // The page has come into view (its tab chosen, the main window shown or restored): the list
    // and the hang check that the timers skipped while it could not be seen run at once.
    void OnShown();
    // The timers: stopped while the page cannot be seen (it is then behind and catches up when
    // shown), started again when it can; the list's period follows the speed.
    void RunTimers(bool run);
    void SetRefreshPeriod(int period);

    void OnEndTask();
    void OnSwitchTo();
    void OnWindowTopmost();
    void OnWindowNoTopmost();

    CListCtrl m_listTasks;
    CButton m_btnEndTask;
    CButton m_btnSwitchTo;
    CImageList* m_pImageList;

protected:
    INT_PTR WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    bool OnCmdMsg(UINT nID) override;
    bool OnNotify(const NMHDR& nmhdr, LRESULT& result) override;
    void OnTimer(UINT_PTR nIDEvent) override;
    void OnDestroy() override;
    // Enter and Esc leave the page as it is.
    void OnOK() override {}
    void OnCancel() override {}

private:
    // The hang-check worker's requests, sent to the page: the listed windows (lParam the
    // worker's vector to fill), whether to probe a window and a probe's result (wParam the
    // window handle, lParam of a result nonzero when the window answered).
    enum { WM_HANG_LIST = WM_APP + 1, WM_HANG_SHOULD_PROBE = WM_APP + 2, WM_HANG_RESULT = WM_APP + 3 };

    static DWORD WINAPI HangCheckThread(LPVOID pParam);
    static VOID CALLBACK LateAnswerProc(HWND hWnd, UINT msg, ULONG_PTR data, LRESULT result);
    void OnHangResult(WindowHandle hWnd, bool answered);
    // Asks the worker to stop and waits for it, answering its list messages meanwhile.
    void StopHangCheck();
    void OnSelectionChanged();
    void ShowWindowPopup();
    void SetWindowLevel(HWND hInsertAfter);

    CListCtrlRows m_rows;
    CTopWindowsWin32 m_windows;
    CImageListIcons m_icons;
    CTaskList m_taskList;
    CHangStatus m_hangStatus;
    HANDLE m_hHangCheckThread = nullptr;
    volatile LONG m_bHangCheckBusy = 0;
    volatile long m_bStopHangCheck = 0;
    CShownRefresh m_listShown;
    CShownRefresh m_hangShown;
    CRefreshPacer m_listPacer;
    CWin32FineClock m_clock;
    int m_nRefreshPeriod;
    bool m_bTimersRun = true;
};
