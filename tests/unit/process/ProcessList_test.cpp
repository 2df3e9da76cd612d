// The Processes page's refresh and commands over in-memory rows and a fake system.
#include "common/MemoryListRows.h"
#include "common/TextUtil.h"
#include "process/FakeProcessSystem.h"
#include "process/ProcessList.h"
#include "res/resource.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class ProcessListTest : public ::testing::Test {
protected:
    ProcessListTest() : list(rows, system, heapRow) {}

    std::vector<std::string> Column(int col) const
    {
        std::vector<std::string> cells;
        for (int r = 0; r < rows.GetCount(); ++r)
            cells.push_back(rows.Cell(r, col));
        return cells;
    }
    std::vector<uint32_t> RowIds() const
    {
        std::vector<uint32_t> ids;
        for (int r = 0; r < rows.GetCount(); ++r)
            ids.push_back(static_cast<uint32_t>(list.GetRowProcessID(r)));
        return ids;
    }

    MemoryListRows rows;
    FakeProcessSystem system;
    int heapRow = 0;
    CProcessList list;
};

using Texts = std::vector<std::string>;

TEST_F(ProcessListTest, FirstRefreshListsEveryProcessInSnapshotOrderWithAllColumns)
{
    system.Add(0xFFF0A2C1u, "C:\\WINDOWS\\SYSTEM\\KERNEL32.DLL", 3);
    system.Add(40, "C:\\WINDOWS\\EXPLORER.EXE", 5).priorityClass = 128;
    system.Add(12, "MPREXE.EXE", 1).priorityClass = 64;
    system.Add(7, "", 2).priorityClass = 256;

    list.RefreshProcessList();

    EXPECT_EQ(Column(0), (Texts{"KERNEL32.DLL", "EXPLORER.EXE", "MPREXE.EXE", ""}));
    // Numbers are shown signed, as 9x's large identifiers read back.
    EXPECT_EQ(Column(1), (Texts{"-1006911", "40", "12", "7"}));
    EXPECT_EQ(Column(2), (Texts{"标准", "高", "低", "实时"}));
    EXPECT_EQ(Column(4), (Texts{"3", "5", "1", "2"}));
    EXPECT_EQ(list.GetRowProcessID(0), -1006911);
}

TEST_F(ProcessListTest, NewRowsAreAppendedUpTo100ThenInsertedAtPosition100)
{
    for (uint32_t id = 1; id <= 100; ++id)
        system.Add(id * 4, "P" + std::to_string(id) + ".EXE");
    list.RefreshProcessList();
    ASSERT_EQ(rows.GetCount(), 100);
    EXPECT_EQ(rows.Cell(99, 0), "P100.EXE");

    system.Add(1000, "LATE1.EXE");
    system.Add(1004, "LATE2.EXE");
    list.RefreshProcessList();
    ASSERT_EQ(rows.GetCount(), 102);
    // Each goes in at index 100, so the later one ends up before the earlier one.
    EXPECT_EQ(rows.Cell(100, 0), "LATE2.EXE");
    EXPECT_EQ(rows.Cell(101, 0), "LATE1.EXE");
    EXPECT_EQ(rows.Cell(99, 0), "P100.EXE");
}

TEST_F(ProcessListTest, NewProcessBetweenRefreshesGetsItsCountsAndLevelInTheSameRefresh)
{
    system.Add(8, "A.EXE", 2);
    list.RefreshProcessList();
    system.Add(16, "C:\\TOOLS\\NEW.EXE", 4).priorityClass = 128;
    list.RefreshProcessList();
    ASSERT_EQ(rows.GetCount(), 2);
    EXPECT_EQ(rows.Cell(1, 0), "NEW.EXE");
    EXPECT_EQ(rows.Cell(1, 1), "16");
    EXPECT_EQ(rows.Cell(1, 2), "高");
    EXPECT_EQ(rows.Cell(1, 4), "4");
}

