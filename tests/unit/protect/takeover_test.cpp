// The quick takeover's priority bookkeeping against a fake process table, the area its cover
// (and the lock's) spans, how both take the foreground, and what the lock holds against.
#include "protect/Takeover.h"
#include "protect/CoverArea.h"
#include "protect/Foreground.h"
#include "protect/LockRules.h"
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>

namespace {

const uint32_t kNormal = 0x20;

class FakeProcesses : public IProcessPriorities {
public:
    uint32_t OwnProcessId() override { return own; }
    void ListProcesses(std::vector<uint32_t>& ids) override
    {
        ids.clear();
        for (uint32_t id : order)
            ids.push_back(id);
        log.push_back("snapshot");
    }
    void SetOwnClass(uint32_t cls) override
    {
        classes[own] = cls;
        log.push_back("own " + std::to_string(cls));
    }
    uint32_t ExchangeClass(uint32_t id, uint32_t newClass) override
    {
        log.push_back("lower " + std::to_string(id));
        if (!Running(id) || unreadable.count(id))
            return 0;
        uint32_t before = classes[id];
        classes[id] = newClass;
        return before;
    }
    bool SetClass(uint32_t id, uint32_t cls) override
    {
        log.push_back("raise " + std::to_string(id));
        if (!Running(id))
            return false;
        classes[id] = cls;
        return true;
    }

    void Add(uint32_t id, uint32_t cls)
    {
        order.push_back(id);
        classes[id] = cls;
    }
    void End(uint32_t id)
    {
        classes.erase(id);
        for (size_t i = 0; i < order.size(); ++i)
            if (order[i] == id)
                order.erase(order.begin() + static_cast<long>(i));
    }
    bool Running(uint32_t id) const { return classes.count(id) != 0; }

    uint32_t own = 0;
    std::vector<uint32_t> order;
    std::map<uint32_t, uint32_t> classes;
    std::set<uint32_t> unreadable;
    std::vector<std::string> log;
};

class Takeover : public ::testing::Test {
protected:
    void SetUp() override
    {
        sys.Add(4, kNormal);
        sys.Add(100, kHighPriorityClass);  // the program itself
        sys.Add(12, kHighPriorityClass);
        sys.Add(7, kIdlePriorityClass);
        sys.Add(30, kRealtimePriorityClass);
        sys.own = 100;
    }
    FakeProcesses sys;
    std::vector<SAVED_PRIORITY> saved;
};

// The foreground as Windows 98 keeps it (SetForegroundWindow's and AttachThreadInput's
// documentation): a plain request from a program in the background is refused; one made while
// sharing the input state of the foreground window's thread is granted, after that thread has
// handled its deactivation, which a hung thread never does.
class FakeForeground : public IForegroundSystem {
public:
    ForegroundHandle Foreground() override { return foreground; }
    void SetForeground(ForegroundHandle window) override
    {
        log.push_back("set " + std::to_string(window));
        if (attachedTo != 0 && hung.count(attachedTo))
            log.push_back("stuck");
        else if (plainGranted || attachedTo != 0)
            foreground = window;
    }
    uint32_t ThreadOf(ForegroundHandle window) override { return threads[window]; }
    uint32_t OwnThread() override { return kOwn; }
    bool Answers(ForegroundHandle window) override { return hung.count(threads[window]) == 0; }
    bool AttachInput(uint32_t thread, bool attach) override
    {
        log.push_back((attach ? "attach " : "detach ") + std::to_string(thread));
        attachedTo = attach ? thread : 0;
        return true;
    }

    static const uint32_t kOwn = 10;
    ForegroundHandle foreground = 0;
    bool plainGranted = false;
    uint32_t attachedTo = 0;
    std::map<ForegroundHandle, uint32_t> threads = {{1, 20}, {2, kOwn}, {3, kOwn}};
    std::set<uint32_t> hung;
    std::vector<std::string> log;
};

// The screen-saver-running flag of Windows 95/98/ME (KB 226359): set, the system ignores
// Ctrl+Alt+Del, Alt+Tab and Ctrl+Esc; a screen saver sets it as it starts and clears it as it
// ends, which turns them back on. Windows 95 cannot be asked for it (SystemParametersInfo's
// documentation of SPI_GETSCREENSAVERRUNNING: 98 and later).
class FakeScreenSaverFlag : public IScreenSaverFlag {
public:
    bool Query(bool& value) override
    {
        value = running;
        return queryable;
    }
    void Set(bool value) override
    {
        running = value;
        ++sets;
    }
    // A screen saver started and ended over the lock.
    void SaverRanAndEnded() { running = false; }

