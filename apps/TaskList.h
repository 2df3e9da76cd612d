// The Applications page's list logic: the refresh pass, the selection rules, ending a task and the
// hang check. The list rows are the only state: column 0 the title, 1 the status, 2 the window
// handle and 3 the process number, both as decimal text.
#pragma once
#include "apps/TopWindows.h"
#include "common/ListRows.h"
#include <stddef.h>
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
// The icon of a new row: the small one the window was given, else its class's small icon, else
// its class icon. Only a window that answered, and whose class has none, is asked once more, for
// its big icon, within what is left of limitMs. 0 when none is found.
IconHandle FetchWindowIcon(ITopWindows& windows, WindowHandle hWnd, unsigned limitMs);

class CTaskList {
public:
    CTaskList(IListRows& rows, ITopWindows& windows, IIconImages& images);

    // One refresh pass: adds new windows, retitles known ones, then removes closed or hidden ones.
    // A call made while a pass is under way (from a message answered during an icon fetch, say)
    // does nothing.
    void RefreshWindowList();
    // Lists a new window, or rewrites a listed one's title cell when it differs.
    void AddWindowProc(WindowHandle hWnd);
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
    void RetitleRow(int row, const char* title);
    int AddImage(IconHandle icon);
    void DeleteRow(int row);

    IListRows& m_rows;
    ITopWindows& m_windows;
    IIconImages& m_images;
    std::vector<int> m_freeImages;
    bool m_bInPass = false;
};

// What the hang-check worker talks to: the page's thread, by messages in the program.
class IHangCheckSink {
public:
    // The handles of the listed windows, top to bottom, read in one step.
    virtual void ListWindows(std::vector<WindowHandle>* windows) = 0;
    // False while the window's previous probe has not been answered: it is not probed again.
    virtual bool ShouldProbe(WindowHandle hWnd) = 0;
    // The probe's result for the window.
    virtual void Report(WindowHandle hWnd, bool answered) = 0;

protected:
    ~IHangCheckSink() = default;
};

// The user-interface side of the hang check: it owns the rows and remembers the windows whose
// last probe timed out. Such a window has the probe's null message still waiting in its queue; it
// is not probed again (which would pile one more message and its bookkeeping onto the queue on
// every pass) until the late answer arrives, and its row keeps "未响应" meanwhile.
class CHangStatus : public IHangCheckSink {
public:
    explicit CHangStatus(IListRows& rows) : m_rows(rows) {}

    void ListWindows(std::vector<WindowHandle>* windows) override;
    // A window whose unanswered probe belongs to a row that left the list, or whose row now
    // holds another process's window, is probed anew.
    bool ShouldProbe(WindowHandle hWnd) override;
    void Report(WindowHandle hWnd, bool answered) override { WriteResult(hWnd, answered); }
    // Writes the status to the row that holds the window at this moment, when it changed, in one
    // step on the thread that owns the rows. True when the window did not answer and was not
    // waited for yet: the caller then arranges to hear of its late answer (Answered).
    bool WriteResult(WindowHandle hWnd, bool answered);
    // The timed-out probe of the window has been answered: the next pass probes it again.
    void Answered(WindowHandle hWnd);

    size_t PendingCount() const { return m_pending.size(); }

private:
    struct Pending {
        WindowHandle hWnd;
        int processId;  // the row's process number when the probe timed out
    };
    // The window's entry, or the end.
    std::vector<Pending>::iterator FindPending(WindowHandle hWnd);

    IListRows& m_rows;
    std::vector<Pending> m_pending;
};

// One hang-check pass: probes every window listed at its start that the sink allows once, and
// hands each result with its window to the sink. Stops early when *pStop becomes nonzero.
void RunHangCheckPass(IWindowProbe& probe, IHangCheckSink& sink, const volatile long* pStop);