TEST_F(ProcessListTest, EndedProcessLosesItsRowAndTheNextRowIsStillUpdated)
{
    system.Add(4, "A.EXE", 1);
    system.Add(8, "B.EXE", 1);
    system.Add(12, "C.EXE", 1);
    list.RefreshProcessList();

    system.Remove(8);
    system.Find(12)->threads = 9;
    system.Find(12)->priorityClass = 64;
    list.RefreshProcessList();

    EXPECT_EQ(RowIds(), (std::vector<uint32_t>{4, 12}));
    EXPECT_EQ(rows.Cell(1, 4), "9");
    EXPECT_EQ(rows.Cell(1, 2), "低");

    // Two ended in a row: both go in the same pass.
    system.Add(20, "D.EXE");
    system.Add(24, "E.EXE");
    list.RefreshProcessList();
    system.Remove(12);
    system.Remove(20);
    list.RefreshProcessList();
    EXPECT_EQ(RowIds(), (std::vector<uint32_t>{4, 24}));
}

TEST_F(ProcessListTest, SteadyRefreshWritesNothingAndChangesWriteOnlyTheirCells)
{
    for (uint32_t id = 1; id <= 10; ++id) {
        FakeProcessSystem::Process& p = system.Add(id, "X.EXE", static_cast<int>(id));
        p.heap = {{4096, 1}};
    }
    list.RefreshProcessList();
    for (int i = 0; i < 10; ++i)
        list.UpdateNextHeapSize();  // fill every heap cell

    rows.cellWrites = 0;
    for (int i = 0; i < 25; ++i)
        list.RefreshProcessList();
    EXPECT_EQ(rows.cellWrites, 0);
    EXPECT_EQ(rows.inserts, 10);

    system.Find(3)->threads = 30;
    system.Find(5)->priorityClass = 128;
    list.RefreshProcessList();
    EXPECT_EQ(rows.cellWrites, 2);
    EXPECT_EQ(rows.Cell(2, 4), "30");
    EXPECT_EQ(rows.Cell(4, 2), "高");
}

TEST_F(ProcessListTest, OneSnapshotOfEachKindAndOneHeapWalkPerRefresh)
{
    for (uint32_t id = 1; id <= 50; ++id)
        system.Add(id, "X.EXE", 3).heap = {{100, 1}};
    list.RefreshProcessList();
    list.RefreshProcessList();
    EXPECT_EQ(system.processSnapshots, 2);
    EXPECT_EQ(system.threadSnapshots, 2);
    EXPECT_EQ(system.heapWalks, 2);
}

TEST_F(ProcessListTest, EveryRowKeyIsReadOncePerRefreshAsRowsComeAndGo)
{
    for (uint32_t id = 1; id <= 6; ++id)
        system.Add(id, "X.EXE", 2).heap = {{2048, 1}};
    list.RefreshProcessList();
    system.Find(3)->threads = 0;  // ended: its row goes, the next one is still updated
    system.Add(9, "NEW.EXE", 4).priorityClass = 128;
    rows.columnReads[kColumnProcessId] = 0;
    list.RefreshProcessList();
    EXPECT_EQ(rows.columnReads[kColumnProcessId], 6);
    EXPECT_EQ(RowIds(), (std::vector<uint32_t>{1, 2, 4, 5, 6, 9}));
    EXPECT_EQ(Column(4), (Texts{"2", "2", "2", "2", "2", "4"}));
    EXPECT_EQ(rows.Cell(5, 2), "高");
}

