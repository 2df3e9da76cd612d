// The Applications page's refresh pass against in-memory windows and rows.
#include "apps/MemoryTopWindows.h"
#include "apps/TaskList.h"
#include "common/MemoryListRows.h"
#include <gtest/gtest.h>
#include <string>

namespace {

const char kGbkTaskManager[] = "Windows \xC8\xCE\xCE\xF1\xB9\xDC\xC0\xED\xC6\xF7";  // Windows 任务管理器

class TaskListTest : public ::testing::Test {
protected:
    MemoryListRows rows;
    MemoryTopWindows windows;
    MemoryIconImages images;
    CTaskList list{rows, windows, images};

    // Titles of the rows, top to bottom.
    std::vector<std::string> Titles() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < rows.GetCount(); ++i)
            out.push_back(rows.Cell(i, kColTitle));
        return out;
    }
    bool Listed(WindowHandle h) const { return FindWindowRow(rows, h) >= 0; }
};

TEST_F(TaskListTest, ListsVisibleUnownedTitledWindowsOnly)
{
    windows.Add(10, "Editor", 77, 0x500);
    windows.Add(11, "Hidden").style = 0;
    windows.Add(12, "Child").style = kStyleVisible | kStyleChild;
    windows.Add(13, "Owned").owner = 10;
    windows.Add(14, "");
    list.RefreshWindowList();

    ASSERT_EQ(rows.GetCount(), 1);
    EXPECT_EQ(rows.Cell(0, kColTitle), "Editor");
    EXPECT_EQ(rows.Cell(0, kColStatus), "");
    EXPECT_EQ(rows.Cell(0, kColHandle), "10");
    EXPECT_EQ(rows.Cell(0, kColProcess), "77");
    EXPECT_EQ(rows.rows[0].image, 1);
    EXPECT_EQ(images.images[1], 0x500u);
}

TEST_F(TaskListTest, NegativeHandlesAndProcessNumbersSurviveTheRoundTrip)
{
    windows.Add(-2147483647, "Wide", -1234567890);
    list.RefreshWindowList();
    ASSERT_EQ(rows.GetCount(), 1);
    EXPECT_EQ(rows.Cell(0, kColHandle), "-2147483647");
    EXPECT_EQ(ReadRowNumber(rows, 0, kColProcess), -1234567890);
    rows.selected = 0;
    EXPECT_EQ(list.GetSelectedWindow(), -2147483647);
}

TEST_F(TaskListTest, ExcludedTitlesAreMatchedAsPrefixes)
{
    EXPECT_TRUE(CTaskList::IsExcludedTitle("Program Manager"));
    EXPECT_TRUE(CTaskList::IsExcludedTitle("Program Manager 2"));
    EXPECT_TRUE(CTaskList::IsExcludedTitle(kGbkTaskManager));
    EXPECT_TRUE(CTaskList::IsExcludedTitle((std::string(kGbkTaskManager) + " 2").c_str()));
    EXPECT_TRUE(CTaskList::IsExcludedTitle("Windows Korvane"));
    EXPECT_TRUE(CTaskList::IsExcludedTitle("Windows Korvane 2"));
    EXPECT_FALSE(CTaskList::IsExcludedTitle("Program Manage"));
    EXPECT_FALSE(CTaskList::IsExcludedTitle("Windows \xC8\xCE\xCE\xF1"));  // Windows 任务
    EXPECT_FALSE(CTaskList::IsExcludedTitle("Windows Korvan"));
    EXPECT_FALSE(CTaskList::IsExcludedTitle("My Program Manager"));

    windows.Add(1, "Program Manager");
    windows.Add(2, std::string(kGbkTaskManager) + " 2");
    windows.Add(3, "Windows Korvane 7");
    windows.Add(4, "Windows \xC8\xCE\xCE\xF1");
    list.RefreshWindowList();
    EXPECT_EQ(Titles(), std::vector<std::string>({"Windows \xC8\xCE\xCE\xF1"}));
}

TEST_F(TaskListTest, NewWindowsGoOnTopInReverseEnumerationOrder)
{
    windows.Add(1, "A");
    list.RefreshWindowList();
    windows.Add(2, "B");
    windows.Add(3, "C");
    list.RefreshWindowList();
    EXPECT_EQ(Titles(), std::vector<std::string>({"C", "B", "A"}));
    // A second pass over the same windows changes nothing.
    int inserts = rows.inserts, writes = rows.cellWrites;
    list.RefreshWindowList();
    EXPECT_EQ(rows.inserts, inserts);
    EXPECT_EQ(rows.cellWrites, writes);
}

