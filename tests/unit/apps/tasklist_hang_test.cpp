// The hang check and the end-task command against in-memory rows, probe and actions.
#include "apps/MemoryTopWindows.h"
#include "apps/TaskList.h"
#include "common/MemoryListRows.h"
#include <gtest/gtest.h>
#include <string.h>

namespace {

class HangCheckTest : public ::testing::Test {
protected:
    MemoryListRows rows;
    MemoryTopWindows windows;
    MemoryIconImages images;
    MemoryWindowProbe probe;
    CTaskList list{rows, windows, images};

    std::string Status(WindowHandle h) const
    {
        int row = FindWindowRow(rows, h);
        return row < 0 ? "<gone>" : rows.Cell(row, kColStatus);
    }
};

TEST_F(HangCheckTest, StatusTextsAreTheGbkBytes)
{
    EXPECT_EQ(strlen(kStatusRunning), 8u);
    EXPECT_STREQ(kStatusRunning, "\xD5\xFD\xD4\xDA\xD4\xCB\xD0\xD0");
    EXPECT_EQ(strlen(kStatusNotResponding), 6u);
    EXPECT_STREQ(kStatusNotResponding, "\xCE\xB4\xCF\xEC\xD3\xA6");
}

TEST_F(HangCheckTest, HangAndRecoveryOverThreePassesWritingOnlyChanges)
{
    windows.Add(1, "Steady");
    windows.Add(2, "Flaky");
    list.RefreshWindowList();

    RunHangCheckPass(rows, probe, nullptr);
    EXPECT_EQ(Status(1), kStatusRunning);
    EXPECT_EQ(Status(2), kStatusRunning);
    EXPECT_EQ(probe.pinged.size(), 2u);

    int writes = rows.cellWrites;
    probe.hung.insert(2);
    RunHangCheckPass(rows, probe, nullptr);
    EXPECT_EQ(Status(1), kStatusRunning);
    EXPECT_EQ(Status(2), kStatusNotResponding);
    EXPECT_EQ(rows.cellWrites, writes + 1);

    probe.hung.clear();
    RunHangCheckPass(rows, probe, nullptr);
    EXPECT_EQ(Status(2), kStatusRunning);
    EXPECT_EQ(rows.cellWrites, writes + 2);
    EXPECT_EQ(probe.pinged.size(), 6u);
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
    RunHangCheckPass(rows, shifting, nullptr);
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

TEST_F(HangCheckTest, StopFlagEndsThePassEarly)
{
    windows.Add(1, "One");
    windows.Add(2, "Two");
    list.RefreshWindowList();
    volatile long stop = 1;
    RunHangCheckPass(rows, probe, &stop);
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
    // The ended process's window leaves with the refresh.
    windows.Destroy(2);
    rows.selected = FindWindowRow(rows, 2);
    list.OnEndTask(actions);
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
