// The quick shutdown's command line, checked against a fake program starter.
#include "protect/QuickShutdown.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class RecordingStarter : public IProgramStarter {
public:
    bool Start(const char* commandLine, int showCommand) override
    {
        started.push_back(commandLine);
        shows.push_back(showCommand);
        return result;
    }
    std::vector<std::string> started;
    std::vector<int> shows;
    bool result = true;
};

}  // namespace

TEST(QuickShutdown, StartsTheKernelExitOnceWithNoWindow)
{
    RecordingStarter starter;
    StartQuickShutdown(starter);
    ASSERT_EQ(starter.started.size(), 1u);
    EXPECT_EQ(starter.started[0], "rundll32 krnl386.exe,exitkernel");
    EXPECT_EQ(starter.shows[0], 0);  // SW_HIDE

    // A failed start is not retried.
    RecordingStarter failing;
    failing.result = false;
    StartQuickShutdown(failing);
    EXPECT_EQ(failing.started.size(), 1u);
}