TEST_F(ProcessListTest, HiddenPageSkipsItsRefreshAndCatchesUpOnceWhenShown)
{
    system.Add(4, "A.EXE", 2);
    list.OnTimerTick(true);
    list.OnShown();  // nothing was missed
    EXPECT_EQ(system.processSnapshots, 1);

    system.Add(8, "B.EXE", 3);
    list.OnTimerTick(false);
    list.OnTimerTick(false);
    EXPECT_EQ(system.processSnapshots, 1);
    EXPECT_EQ(system.threadSnapshots, 1);
    EXPECT_EQ(system.heapWalks, 1);
    EXPECT_EQ(RowIds(), (std::vector<uint32_t>{4}));

    list.OnShown();
    list.OnShown();
    EXPECT_EQ(system.processSnapshots, 2);
    EXPECT_EQ(RowIds(), (std::vector<uint32_t>{4, 8}));
    EXPECT_EQ(rows.Cell(1, 4), "3");
}

TEST_F(ProcessListTest, ReusedNumberTakesTheNewProcessNameAndEveryCellFollowsAtOnce)
{
    FakeProcessSystem::Process& a = system.Add(4, "C:\\WINDOWS\\OLD.EXE", 2);
    a.heap = {{2048, 1}};
    system.Add(8, "B.EXE").heap = {{1024, 1}};
    system.Add(12, "C.EXE").heap = {{1024, 1}};
    list.RefreshProcessList();
    list.UpdateNextHeapSize();  // row 0; the next refresh's turn is row 1
    ASSERT_EQ(rows.Cell(0, kColumnHeap), "2 K");

    FakeProcessSystem::Process& b = system.Reuse(4, "C:\\TOOLS\\NEW.EXE", 6);
    b.priorityClass = 128;
    b.heap = {{9 * 1024, 1}};
    list.RefreshProcessList();
    EXPECT_EQ(RowIds(), (std::vector<uint32_t>{4, 8, 12}));
    EXPECT_EQ(rows.Cell(0, kColumnImage), "NEW.EXE");
    EXPECT_EQ(rows.Cell(0, kColumnLevel), "高");
    EXPECT_EQ(rows.Cell(0, kColumnHeap), "9 K");
    EXPECT_EQ(rows.Cell(0, kColumnThreads), "6");
}

TEST_F(ProcessListTest, FailedThreadSnapshotLeavesTheRowsAlone)
{
    system.Add(4, "A.EXE", 2);
    list.RefreshProcessList();
    system.threadSnapshotFails = true;
    system.Find(4)->threads = 5;
    list.RefreshProcessList();
    EXPECT_EQ(RowIds(), (std::vector<uint32_t>{4}));
    EXPECT_EQ(rows.Cell(0, 4), "2");
}

TEST(HeapSize, SumsNonFreeBlocksAmongTheFirst202AndTruncatesToK)
{
    FakeProcessSystem system;
    FakeProcessSystem::Process& p = system.Add(4, "A.EXE");
    // 300 blocks of 1000 bytes, every third one free: only the first 202 count.
    for (int i = 0; i < 300; ++i)
        p.heap.push_back({1000, i % 3 == 2 ? 2u : 1u});
    int nonFree = 0;
    for (int i = 0; i < 202; ++i)
        nonFree += i % 3 == 2 ? 0 : 1;
    EXPECT_EQ(HeapSizeK(system, 4), nonFree * 1000 / 1024);
    // The walk still runs to its end: one stopped early leaks its state on 9x.
    EXPECT_EQ(system.heapBlocksVisited, 300);
    p.heap.resize(202);
    EXPECT_EQ(HeapSizeK(system, 4), nonFree * 1000 / 1024);
    EXPECT_EQ(system.heapWalksUnfinished, 0);

    // 1023 bytes is 0 K; 2047 bytes is 1 K.
    system.Add(8, "B.EXE").heap = {{1023, 1}};
    system.Add(12, "C.EXE").heap = {{2000, 4}, {47, 1}, {5000, 2}};
    EXPECT_EQ(HeapSizeK(system, 8), 0);
    EXPECT_EQ(HeapSizeK(system, 12), 1);
    // A walk that can't start sums to 0.
    system.Find(12)->heapWalkable = false;
    EXPECT_EQ(HeapSizeK(system, 12), 0);
}

