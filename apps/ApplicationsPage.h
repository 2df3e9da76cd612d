// The Applications page (dialog 134): the desktop's visible, unowned top-level windows with their
// icons and statuses; end task, switch to, window level, new task.
#pragma once
#include "apps/TaskList.h"
#include "apps/TopWindowsWin32.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/ListRowsWin32.h"

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

    void OnEndTask();
    void OnSwitchTo();
    void OnWindowTopmost();
    void OnWindowNoTopmost();

    CListCtrl m_listTasks;
    CButton m_btnEndTask;
    CButton m_btnSwitchTo;
    CImageList* m_pImageList;

protected:
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
    static DWORD WINAPI HangCheckThread(LPVOID pParam);
    // Asks the worker to stop and waits for it, answering its list messages meanwhile.
    void StopHangCheck();
    void OnSelectionChanged();
    void ShowWindowPopup();
    void SetWindowLevel(HWND hInsertAfter);

    CListCtrlRows m_rows;
    CTopWindowsWin32 m_windows;
    CImageListIcons m_icons;
    CTaskList m_taskList;
    HANDLE m_hHangCheckThread = nullptr;
    volatile LONG m_bHangCheckBusy = 0;
    volatile long m_bStopHangCheck = 0;
};
