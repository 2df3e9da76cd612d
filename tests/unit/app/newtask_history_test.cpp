// The new-task history over an in-memory registry.
#include "app/NewTaskHistory.h"
#include "common/MemoryRegistry.h"
#include <gtest/gtest.h>
#include <string>

namespace {

class NewTaskHistoryTest : public ::testing::Test {
protected:
    MemoryRegistry registry;
    CSysRegInfo store{registry};

    void SetUp() override
    {
        registry.CreateKey(RegRoot::LocalMachine, KORVANE_KEY);
        store.SetRegSection(KORVANE_KEY);
    }
    std::string Entry(int i) const
    {
        return registry.Get(RegRoot::LocalMachine, KORVANE_KEY, "NewTask" + std::to_string(i));
    }
    bool Has(int i) const { return registry.HasValue(RegRoot::LocalMachine, KORVANE_KEY, "NewTask" + std::to_string(i)); }

    // What the dialog does after the shell accepted the command.
    bool RunSuccessfully(const std::string& command)
    {
        std::vector<std::string> history = LoadNewTaskHistory(store);
        return RecordNewTask(store, command.c_str(), history.empty() ? nullptr : history[0].c_str());
    }
};

// ShellExecute's documented answer: above 32 on success, an error code up to 32 otherwise; 32 is
// SE_ERR_DLLNOTFOUND, which must not close the dialog or enter the history.
TEST(NewTaskShellResult, OnlyAnAnswerAbove32IsSuccess)
{
    EXPECT_FALSE(ShellOpenSucceeded(0));
    EXPECT_FALSE(ShellOpenSucceeded(2));   // SE_ERR_FNF
    EXPECT_FALSE(ShellOpenSucceeded(31));  // SE_ERR_NOASSOC
    EXPECT_FALSE(ShellOpenSucceeded(32));
    EXPECT_TRUE(ShellOpenSucceeded(33));
    EXPECT_TRUE(ShellOpenSucceeded(0x400000));  // an instance handle
}

TEST_F(NewTaskHistoryTest, FirstUseWritesNewTask0Only)
{
    EXPECT_TRUE(LoadNewTaskHistory(store).empty());
    EXPECT_TRUE(RunSuccessfully("notepad.exe"));
    EXPECT_EQ(Entry(0), "notepad.exe");
    EXPECT_FALSE(Has(1));
    EXPECT_EQ(LoadNewTaskHistory(store), std::vector<std::string>({"notepad.exe"}));
}

TEST_F(NewTaskHistoryTest, SameCommandTwiceLeavesTheHistoryAlone)
{
    RunSuccessfully("calc.exe");
    RunSuccessfully("notepad.exe");
    int writes = registry.writes;
    EXPECT_FALSE(RunSuccessfully("notepad.exe"));
    EXPECT_EQ(registry.writes, writes);
    EXPECT_EQ(LoadNewTaskHistory(store), std::vector<std::string>({"notepad.exe", "calc.exe"}));
}

TEST_F(NewTaskHistoryTest, PrefixRule)
{
    RunSuccessfully("c:\\tools\\viewer.exe");
    // The beginning of the most recent entry is not recorded...
    EXPECT_FALSE(RunSuccessfully("c:\\tools\\view"));
    EXPECT_FALSE(Has(1));
    // ...but the entry with more text after it is.
    EXPECT_TRUE(RunSuccessfully("c:\\tools\\viewer.exe readme.txt"));
    EXPECT_EQ(Entry(0), "c:\\tools\\viewer.exe readme.txt");
    EXPECT_EQ(Entry(1), "c:\\tools\\viewer.exe");
    // The shorter command is now the beginning of the most recent entry: not recorded again.
    EXPECT_FALSE(RunSuccessfully("c:\\tools\\viewer.exe"));
    // Only the most recent entry counts: an older one is recorded again on top.
    RunSuccessfully("calc.exe");
    EXPECT_TRUE(RunSuccessfully("c:\\tools\\viewer.exe"));
    EXPECT_EQ(Entry(0), "c:\\tools\\viewer.exe");
    EXPECT_EQ(Entry(3), "c:\\tools\\viewer.exe");
    // An empty command never enters, with or without a history.
    EXPECT_FALSE(ShouldRecordNewTask("", nullptr));
    EXPECT_FALSE(ShouldRecordNewTask("", "x"));
    EXPECT_TRUE(ShouldRecordNewTask("x", nullptr));
}

TEST_F(NewTaskHistoryTest, TwentyFiveCommandsLeaveTheLastTwentyOne)
{
    for (int i = 1; i <= 25; ++i)
        ASSERT_TRUE(RunSuccessfully("prog" + std::to_string(i) + ".exe"));
    std::vector<std::string> history = LoadNewTaskHistory(store);
    ASSERT_EQ(history.size(), 21u);
    for (int i = 0; i < 21; ++i)
        EXPECT_EQ(history[static_cast<size_t>(i)], "prog" + std::to_string(25 - i) + ".exe");
    EXPECT_FALSE(Has(21));
}

TEST_F(NewTaskHistoryTest, ReadingStopsAtTheFirstGap)
{
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "NewTask0", "a");
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "NewTask1", "b");
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "NewTask3", "d");
    EXPECT_EQ(LoadNewTaskHistory(store), std::vector<std::string>({"a", "b"}));
    // Recording shifts each value that exists one place down: NewTask1 fills the gap at 2, the
    // stray NewTask3 moves to 4 and stays at 3 as well.
    RunSuccessfully("z");
    EXPECT_EQ(LoadNewTaskHistory(store), std::vector<std::string>({"z", "a", "b", "d", "d"}));
}

}  // namespace