TEST_F(TaskListTest, TitleCellFollowsTheShrinkRule)
{
    MemoryTopWindows::Window& w = windows.Add(5, "report.txt - Editor");
    list.RefreshWindowList();

    w.title = "report.txt";  // shrinks to a prefix: the longer text stays
    list.RefreshWindowList();
    EXPECT_EQ(rows.Cell(0, kColTitle), "report.txt - Editor");

    w.title = "";  // an empty title never replaces the shown one
    list.AddWindowProc(5);
    EXPECT_EQ(rows.Cell(0, kColTitle), "report.txt - Editor");

    windows.Find(5)->title = "notes.txt - Editor";
    list.RefreshWindowList();
    EXPECT_EQ(rows.Cell(0, kColTitle), "notes.txt - Editor");
    windows.Find(5)->title = "notes.txt - Editor [changed]";
    list.RefreshWindowList();
    EXPECT_EQ(rows.Cell(0, kColTitle), "notes.txt - Editor [changed]");
}

TEST_F(TaskListTest, LongTitlesAreNotRewrittenOnEveryPass)
{
    std::string longTitle(300, 'x');
    windows.Add(5, longTitle);
    list.RefreshWindowList();
    int writes = rows.cellWrites;
    list.RefreshWindowList();
    list.RefreshWindowList();
    EXPECT_EQ(rows.cellWrites, writes);
    // A change within the bytes that can be compared is still written.
    windows.Find(5)->title = "y" + longTitle;
    list.RefreshWindowList();
    EXPECT_EQ(rows.Cell(0, kColTitle), "y" + longTitle);
}

TEST_F(TaskListTest, TitleAsLongAsTheCellBufferStillShowsItsGrowth)
{
    // 98 and 99 bytes are whole titles, not cut ones: a longer title that begins with them
    // replaces them as the shrink rule says.
    for (size_t len : {98u, 99u}) {
        SCOPED_TRACE(len);
        WindowHandle h = static_cast<WindowHandle>(len);
        std::string title(len, 't');
        windows.Add(h, title);
        list.RefreshWindowList();
        windows.Find(h)->title = title + " - Editor";
        list.RefreshWindowList();
        EXPECT_EQ(rows.Cell(FindWindowRow(rows, h), kColTitle), title + " - Editor");
        int writes = rows.cellWrites;
        list.RefreshWindowList();
        EXPECT_EQ(rows.cellWrites, writes);
    }
}

TEST_F(TaskListTest, KnownWindowIsNotFilteredAgain)
{
    windows.Add(5, "Main");
    list.RefreshWindowList();
    windows.Find(5)->owner = 9;
    windows.Find(5)->style |= kStyleChild;
    list.RefreshWindowList();
    EXPECT_TRUE(Listed(5));
}

TEST_F(TaskListTest, HandleTakenByAnotherProcessIsListedAsANewWindow)
{
    windows.Add(7, "Old program", 40, 0x700);
    windows.Add(8, "Neighbour", 41);
    list.RefreshWindowList();
    rows.SetText(FindWindowRow(rows, 7), kColStatus, kStatusNotResponding);

    // The window goes and a window of another process gets its handle before the next pass.
    windows.Destroy(7);
    windows.Add(7, "New program", 90);
    list.RefreshWindowList();
    ASSERT_EQ(rows.GetCount(), 2);
    int row = FindWindowRow(rows, 7);
    ASSERT_GE(row, 0);
    EXPECT_EQ(rows.Cell(row, kColTitle), "New program");
    EXPECT_EQ(rows.Cell(row, kColProcess), "90");
    EXPECT_EQ(rows.Cell(row, kColStatus), "");
    EXPECT_EQ(rows.GetImage(row), 0);  // the old window's icon is not lent to it

    // The same process keeps its row as it is.
    int writes = rows.cellWrites;
    list.RefreshWindowList();
    EXPECT_EQ(rows.cellWrites, writes);
}