    bool running = false;
    bool queryable = true;
    int sets = 0;
};

std::string Joined(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : "|") + item;
    return out;
}

}  // namespace

TEST_F(Takeover, DemoteLowersEveryOtherProcessInSnapshotOrder)
{
    saved.push_back(SAVED_PRIORITY{999, kNormal});  // left over from an earlier takeover
    DemoteProcesses(sys, saved);

    std::vector<std::string> expected = {"snapshot", "own 256", "lower 4", "lower 12", "lower 7", "lower 30"};
    EXPECT_EQ(sys.log, expected);
    ASSERT_EQ(saved.size(), 4u);
    uint32_t ids[] = {4, 12, 7, 30};
    uint32_t before[] = {kNormal, kHighPriorityClass, kIdlePriorityClass, kRealtimePriorityClass};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(saved[i].dwProcessId, ids[i]);
        EXPECT_EQ(saved[i].dwPriorityClass, before[i]);
        EXPECT_EQ(sys.classes[ids[i]], kIdlePriorityClass);
    }
    EXPECT_EQ(sys.classes[100], kRealtimePriorityClass);
}

TEST_F(Takeover, RestorePutsOwnProcessHighFirstThenEveryClassBackInOrder)
{
    sys.classes[100] = kNormal;  // whatever the program ran in before, it ends up high
    DemoteProcesses(sys, saved);
    sys.log.clear();
    RestoreProcesses(sys, saved);

    std::vector<std::string> expected = {"own 128", "raise 4", "raise 12", "raise 7", "raise 30"};
    EXPECT_EQ(sys.log, expected);
    EXPECT_EQ(sys.classes[100], kHighPriorityClass);
    EXPECT_EQ(sys.classes[4], kNormal);
    EXPECT_EQ(sys.classes[12], kHighPriorityClass);
    EXPECT_EQ(sys.classes[7], kIdlePriorityClass);  // it was idle before and stays idle
    EXPECT_EQ(sys.classes[30], kRealtimePriorityClass);
    // The records are kept after the takeover ends.
    EXPECT_EQ(saved.size(), 4u);
}

TEST_F(Takeover, ProcessThatEndedIsSkippedAndTheRestRestored)
{
    DemoteProcesses(sys, saved);
    sys.End(12);
    sys.Add(50, kNormal);  // started during the takeover: not touched when it ends
    RestoreProcesses(sys, saved);
    EXPECT_FALSE(sys.Running(12));
    EXPECT_EQ(sys.classes[4], kNormal);
    EXPECT_EQ(sys.classes[7], kIdlePriorityClass);
    EXPECT_EQ(sys.classes[30], kRealtimePriorityClass);
    EXPECT_EQ(sys.classes[50], kNormal);
}

TEST_F(Takeover, ProcessWhoseClassCannotBeReadIsLeftAlone)
{
    sys.unreadable.insert(12);
    DemoteProcesses(sys, saved);
    ASSERT_EQ(saved.size(), 4u);
    EXPECT_EQ(saved[1].dwProcessId, 12u);
    EXPECT_EQ(saved[1].dwPriorityClass, 0u);
    EXPECT_EQ(sys.classes[12], kHighPriorityClass);
    sys.log.clear();
    RestoreProcesses(sys, saved);
    for (const std::string& entry : sys.log)
        EXPECT_NE(entry, "raise 12");
    EXPECT_EQ(sys.classes[12], kHighPriorityClass);
}

// Wine shows one screen only, so the monitor layouts are given here.
TEST(CoverArea, SpansEveryMonitorAndFallsBackToThePrimaryScreen)
{
    // A second monitor left of the primary one: the virtual screen starts at a negative x.
    ScreenArea twoMonitors = CoverArea(ScreenArea{-1280, 0, 2304, 1024}, 1024, 768);
    EXPECT_EQ(twoMonitors.x, -1280);
    EXPECT_EQ(twoMonitors.y, 0);
    EXPECT_EQ(twoMonitors.cx, 2304);
    EXPECT_EQ(twoMonitors.cy, 1024);
    // Windows 95 reports no virtual screen.
    ScreenArea primary = CoverArea(ScreenArea{0, 0, 0, 0}, 800, 600);
    EXPECT_EQ(primary.x, 0);
    EXPECT_EQ(primary.y, 0);
    EXPECT_EQ(primary.cx, 800);
    EXPECT_EQ(primary.cy, 600);
}

