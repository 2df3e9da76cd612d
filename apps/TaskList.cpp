#include "apps/TaskList.h"
#include "common/TextUtil.h"
#include <string.h>

// Written as GBK bytes so that the comparisons see the same bytes in every build.
const char kStatusRunning[] = "\xD5\xFD\xD4\xDA\xD4\xCB\xD0\xD0";    // 正在运行, 8 bytes
const char kStatusNotResponding[] = "\xCE\xB4\xCF\xEC\xD3\xA6";      // 未响应, 6 bytes
const char kStatusUnrespond[] = "Unrespond";

namespace {

// Handles and process numbers are "%d" text: at most 11 characters.
const int kNumberCap = 16;
// The end-task command reads the status into a 20-byte buffer.
const int kEndTaskStatusCap = 20;

struct ExcludedTitle {
    const char* text;
    size_t bytes;
};

// Matched as prefixes: a longer title that begins with one of these is not listed either. Each
// is compared over its own length: "Windows Korvane" has 15 bytes, and a comparison over more
// would reach its terminating zero and so let "Windows Korvane 2" through.
const ExcludedTitle kExcludedTitles[] = {
    {"Program Manager", 15},
    {"Windows \xC8\xCE\xCE\xF1\xB9\xDC\xC0\xED\xC6\xF7", 18},  // Windows 任务管理器
    {"Windows Korvane", 15},
};

class CAddVisitor : public IWindowVisitor {
public:
    explicit CAddVisitor(CTaskList& list) : m_list(list) {}
    void Visit(WindowHandle hWnd) override { m_list.AddWindowProc(hWnd); }

private:
    CTaskList& m_list;
};

}  // namespace

int ReadRowNumber(const IListRows& rows, int row, int col)
{
    char buf[kNumberCap];
    rows.GetText(row, col, buf, sizeof buf);
    return ParseLeadingInt(buf);
}

int FindWindowRow(const IListRows& rows, WindowHandle hWnd)
{
    int count = rows.GetCount();
    for (int i = 0; i < count; ++i) {
        if (ReadRowNumber(rows, i, kColHandle) == hWnd)
            return i;
    }
    return -1;
}

IconHandle FetchWindowIcon(ITopWindows& windows, WindowHandle hWnd, unsigned limitMs)
{
    unsigned start = windows.TickCount();
    IconHandle icon = 0;
    bool answered = windows.AskIcon(hWnd, kIconSmall, limitMs, &icon);
    if (icon)
        return icon;
    // Most programs only register icons with their class, and WM_GETICON never answers with
    // those. Reading the class sends nothing, so a hung window cannot hold it up.
    if ((icon = windows.GetClassIcon(hWnd, kIconSmall)) != 0 || (icon = windows.GetClassIcon(hWnd, kIconBig)) != 0)
        return icon;
    unsigned spent = windows.TickCount() - start;
    if (!answered || spent >= limitMs)
        return 0;
    windows.AskIcon(hWnd, kIconBig, limitMs - spent, &icon);
    return icon;
}

CTaskList::CTaskList(IListRows& rows, ITopWindows& windows, IIconImages& images)
    : m_rows(rows), m_windows(windows), m_images(images)
{
}

void CTaskList::RefreshWindowList()
{
    if (m_bInPass)
        return;
    m_bInPass = true;
    CAddVisitor visitor(*this);
    m_windows.EnumTopWindows(visitor);
    RemoveClosedWindows();
    m_bInPass = false;
}

bool CTaskList::IsExcludedTitle(const char* title)
{
    for (const ExcludedTitle& e : kExcludedTitles) {
        if (strncmp(title, e.text, e.bytes) == 0)
            return true;
    }
    return false;
}

void CTaskList::RetitleRow(int row, const char* title)
{
    // Cells hold titles as they were read, at most kTitleCap - 1 bytes: read back whole, the
    // shown text compares over all of strlen(title) bytes, long titles included, and a steady
    // title is never rewritten. (A cell buffer smaller than the text would not do under Wine
    // either: its list view then leaves the buffer without a terminating zero.)
    char shown[kTitleCap];
    m_rows.GetText(row, kColTitle, shown, sizeof shown);
    size_t n = strlen(title);
    if (strncmp(shown, title, n) != 0)
        m_rows.SetText(row, kColTitle, title);
}