TEST_F(TaskListTest, RowWhoseHandlePassesToAWindowOutOfReachLeavesAndCommandsSkipIt)
{
    windows.Add(7, "Old program", 40);
    windows.Add(8, "Neighbour", 41);
    list.RefreshWindowList();
    rows.selected = FindWindowRow(rows, 7);

    // The handle passes to a child window of another program, which the enumeration never
    // visits: until the pass drops the row, the commands reach no window.
    windows.Reuse(7, "Child of another", 90).topLevel = false;
    EXPECT_EQ(list.GetSelectedWindow(), 0);
    bool endTask = true, switchTo = true;
    list.GetButtonStates(&endTask, &switchTo);
    EXPECT_FALSE(endTask);
    MemoryTaskActions actions;
    list.OnEndTask(actions);
    EXPECT_TRUE(actions.closed.empty());
    EXPECT_EQ(Titles(), std::vector<std::string>({"Neighbour"}));
}

TEST_F(TaskListTest, HiddenWindowLeavesAndComesBackOnTopWithANewImage)
{
    windows.Add(1, "One", 1, 0x101);
    windows.Add(2, "Two", 1, 0x102);
    list.RefreshWindowList();
    ASSERT_EQ(Titles(), std::vector<std::string>({"Two", "One"}));
    int oldImage = rows.rows[1].image;

    windows.Find(1)->style = 0;
    list.RefreshWindowList();
    EXPECT_FALSE(Listed(1));
    EXPECT_EQ(Titles(), std::vector<std::string>({"Two"}));

    windows.Find(1)->style = kStyleVisible;
    windows.Find(1)->icon = 0x201;
    int requests = windows.iconRequests;
    list.RefreshWindowList();
    EXPECT_EQ(Titles(), std::vector<std::string>({"One", "Two"}));
    EXPECT_EQ(windows.iconRequests, requests + 1);
    // Its old image slot was reclaimed and now holds the new icon.
    EXPECT_EQ(rows.rows[0].image, oldImage);
    EXPECT_EQ(images.images[static_cast<size_t>(oldImage)], 0x201u);
}

TEST_F(TaskListTest, DestroyedWindowsLeaveOnePerPass)
{
    for (WindowHandle h = 1; h <= 4; ++h)
        windows.Add(h, "W" + std::to_string(h));
    list.RefreshWindowList();
    windows.Destroy(1);
    windows.Destroy(2);
    windows.Destroy(3);
    list.RefreshWindowList();
    EXPECT_EQ(rows.GetCount(), 3);
    list.RefreshWindowList();
    EXPECT_EQ(rows.GetCount(), 2);
    list.RefreshWindowList();
    EXPECT_EQ(Titles(), std::vector<std::string>({"W4"}));
}

TEST_F(TaskListTest, HiddenWindowsAllLeaveInThePassThatFindsThemExceptASlidInNeighbour)
{
    for (WindowHandle h = 1; h <= 3; ++h)
        windows.Add(h, "W" + std::to_string(h));
    list.RefreshWindowList();  // rows: W3, W2, W1
    windows.Find(3)->style = 0;
    windows.Find(2)->style = 0;
    list.RefreshWindowList();
    // W3 at index 0 leaves; W2 slides into index 0 and waits for the next pass.
    EXPECT_EQ(Titles(), std::vector<std::string>({"W2", "W1"}));
    list.RefreshWindowList();
    EXPECT_EQ(Titles(), std::vector<std::string>({"W1"}));
}

TEST_F(TaskListTest, WindowWithoutAnIconOrHungAtFirstSightGetsImageZero)
{
    windows.Add(1, "Hung", 1, 0x300).hung = true;
    windows.Add(2, "NoIcon");
    list.RefreshWindowList();
    EXPECT_EQ(windows.lastIconTimeout, 1000u);
    ASSERT_EQ(rows.GetCount(), 2);
    EXPECT_EQ(rows.rows[0].image, 0);
    EXPECT_EQ(rows.rows[1].image, 0);
    EXPECT_EQ(images.images.size(), 1u);
}