TEST(HeapSize, WhereHeapZeroIsRefusedTheDefaultHeapOfTheListIsWalked)
{
    FakeProcessSystem system;
    // As on 9x: identifier 0 names no heap; the list holds a private heap before the default one.
    FakeProcessSystem::Process& p = system.Add(4, "A.EXE");
    p.heapZeroRefused = true;
    p.heapList.push_back({0x510000, false, {{64 * 1024, 1}}});
    p.heapList.push_back({0x520000, true, std::vector<FakeProcessSystem::HeapBlock>(300, {1024, 1})});
    EXPECT_EQ(HeapSizeK(system, 4), 202);
    EXPECT_EQ(system.heapBlocksVisited, 300);
    EXPECT_EQ(system.heapWalksUnfinished, 0);

    // Identifier 0 stays first where it walks.
    p.heapZeroRefused = false;
    p.heap = {{3 * 1024, 1}};
    EXPECT_EQ(HeapSizeK(system, 4), 3);

    // Refused, and no default heap listed: 0.
    p.heapZeroRefused = true;
    p.heapList.pop_back();
    EXPECT_EQ(HeapSizeK(system, 4), 0);
}

TEST_F(ProcessListTest, HeapStepTurnsThroughTheRowsAndVisitsANewProcessAtOnce)
{
    system.Add(4, "A.EXE").heap = {{4096, 1}};
    system.Add(8, "B.EXE").heap = {{8192, 1}};
    system.Add(12, "C.EXE").heap = {{3 * 1024 + 1023, 1}};
    list.RefreshProcessList();
    // The last insertion set the cursor so that the refresh's heap step visited index 2.
    EXPECT_EQ(heapRow, 2);
    EXPECT_EQ(Column(3), (Texts{"", "", "3 K"}));
    list.UpdateNextHeapSize();  // wraps to row 0
    EXPECT_EQ(rows.Cell(0, 3), "4 K");
    list.UpdateNextHeapSize();
    EXPECT_EQ(rows.Cell(1, 3), "8 K");

    system.Find(8)->heapWalkable = false;
    heapRow = 0;
    list.UpdateNextHeapSize();
    EXPECT_EQ(rows.Cell(1, 3), "0 K");

    // The cursor follows the new process's place in the snapshot, not its row: a process that
    // the system lists first is appended as row 3, and the step visits index 0.
    FakeProcessSystem::Process first;
    first.id = 2;
    first.path = "FIRST.EXE";
    first.heap = {{5 * 1024, 1}};
    system.processes.insert(system.processes.begin(), first);
    list.RefreshProcessList();
    EXPECT_EQ(rows.Cell(3, 0), "FIRST.EXE");
    EXPECT_EQ(heapRow, 0);
    EXPECT_EQ(rows.Cell(3, 3), "");

    // No rows: the cursor resets and nothing is written.
    MemoryListRows empty;
    int cursor = 5;
    CProcessList emptyList(empty, system, cursor);
    emptyList.UpdateNextHeapSize();
    EXPECT_EQ(cursor, 0);
    EXPECT_EQ(empty.cellWrites, 0);
}

// The page's worker as the list sees it: woken when walks wait.
class CountingWorker : public IHeapWorker {
public:
    void Wake() override { ++wakes; }
    int wakes = 0;
};