// Window 1 belongs to another program's thread 20; windows 2 and 3 are the program's own.
TEST(TakeForeground, SharesTheInputOnlyOfAThreadThatAnswers)
{
    FakeForeground answering;
    answering.foreground = 1;
    TakeForeground(answering, 2);
    EXPECT_EQ(Joined(answering.log), "set 2|attach 20|set 2|detach 20");
    EXPECT_EQ(answering.foreground, 2u);

    // A hung foreground window keeps the foreground: the plain request stands, nothing waits.
    FakeForeground hung;
    hung.foreground = 1;
    hung.hung.insert(20);
    TakeForeground(hung, 2);
    EXPECT_EQ(Joined(hung.log), "set 2");
    EXPECT_EQ(hung.foreground, 1u);
}

TEST(TakeForeground, PlainRequestAloneWhenItIsEnoughOrNoOtherThreadHoldsTheForeground)
{
    FakeForeground granted;
    granted.foreground = 1;
    granted.plainGranted = true;
    TakeForeground(granted, 2);
    EXPECT_EQ(Joined(granted.log), "set 2");
    EXPECT_EQ(granted.foreground, 2u);

    // The program's own window has it, or none does: there is no other thread to share with.
    FakeForeground own;
    own.foreground = 3;
    TakeForeground(own, 2);
    FakeForeground none;
    TakeForeground(none, 2);
    EXPECT_EQ(Joined(own.log), "set 2");
    EXPECT_EQ(Joined(none.log), "set 2");
}

TEST(LockRules, EachCheckSetsTheScreenSaverFlagAgainWhenASaverClearedIt)
{
    FakeScreenSaverFlag flag;
    flag.running = true;
    RenewScreenSaverFlag(flag);
    EXPECT_EQ(flag.sets, 0);  // still set: left alone
    flag.SaverRanAndEnded();
    RenewScreenSaverFlag(flag);
    EXPECT_TRUE(flag.running);
    EXPECT_EQ(flag.sets, 1);

    // Windows 95 cannot say: every check sets it.
    FakeScreenSaverFlag win95;
    win95.queryable = false;
    win95.running = true;
    RenewScreenSaverFlag(win95);
    RenewScreenSaverFlag(win95);
    EXPECT_TRUE(win95.running);
    EXPECT_EQ(win95.sets, 2);
}

// WM_SYSCOMMAND's documentation: the low four bits of wParam are the system's own. The task list
// is checked only here: under Wine its default handling starts Wine's own task manager.
TEST(LockRules, TheLockAnswersTheScreenSaverAndTaskSwitchesItself)
{
    const uintptr_t answered[] = {0xF140 /* SC_SCREENSAVE */, 0xF040 /* SC_NEXTWINDOW */,
                                  0xF050 /* SC_PREVWINDOW */, 0xF130 /* SC_TASKLIST */};
    for (uintptr_t command : answered) {
        EXPECT_TRUE(LockAnswersSysCommand(true, command)) << command;
        EXPECT_TRUE(LockAnswersSysCommand(true, command | 0xF)) << command;
        EXPECT_FALSE(LockAnswersSysCommand(false, command)) << command;
    }
    const uintptr_t passed[] = {0xF060 /* SC_CLOSE */, 0xF020 /* SC_MINIMIZE */, 0xF120 /* SC_RESTORE */,
                                0xF100 /* SC_KEYMENU */, 0xF010 /* SC_MOVE */, 0xF170 /* SC_MONITORPOWER */};
    for (uintptr_t command : passed)
        EXPECT_FALSE(LockAnswersSysCommand(true, command)) << command;
}

TEST(LockRules, AWindowThatTakesTheForegroundGetsItBackAtOnceOnlyTheFirstTime)
{
    CForegroundReturns returns;
    EXPECT_TRUE(returns.AtOnce(1));
    // Taking it again and again, as a program that fights for it does: the periodic check's pace.
    EXPECT_FALSE(returns.AtOnce(1));
    EXPECT_FALSE(returns.AtOnce(1));
    EXPECT_TRUE(returns.AtOnce(7));  // another window
    EXPECT_FALSE(returns.AtOnce(0));  // no foreground window
    // A program that opens new windows without end is held to the pace after a bounded number.
    int atOnce = 0;
    for (ForegroundHandle window = 100; window < 1100; ++window)
        atOnce += returns.AtOnce(window) ? 1 : 0;
    EXPECT_LT(atOnce, 100);
    returns.Clear();  // the next lock starts afresh
    EXPECT_TRUE(returns.AtOnce(1));
}