TEST_F(TaskListTest, IconsComeFromTheClassWhenTheWindowWasGivenNone)
{
    windows.Add(1, "Class small").classSmallIcon = 0x11;
    MemoryTopWindows::Window& big = windows.Add(2, "Class big", 1, 0);
    big.classIcon = 0x22;
    big.bigIcon = 0x23;
    windows.Add(3, "Given big only").bigIcon = 0x33;
    MemoryTopWindows::Window& hung = windows.Add(4, "Hung, class icon");
    hung.hung = true;
    hung.classIcon = 0x44;
    MemoryTopWindows::Window& slow = windows.Add(5, "Slow, given big only");
    slow.answerMs = 300;
    slow.bigIcon = 0x55;
    windows.Add(6, "Given small", 1, 0x66).classSmallIcon = 0x67;

    for (WindowHandle h = 1; h <= 6; ++h) {
        SCOPED_TRACE(h);
        int requests = windows.iconRequests;
        list.AddWindowProc(h);
        int row = FindWindowRow(rows, h);
        ASSERT_GE(row, 0);
        IconHandle shown = images.images[static_cast<size_t>(rows.GetImage(row))];
        const IconHandle expected[] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
        EXPECT_EQ(shown, expected[h - 1]);
        // A second request only for a window that answered and whose class has no icon.
        EXPECT_EQ(windows.iconRequests - requests, h == 3 || h == 5 ? 2 : 1);
        if (h == 5) {
            EXPECT_EQ(windows.lastIconTimeout, 700u);  // what the first answer left of the limit
        }
    }

    // A hung window whose class has none gets image 0 and no second request.
    windows.Add(7, "Hung, given big only").hung = true;
    windows.Find(7)->bigIcon = 0x77;
    int requests = windows.iconRequests;
    list.AddWindowProc(7);
    EXPECT_EQ(rows.GetImage(FindWindowRow(rows, 7)), 0);
    EXPECT_EQ(windows.iconRequests, requests + 1);
}

TEST_F(TaskListTest, ImageListStaysBoundedWhileWindowsComeAndGo)
{
    windows.Add(1000, "Resident", 1, 0x999);
    for (int round = 0; round < 50; ++round) {
        WindowHandle a = 2 * round + 1, b = 2 * round + 2;
        windows.Add(a, "A", 1, 0x1000 + static_cast<IconHandle>(a));
        windows.Add(b, "B", 1, 0x1000 + static_cast<IconHandle>(b));
        list.RefreshWindowList();
        windows.Destroy(a);
        windows.Destroy(b);
        list.RefreshWindowList();
        list.RefreshWindowList();
        ASSERT_EQ(rows.GetCount(), 1);
    }
    // Image 0, the resident window and at most the two transient ones.
    EXPECT_LE(images.images.size(), 4u);
    EXPECT_EQ(images.images[static_cast<size_t>(rows.rows[0].image)], 0x999u);
}

// Windows whose icon fetch lets the page answer a message that asks for another pass.
class ReentrantWindows : public MemoryTopWindows {
public:
    CTaskList* list = nullptr;
    bool AskIcon(WindowHandle hWnd, int size, unsigned timeoutMs, IconHandle* icon) override
    {
        list->RefreshWindowList();
        return MemoryTopWindows::AskIcon(hWnd, size, timeoutMs, icon);
    }
};

TEST(TaskListReentryTest, PassRequestedDuringAnIconFetchDoesNotListAWindowTwice)
{
    MemoryListRows rows;
    ReentrantWindows windows;
    MemoryIconImages images;
    CTaskList list(rows, windows, images);
    windows.list = &list;
    windows.Add(1, "One");
    windows.Add(2, "Two");
    list.RefreshWindowList();
    EXPECT_EQ(rows.GetCount(), 2);
    EXPECT_EQ(rows.inserts, 2);
}

TEST_F(TaskListTest, SelectionDecidesTheButtons)
{
    windows.Add(1, "One");
    windows.Add(2, "Two");
    list.RefreshWindowList();
    bool endTask = true, switchTo = true;
    list.GetButtonStates(&endTask, &switchTo);
    EXPECT_FALSE(endTask);
    EXPECT_FALSE(switchTo);

    rows.selected = 0;
    list.GetButtonStates(&endTask, &switchTo);  // not probed yet
    EXPECT_TRUE(endTask);
    EXPECT_FALSE(switchTo);

    rows.SetText(0, kColStatus, kStatusRunning);
    list.GetButtonStates(&endTask, &switchTo);
    EXPECT_TRUE(endTask);
    EXPECT_TRUE(switchTo);

    rows.SetText(0, kColStatus, kStatusNotResponding);
    list.GetButtonStates(&endTask, &switchTo);
    EXPECT_TRUE(endTask);
    EXPECT_FALSE(switchTo);
    EXPECT_EQ(list.GetSelectedWindow(), 2);
}

}  // namespace