void CTaskList::AddWindowProc(WindowHandle hWnd)
{
    char title[kTitleCap] = {};
    m_windows.GetTitle(hWnd, title, sizeof title);
    // Handles are reused (on 95 a freed handle comes back as it was): a listed handle that now
    // belongs to another process is a new window, and its row would otherwise lend it the old
    // window's process number and status. It leaves, and the listing rules decide afresh.
    int known = FindWindowRow(m_rows, hWnd);
    if (known >= 0) {
        if (ReadRowNumber(m_rows, known, kColProcess) == m_windows.GetProcessId(hWnd)) {
            RetitleRow(known, title);
            return;
        }
        DeleteRow(known);
    }

    uint32_t style = m_windows.GetStyle(hWnd);
    if (!(style & kStyleVisible) || (style & kStyleChild))
        return;
    if (m_windows.GetParentOrOwner(hWnd) != 0)
        return;
    memset(title, 0, sizeof title);
    m_windows.GetTitle(hWnd, title, sizeof title);
    if (!title[0] || IsExcludedTitle(title))
        return;

    int processId = m_windows.GetProcessId(hWnd);
    int image = AddImage(FetchWindowIcon(m_windows, hWnd, kIconTimeoutMs));
    int row = m_rows.Insert(0, title, image);
    if (row < 0) {
        if (image > 0)
            m_freeImages.push_back(image);
        return;
    }
    char number[kNumberCap];
    FormatInt(number, sizeof number, hWnd);
    m_rows.SetText(row, kColHandle, number);
    FormatInt(number, sizeof number, processId);
    m_rows.SetText(row, kColProcess, number);
}

int CTaskList::AddImage(IconHandle icon)
{
    if (!icon)
        return 0;
    if (!m_freeImages.empty()) {
        int index = m_images.PutIcon(m_freeImages.back(), icon);
        if (index < 0)
            return 0;
        m_freeImages.pop_back();
        return index;
    }
    int index = m_images.PutIcon(-1, icon);
    return index < 0 ? 0 : index;
}

void CTaskList::DeleteRow(int row)
{
    int image = m_rows.GetImage(row);
    if (m_rows.Delete(row) && image > 0)
        m_freeImages.push_back(image);
}

void CTaskList::RemoveClosedWindows()
{
    int count = m_rows.GetCount();
    for (int i = 0; i < count && i < m_rows.GetCount(); ++i) {
        WindowHandle hWnd = ReadRowNumber(m_rows, i, kColHandle);
        char title[kTitleCap] = {};
        m_windows.GetTitle(hWnd, title, sizeof title);
        if (!title[0]) {
            // A destroyed window: one leaves per pass, the rest wait for the next.
            DeleteRow(i);
            return;
        }
        // A hidden one leaves now, and so does a handle that has passed to another program's
        // window that the enumeration does not reach (a child window, say); the row that slides
        // into its place waits for the next pass.
        if (!(m_windows.GetStyle(hWnd) & kStyleVisible) ||
            m_windows.GetProcessId(hWnd) != ReadRowNumber(m_rows, i, kColProcess))
            DeleteRow(i);
    }
}

WindowHandle CTaskList::GetSelectedWindow() const
{
    int row = m_rows.GetSelected();
    if (row < 0)
        return 0;
    WindowHandle hWnd = ReadRowNumber(m_rows, row, kColHandle);
    // Until the next pass drops it, a row whose handle has passed to another program's window,
    // or to none, stands for no window: the commands must not reach the newcomer.
    if (m_windows.GetProcessId(hWnd) != ReadRowNumber(m_rows, row, kColProcess))
        return 0;
    return hWnd;
}

