// The hang check and the end-task command against in-memory rows, probe and actions.
#include "apps/MemoryTopWindows.h"
#include "apps/TaskList.h"
#include "common/MemoryListRows.h"
#include <gtest/gtest.h>

namespace {

class HangCheckTest : public ::testing::Test {
protected:
    MemoryListRows rows;
    MemoryTopWindows windows;
    MemoryIconImages images;
    MemoryWindowProbe probe;
    CTaskList list{rows, windows, images};
    CHangStatus statuses{rows};

    std::string Status(WindowHandle h) const
    {
        int row = FindWindowRow(rows, h);
        return row < 0 ? "<gone>" : rows.Cell(row, kColStatus);
    }
};

TEST_F(HangCheckTest, HangLateAnswerAndRecoveryWritingOnlyChanges)
{
    windows.Add(1, "Steady");
    windows.Add(2, "Flaky");
    list.RefreshWindowList();

    RunHangCheckPass(probe, statuses, nullptr);
    EXPECT_EQ(Status(1), kStatusRunning);
    EXPECT_EQ(Status(2), kStatusRunning);
    EXPECT_EQ(probe.pinged.size(), 2u);

    int writes = rows.cellWrites;
    probe.hung.insert(2);
    RunHangCheckPass(probe, statuses, nullptr);
    EXPECT_EQ(Status(1), kStatusRunning);
    EXPECT_EQ(Status(2), kStatusNotResponding);
    EXPECT_EQ(rows.cellWrites, writes + 1);

    // Its probe is still unanswered: it is not probed again and keeps its status, whatever it
    // would answer now.
    probe.hung.clear();
    RunHangCheckPass(probe, statuses, nullptr);
    EXPECT_EQ(Status(2), kStatusNotResponding);
    EXPECT_EQ(probe.pinged, std::vector<WindowHandle>({2, 1, 2, 1, 1}));

    statuses.Answered(2);
    RunHangCheckPass(probe, statuses, nullptr);
    EXPECT_EQ(Status(2), kStatusRunning);
    EXPECT_EQ(rows.cellWrites, writes + 2);
    EXPECT_EQ(probe.pinged.size(), 7u);
}

// A probe that changes the list while it waits, as the page's refresh does meanwhile.
class ShiftingProbe : public IWindowProbe {
public:
    ShiftingProbe(MemoryListRows& rows, WindowHandle hungWindow) : m_rows(rows), m_hung(hungWindow) {}
    bool Ping(WindowHandle hWnd) override
    {
        // A new window is inserted on top, and one is deleted, before each answer is written.
        int row = m_rows.Insert(0, "Newcomer", 0);
        m_rows.SetText(row, kColHandle, std::to_string(900 + m_n++).c_str());
        if (hWnd == 3)
            m_rows.Delete(FindWindowRow(m_rows, 3));
        return hWnd != m_hung;
    }

private:
    MemoryListRows& m_rows;
    WindowHandle m_hung;
    int m_n = 0;
};

TEST_F(HangCheckTest, StatusesStayWithTheirWindowsWhileRowsMove)
{
    windows.Add(1, "One");
    windows.Add(2, "Two");
    windows.Add(3, "Three");
    list.RefreshWindowList();
    ShiftingProbe shifting(rows, 1);
    RunHangCheckPass(shifting, statuses, nullptr);
    EXPECT_EQ(Status(1), kStatusNotResponding);
    EXPECT_EQ(Status(2), kStatusRunning);
    EXPECT_EQ(Status(3), "<gone>");
    // The rows that arrived during the pass were not probed and got no status.
    for (int i = 0; i < rows.GetCount(); ++i) {
        if (rows.Cell(i, kColTitle) == "Newcomer") {
            EXPECT_EQ(rows.Cell(i, kColStatus), "") << i;
        }
    }
}

// The page's side, where a refresh moves the rows before every request of the worker is
// answered (as the page's timer or an icon fetch may between any two of them).
class MovingSink : public IHangCheckSink {
public:
    MovingSink(CHangStatus& statuses, MemoryListRows& rows) : m_statuses(statuses), m_rows(rows) {}
    void ListWindows(std::vector<WindowHandle>* windows) override { Move(); m_statuses.ListWindows(windows); }
    bool ShouldProbe(WindowHandle hWnd) override { Move(); return m_statuses.ShouldProbe(hWnd); }
    void Report(WindowHandle hWnd, bool answered) override
    {
        Move();
        m_statuses.Report(hWnd, answered);
    }

private:
    // A newcomer on top, and the oldest newcomer gone once there are three.
    void Move()
    {
        int row = m_rows.Insert(0, "Newcomer", 0);
        m_rows.SetText(row, kColHandle, std::to_string(900 + m_n++).c_str());
        if (m_n > 3)
            m_rows.Delete(FindWindowRow(m_rows, 900 + m_n - 4));
    }

