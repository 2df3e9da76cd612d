// The Processes page (dialog 130): the live process list with levels, heap sizes and thread
// counts, ending processes, priority classes and debuggers from the right-click menu.
#pragma once
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/ListRowsWin32.h"
#include "process/Process.h"
#include "process/ProcessList.h"
#include "process/ProcessSystemWin32.h"

class CProcessPage : public CDialog, private IHeapWorker {
public:
    explicit CProcessPage(CDialog* pParent = nullptr);
    ~CProcessPage() override;

    // Runs the four refresh steps once; the main window calls it on refresh-now and speed changes.
    void RefreshProcessList();
    // The page has come into view (its tab chosen, the main window shown or restored): one
    // refresh at once when the timer skipped one while it could not be seen.
    void OnShown();
    // The timer: stopped while the main window cannot be seen (the list is then behind and
    // catches up when shown), started again when it can.
    void RunTimer(bool run);

    void OnEndProcess();
    void OnSetPriority(UINT nID);
    void OnDebug();
    void OnDebugWithQuenbrix();

    int m_nHeapRow;
    CProcess m_Process;
    CButton m_btnEndProcess;
    CListCtrl m_listProcess;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    INT_PTR WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnCmdMsg(UINT nID) override;
    bool OnNotify(const NMHDR& nmhdr, LRESULT& result) override;
    void OnTimer(UINT_PTR nIDEvent) override;
    void OnDestroy() override;
    // Enter and Esc do nothing on this page.
    void OnOK() override {}
    void OnCancel() override {}

private:
    // The heap worker's requests, sent to the page: the next process to walk (lParam points to
    // where its number goes; the result is 0 when there is none) and a walk's figure (wParam the
    // process number, lParam the size in K).
    enum { TIMER_REFRESH = 10, REFRESH_PERIOD = 1000, WM_HEAP_TAKE = WM_APP + 1, WM_HEAP_SIZE = WM_APP + 2 };

    // Walks the heaps the page hands out, for the page's whole life, off the user-interface thread.
    static DWORD WINAPI HeapScanThread(LPVOID pParam);
    // Posts the worker a wake-up: walks wait to be taken.
    void Wake() override;
    void StopHeapScan();
    void ShowProcessMenu();
    void UpdateEndButton();

    bool m_bTimerRuns = true;
    CProcessSystemWin32 m_system;
    CListCtrlRows m_rows;
    CProcessList m_list;
    HANDLE m_hHeapScan = nullptr;
    DWORD m_dwHeapScanThread = 0;
    volatile LONG m_bStopHeapScan = 0;
};
