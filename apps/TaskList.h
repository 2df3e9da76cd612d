// The Applications page's list logic: the refresh pass, the selection rules, ending a task and the
// hang check. The list rows are the only state: column 0 the title, 1 the status, 2 the window
// handle and 3 the process number, both as decimal text.
#pragma once
#include "apps/TopWindows.h"
#include "common/ListRows.h"
#include <vector>

enum { kColTitle = 0, kColStatus = 1, kColHandle = 2, kColProcess = 3 };

// The two statuses, in the GBK code page the program runs with: "正在运行" and "未响应".
extern const char kStatusRunning[];
extern const char kStatusNotResponding[];
// Accepted as a not-responding marker by the end-task command too.
extern const char kStatusUnrespond[];

const unsigned kIconTimeoutMs = 1000;
const int kCellCap = 100;     // list cells are read into 100-byte buffers
const int kTitleCap = 1024;   // window titles into 1024-byte ones

// The window handle (or process number) kept in a row's column, 0 when it holds none.
int ReadRowNumber(const IListRows& rows, int row, int col);
// Index of the row that holds hWnd in column 2, -1 when none does.
int FindWindowRow(const IListRows& rows, WindowHandle hWnd);

class CTaskList {
public:
    CTaskList(IListRows& rows, ITopWindows& windows, IIconImages& images);

    // One refresh pass: adds new windows, retitles known ones, then removes closed or hidden ones.
    // A call made while a pass is under way (from a message answered during an icon fetch, say)
    // does nothing.
    void RefreshWindowList();
    void AddWindowProc(WindowHandle hWnd);
    // True when the window is listed already; its title cell is rewritten when it differs.
    bool UpdateKnownWindow(WindowHandle hWnd, const char* title);
    void RemoveClosedWindows();

    // True for the titles that are never listed (the desktop and task managers).
    static bool IsExcludedTitle(const char* title);

    WindowHandle GetSelectedWindow() const;
    // Whether "结束任务" and "切换至" are enabled for the current selection.
    void GetButtonStates(bool* pbEndTask, bool* pbSwitchTo) const;
    // The end-task command: close a running window, or end a hung window's process after asking.
    void OnEndTask(ITaskActions& actions);

    // Image slots of removed items, reused before the image list grows.
    const std::vector<int>& FreeImages() const { return m_freeImages; }

private:
    int AddImage(IconHandle icon);
    void DeleteRow(int row);

    IListRows& m_rows;
    ITopWindows& m_windows;
    IIconImages& m_images;
    std::vector<int> m_freeImages;
    bool m_bInPass = false;
};

// One hang-check pass: probes every listed window once and writes its status when it changed.
// Each status is written to the row that holds the probed window at the time of writing, so rows
// inserted or deleted meanwhile never receive another window's status. Stops early when *pStop
// becomes nonzero.
void RunHangCheckPass(IListRows& rows, IWindowProbe& probe, const volatile long* pStop);