void CTaskList::GetButtonStates(bool* pbEndTask, bool* pbSwitchTo) const
{
    *pbEndTask = false;
    *pbSwitchTo = false;
    if (GetSelectedWindow() == 0)
        return;
    char status[kCellCap];
    m_rows.GetText(m_rows.GetSelected(), kColStatus, status, sizeof status);
    *pbSwitchTo = strncmp(status, kStatusRunning, strlen(kStatusRunning)) == 0;
    *pbEndTask = true;
}

void CTaskList::OnEndTask(ITaskActions& actions)
{
    int row = m_rows.GetSelected();
    char status[kEndTaskStatusCap] = {};
    if (row >= 0)
        m_rows.GetText(row, kColStatus, status, sizeof status);
    bool hung = strncmp(status, kStatusNotResponding, strlen(kStatusNotResponding)) == 0 ||
                strncmp(status, kStatusUnrespond, strlen(kStatusUnrespond)) == 0;
    if (!hung) {
        // Running or not probed yet: ask it to close as its system menu would, and look again.
        WindowHandle hWnd = GetSelectedWindow();
        if (hWnd != 0)
            actions.PostClose(hWnd);
        actions.Sleep(50);
        RefreshWindowList();
        return;
    }
    WindowHandle hWnd = ReadRowNumber(m_rows, row, kColHandle);
    int processId = ReadRowNumber(m_rows, row, kColProcess);
    if (!actions.ConfirmEndProgram())
        return;
    // The listed program only, and only while the window is still its own: while the question
    // was open the window may have gone and its handle passed to another program's window, and
    // that program is not the one the user chose to end.
    if (processId != 0 && m_windows.GetProcessId(hWnd) == processId)
        actions.TerminateProcess(processId);
    RefreshWindowList();
}

void CHangStatus::ListWindows(std::vector<WindowHandle>* windows)
{
    int count = m_rows.GetCount();
    windows->clear();
    windows->reserve(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i)
        windows->push_back(ReadRowNumber(m_rows, i, kColHandle));
}

bool CHangStatus::ShouldProbe(WindowHandle hWnd)
{
    auto pending = FindPending(hWnd);
    if (pending == m_pending.end())
        return true;
    int row = FindWindowRow(m_rows, hWnd);
    if (row >= 0 && ReadRowNumber(m_rows, row, kColProcess) == pending->processId)
        return false;
    m_pending.erase(pending);
    return true;
}

bool CHangStatus::WriteResult(WindowHandle hWnd, bool answered)
{
    int row = FindWindowRow(m_rows, hWnd);
    if (row < 0)
        return false;  // left the list while it was probed
    const char* status = answered ? kStatusRunning : kStatusNotResponding;
    char shown[kCellCap];
    m_rows.GetText(row, kColStatus, shown, sizeof shown);
    if (strncmp(shown, status, strlen(status)) != 0)
        m_rows.SetText(row, kColStatus, status);
    if (answered || FindPending(hWnd) != m_pending.end())
        return false;
    // Windows destroyed before they answered leave no entry behind: the record never outgrows
    // the list.
    for (size_t i = m_pending.size(); i-- > 0;) {
        if (FindWindowRow(m_rows, m_pending[i].hWnd) < 0)
            m_pending.erase(m_pending.begin() + static_cast<long>(i));
    }
    m_pending.push_back(Pending{hWnd, ReadRowNumber(m_rows, row, kColProcess)});
    return true;
}

void CHangStatus::Answered(WindowHandle hWnd)
{
    auto pending = FindPending(hWnd);
    if (pending != m_pending.end())
        m_pending.erase(pending);
}

std::vector<CHangStatus::Pending>::iterator CHangStatus::FindPending(WindowHandle hWnd)
{
    auto pending = m_pending.begin();
    while (pending != m_pending.end() && pending->hWnd != hWnd)
        ++pending;
    return pending;
}

void RunHangCheckPass(IWindowProbe& probe, IHangCheckSink& sink, const volatile long* pStop)
{
    std::vector<WindowHandle> windows;
    sink.ListWindows(&windows);
    for (WindowHandle hWnd : windows) {
        if (pStop && *pStop)
            return;
        if (!sink.ShouldProbe(hWnd))
            continue;
        bool answered = probe.Ping(hWnd);
        sink.Report(hWnd, answered);
    }
}