TEST(HeapWorker, WalksWaitForTheWorkerAndTheirFiguresFindTheirRows)
{
    MemoryListRows rows;
    FakeProcessSystem system;
    CountingWorker worker;
    int heapRow = 0;
    CProcessList list(rows, system, heapRow, &worker);
    for (uint32_t id : {4u, 8u, 12u})
        system.Add(id, "X.EXE").heap = {{id * 1024, 1}};

    // The refresh walks nothing itself: its step (index 2, the last new process) is queued.
    list.RefreshProcessList();
    list.StartHeapPass();
    EXPECT_EQ(system.heapWalks, 0);
    EXPECT_EQ(worker.wakes, 2);

    // The queued walk first, then the pass's three steps, each a cursor advance.
    std::vector<uint32_t> taken;
    uint32_t id = 0;
    while (list.TakeHeapWalk(&id)) {
        taken.push_back(id);
        list.SetHeapSize(id, HeapSizeK(system, id));
    }
    EXPECT_EQ(taken, (std::vector<uint32_t>{12, 4, 8, 12}));
    EXPECT_EQ(rows.Cell(0, kColumnHeap), "4 K");
    EXPECT_EQ(rows.Cell(2, kColumnHeap), "12 K");
    EXPECT_FALSE(list.TakeHeapWalk(&id));  // the pass is over

    // A figure goes to the row that holds its process when it comes back, or nowhere.
    list.RefreshProcessList();
    ASSERT_TRUE(list.TakeHeapWalk(&id));
    system.Remove(4);
    list.RefreshProcessList();  // row 0 goes; the rows below move up
    list.SetHeapSize(12, 99);
    list.SetHeapSize(4, 77);
    EXPECT_EQ(rows.Cell(0, kColumnHeap), "8 K");
    EXPECT_EQ(rows.Cell(1, kColumnHeap), "99 K");
    // A process waits once however many refreshes queue it.
    for (int i = 0; i < 4; ++i)
        list.UpdateNextHeapSize();
    int walks = 0;
    while (list.TakeHeapWalk(&id))
        ++walks;
    EXPECT_EQ(walks, 2);
}

TEST(Priority, NamesCommandsAndClasses)
{
    EXPECT_STREQ(PriorityName(32), "标准");
    EXPECT_STREQ(PriorityName(64), "低");
    EXPECT_STREQ(PriorityName(128), "高");
    EXPECT_STREQ(PriorityName(256), "实时");
    EXPECT_STREQ(PriorityName(0), "");
    EXPECT_STREQ(PriorityName(0x4000), "");  // below-normal of later systems maps to nothing

    EXPECT_EQ(PriorityCommand(32), 32788u);
    EXPECT_EQ(PriorityCommand(64), 32789u);
    EXPECT_EQ(PriorityCommand(128), 32787u);
    EXPECT_EQ(PriorityCommand(256), 32786u);
    EXPECT_EQ(PriorityCommand(0x8000), 0u);

    EXPECT_EQ(PriorityClassOfCommand(32786), 256u);
    EXPECT_EQ(PriorityClassOfCommand(32787), 128u);
    EXPECT_EQ(PriorityClassOfCommand(32788), 32u);
    EXPECT_EQ(PriorityClassOfCommand(32789), 64u);
    EXPECT_EQ(PriorityClassOfCommand(32790), 0u);
    EXPECT_EQ(PriorityClassOfCommand(ID_PROCESS_DEBUG), 0u);
}

TEST_F(ProcessListTest, LevelIsEmptyWhenTheClassCantBeReadOrMapsToNothing)
{
    system.Add(4, "A.EXE").priorityClass = 0x4000;
    system.Add(8, "B.EXE").canOpen = false;
    list.RefreshProcessList();
    EXPECT_EQ(Column(2), (Texts{"", ""}));
    // A level that was shown is cleared when it can no longer be read.
    system.Find(4)->priorityClass = 32;
    list.RefreshProcessList();
    EXPECT_EQ(rows.Cell(0, 2), "标准");
    system.Find(4)->canOpen = false;
    list.RefreshProcessList();
    EXPECT_EQ(rows.Cell(0, 2), "");
}