    CHangStatus& m_statuses;
    MemoryListRows& m_rows;
    int m_n = 0;
};

TEST_F(HangCheckTest, StatusesLandOnTheirWindowsWhenRowsMoveBetweenProbeAndWrite)
{
    for (WindowHandle h = 1; h <= 4; ++h)
        windows.Add(h, "Window");
    list.RefreshWindowList();
    probe.hung.insert(3);
    MovingSink sink(statuses, rows);
    RunHangCheckPass(probe, sink, nullptr);
    EXPECT_EQ(Status(1), kStatusRunning);
    EXPECT_EQ(Status(2), kStatusRunning);
    EXPECT_EQ(Status(3), kStatusNotResponding);
    EXPECT_EQ(Status(4), kStatusRunning);
    for (int i = 0; i < rows.GetCount(); ++i) {
        if (rows.Cell(i, kColTitle) == "Newcomer") {
            EXPECT_EQ(rows.Cell(i, kColStatus), "") << i;
        }
    }
}

TEST_F(HangCheckTest, UnansweredProbeIsForgottenWhenItsHandlePassesToAnotherProcess)
{
    windows.Add(1, "Hung", 40);
    windows.Add(2, "Other", 41);
    list.RefreshWindowList();
    probe.hung.insert(1);
    RunHangCheckPass(probe, statuses, nullptr);
    EXPECT_EQ(statuses.PendingCount(), 1u);

    // The hung program ends; a window of another program gets the handle and answers.
    windows.Destroy(1);
    windows.Add(1, "Successor", 90);
    probe.hung.clear();
    list.RefreshWindowList();
    RunHangCheckPass(probe, statuses, nullptr);
    EXPECT_EQ(Status(1), kStatusRunning);
    EXPECT_EQ(statuses.PendingCount(), 0u);

    // Windows destroyed before they answered leave no record behind.
    probe.hung = {1, 2};
    RunHangCheckPass(probe, statuses, nullptr);
    EXPECT_EQ(statuses.PendingCount(), 2u);
    windows.Destroy(1);
    windows.Destroy(2);
    windows.Add(3, "Third", 42);
    list.RefreshWindowList();
    list.RefreshWindowList();
    probe.hung = {3};
    RunHangCheckPass(probe, statuses, nullptr);
    EXPECT_EQ(statuses.PendingCount(), 1u);
}

TEST_F(HangCheckTest, StopFlagEndsThePassEarly)
{
    windows.Add(1, "One");
    windows.Add(2, "Two");
    list.RefreshWindowList();
    volatile long stop = 1;
    RunHangCheckPass(probe, statuses, &stop);
    EXPECT_TRUE(probe.pinged.empty());
    EXPECT_EQ(Status(1), "");
}

class EndTaskTest : public HangCheckTest {
protected:
    MemoryTaskActions actions;
    void SetUp() override
    {
        windows.Add(1, "Other", 40);
        windows.Add(2, "Target", 50);
        list.RefreshWindowList();  // rows: Target, Other
        rows.selected = 0;
    }
};

TEST_F(EndTaskTest, EmptyOrRunningStatusPostsCloseThenRefreshes)
{
    for (const char* status : {"", kStatusRunning}) {
        SCOPED_TRACE(status);
        rows.SetText(FindWindowRow(rows, 2), kColStatus, status);
        actions = MemoryTaskActions();
        list.OnEndTask(actions);
        ASSERT_EQ(actions.closed, std::vector<WindowHandle>({2}));
        EXPECT_EQ(actions.sleptMs, 50u);
        EXPECT_EQ(actions.questions, 0);
        EXPECT_TRUE(actions.terminated.empty());
    }
    // A window that closed at once leaves with the refresh that follows the request.
    windows.Destroy(2);
    list.OnEndTask(actions);
    EXPECT_EQ(FindWindowRow(rows, 2), -1);
}

TEST_F(EndTaskTest, NotRespondingStatusAsksBeforeEndingTheProcess)
{
    for (const char* status : {kStatusNotResponding, "Unrespond"}) {
        SCOPED_TRACE(status);
        rows.selected = FindWindowRow(rows, 2);
        rows.SetText(rows.selected, kColStatus, status);

        actions = MemoryTaskActions();
        actions.confirm = false;
        list.OnEndTask(actions);
        EXPECT_EQ(actions.questions, 1);
        EXPECT_TRUE(actions.terminated.empty());
        EXPECT_TRUE(actions.closed.empty());

        actions = MemoryTaskActions();
        actions.confirm = true;
        list.OnEndTask(actions);
        EXPECT_EQ(actions.terminated, std::vector<int>({50}));
        EXPECT_TRUE(actions.closed.empty());
    }
    // Only the listed program ends: a handle that has passed to another program's window by
    // the time the question is answered ends nothing.
    windows.Find(2)->processId = 77;
    actions = MemoryTaskActions();
    actions.confirm = true;
    list.OnEndTask(actions);
    EXPECT_EQ(actions.questions, 1);
    EXPECT_TRUE(actions.terminated.empty());

    // A window gone by then ends nothing either, and its row leaves with the refresh.
    rows.selected = FindWindowRow(rows, 2);
    rows.SetText(rows.selected, kColStatus, kStatusNotResponding);
    windows.Destroy(2);
    actions = MemoryTaskActions();
    actions.confirm = true;
    list.OnEndTask(actions);
    EXPECT_EQ(actions.questions, 1);
    EXPECT_TRUE(actions.terminated.empty());
    EXPECT_EQ(FindWindowRow(rows, 2), -1);
}

TEST_F(EndTaskTest, NoSelectionOnlyRefreshes)
{
    rows.selected = -1;
    windows.Add(3, "Fresh");
    list.OnEndTask(actions);
    EXPECT_TRUE(actions.closed.empty());
    EXPECT_EQ(actions.questions, 0);
    EXPECT_GE(FindWindowRow(rows, 3), 0);
}

}  // namespace