TEST_F(ProcessListTest, EndProcessRemovesTheSelectedRowOnlyWhenItEnded)
{
    system.Add(4, "A.EXE");
    system.Add(8, "B.EXE");
    system.Add(12, "C.EXE");
    list.RefreshProcessList();

    list.EndSelectedProcess();  // nothing selected
    EXPECT_TRUE(system.terminated.empty());

    rows.selected = 1;
    list.EndSelectedProcess();
    EXPECT_EQ(system.terminated, (std::vector<uint32_t>{8}));
    EXPECT_EQ(RowIds(), (std::vector<uint32_t>{4, 12}));

    system.Find(12)->canOpen = false;
    rows.selected = 1;
    list.EndSelectedProcess();
    EXPECT_EQ(RowIds(), (std::vector<uint32_t>{4, 12}));
}

TEST_F(ProcessListTest, PriorityCommandsActOnTheSelectedProcess)
{
    system.Add(4, "A.EXE");
    system.Add(8, "B.EXE");
    list.RefreshProcessList();
    EXPECT_EQ(list.SelectedPriorityCommand(), 0u);  // nothing selected: no menu, no mark

    rows.selected = 1;
    EXPECT_EQ(list.SelectedPriorityCommand(), 32788u);
    list.SetSelectedPriority(32787);
    EXPECT_EQ(system.Find(8)->priorityClass, 128u);
    EXPECT_EQ(system.Find(4)->priorityClass, 32u);
    EXPECT_EQ(list.SelectedPriorityCommand(), 32787u);
    // The level column follows at the next refresh.
    EXPECT_EQ(rows.Cell(1, 2), "标准");
    list.RefreshProcessList();
    EXPECT_EQ(rows.Cell(1, 2), "高");

    list.SetSelectedPriority(32790);  // not a priority command
    EXPECT_EQ(system.Find(8)->priorityClass, 128u);
}

TEST_F(ProcessListTest, RowKeysReadBackSignedAndUnreadableRowsGiveZero)
{
    rows.Insert(0, "A.EXE", -1);
    rows.SetText(0, 1, "-12");
    rows.Insert(1, "B.EXE", -1);
    rows.Insert(2, "C.EXE", -1);
    rows.SetText(2, 1, "abc");
    EXPECT_EQ(list.GetRowProcessID(0), -12);
    EXPECT_EQ(list.GetRowProcessID(1), 0);
    EXPECT_EQ(list.GetRowProcessID(2), 0);
    EXPECT_EQ(list.GetRowProcessID(7), 0);
    EXPECT_FALSE(list.IsProcessNotListed(-12));
    EXPECT_TRUE(list.IsProcessNotListed(12));
}

bool IsGbkLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

TEST_F(ProcessListTest, LongPathsGiveTheirImageNameAndTheTableStopsAt255)
{
    SetLeadByteTest(IsGbkLeadByte);
    // 9x snapshots hold full paths of up to 259 bytes. Folders of GBK characters, one of them
    // with a trail byte 0x5C ("\x81\x5C"), and a GBK file name: "程序.EXE".
    std::string folders = "C:\\";
    for (int i = 0; i < 12; ++i)
        folders += "\xD4\xB4\xB4\xFA\xC2\xEB\x81\x5C" + std::string(8, 'D') + "\\";
    const std::string gbkName = "\xB3\xCC\xD0\xF2.EXE";
    ASSERT_GT(folders.size(), 200u);
    system.Add(4, folders + gbkName);
    // A name longer than the 79 bytes kept, with a double-byte character across byte 79.
    const std::string longName = std::string(78, 'n') + "\xB3\xCC.EXE";
    system.Add(5, folders.substr(0, 150) + "\\" + longName);
    for (uint32_t id = 1; id <= 300; ++id)
        system.Add(100 + id, "X.EXE");
    list.RefreshProcessList();
    SetLeadByteTest(nullptr);
    EXPECT_EQ(rows.Cell(0, 0), gbkName);
    EXPECT_EQ(rows.Cell(1, 0), longName.substr(0, 78));
    EXPECT_EQ(rows.GetCount(), 255);
}

}  // namespace
