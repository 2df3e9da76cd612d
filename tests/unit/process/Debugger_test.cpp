// Finding the debuggers and the command lines they are started with.
#include "common/MemoryRegistry.h"
#include "process/Debugger.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Records what the shell would be asked to open and answers with a set result, as ShellExecute
// documents it: above 32 on success, an error code up to 32 (SE_ERR_DLLNOTFOUND) otherwise.
class RecordingShell : public IShellOpen {
public:
    struct Call {
        std::string file, parameters, directory;
        bool hasDirectory;
    };
    intptr_t Open(const char* file, const char* parameters, const char* directory) override
    {
        calls.push_back({file ? file : "", parameters ? parameters : "", directory ? directory : "",
                         directory != nullptr});
        return result;
    }
    std::vector<Call> calls;
    intptr_t result = 42;
};

class DebuggerTest : public ::testing::Test {
protected:
    void SetStudioIcon(const std::string& value)
    {
        registry.Put(RegRoot::LocalMachine, STUDIO_DEBUGGER_KEY, "", value);
    }
    void SetQuenbrixDirectory(const std::string& value)
    {
        registry.Put(RegRoot::LocalMachine, "Software\\Marrowfen\\Quenbrix", "Directory", value);
    }
    MemoryRegistry registry;
    RecordingShell shell;
};

TEST_F(DebuggerTest, StudioDebuggerGetsThePathBeforeTheCommaAndTheNumberAsShown)
{
    SetStudioIcon(std::string("C:\\Program Files\\DevStudio\\SharedIDE\\BIN\\MSDEV.EXE,1") + '\0');
    ASSERT_TRUE(LaunchStudioDebugger(registry, shell, 1234));
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].file, "C:\\Program Files\\DevStudio\\SharedIDE\\BIN\\MSDEV.EXE");
    EXPECT_EQ(shell.calls[0].parameters, "-p 1234");
    EXPECT_FALSE(shell.calls[0].hasDirectory);

    ASSERT_TRUE(LaunchStudioDebugger(registry, shell, -5678123));
    EXPECT_EQ(shell.calls[1].parameters, "-p -5678123");
}

TEST_F(DebuggerTest, StudioDebuggerNotFoundCases)
{
    // No key at all.
    EXPECT_FALSE(LaunchStudioDebugger(registry, shell, 1));
    // A value without a comma, or with nothing before it.
    SetStudioIcon("C:\\MSDEV.EXE");
    EXPECT_FALSE(LaunchStudioDebugger(registry, shell, 1));
    SetStudioIcon(",1");
    EXPECT_FALSE(LaunchStudioDebugger(registry, shell, 1));
    // Longer than the 80-byte buffer, with or without its terminating zero.
    SetStudioIcon("C:\\" + std::string(80, 'd') + "\\MSDEV.EXE,1");
    EXPECT_FALSE(LaunchStudioDebugger(registry, shell, 1));
    SetStudioIcon(std::string(78, 'x') + ",1" + '\0');
    EXPECT_FALSE(LaunchStudioDebugger(registry, shell, 1));
    EXPECT_TRUE(shell.calls.empty());

    // The shell's failure (32 or less) is not-found as well: 32 is a debugger whose DLL is missing.
    SetStudioIcon("C:\\MSDEV.EXE,1");
    shell.result = 2;
    EXPECT_FALSE(LaunchStudioDebugger(registry, shell, 1));
    shell.result = 32;
    EXPECT_FALSE(LaunchStudioDebugger(registry, shell, 1));
    EXPECT_EQ(shell.calls.size(), 2u);
    shell.result = 33;
    EXPECT_TRUE(LaunchStudioDebugger(registry, shell, 1));
}

TEST_F(DebuggerTest, StudioValueOfExactly79CharactersFits)
{
    std::string value = std::string(77, 'x') + ",1";
    SetStudioIcon(value + '\0');
    char path[80], parameters[80];
    ASSERT_TRUE(BuildStudioDebuggerCommand(registry, 9, path, parameters));
    EXPECT_EQ(std::string(path), std::string(77, 'x'));
    // Stored without its zero the same text fits too.
    SetStudioIcon(value);
    EXPECT_TRUE(BuildStudioDebuggerCommand(registry, 9, path, parameters));
    EXPECT_EQ(std::string(path), std::string(77, 'x'));
}

TEST_F(DebuggerTest, QuenbrixGetsTheNegatedNumberAndItsDirectory)
{
    SetQuenbrixDirectory("C:\\Program Files\\Quenbrix");
    ASSERT_EQ(LaunchQuenbrix(registry, shell, 1234), QuenbrixLaunch::Started);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].file, "C:\\Program Files\\Quenbrix\\quenbrix.exe");
    EXPECT_EQ(shell.calls[0].parameters, "p-1234");
    EXPECT_EQ(shell.calls[0].directory, "C:\\Program Files\\Quenbrix");

    // A number shown negative (a 9x identifier) goes as the positive number.
    LaunchQuenbrix(registry, shell, -1006911);
    EXPECT_EQ(shell.calls[1].parameters, "p1006911");
    // The most negative number negates to itself in 32 bits.
    LaunchQuenbrix(registry, shell, -2147483647 - 1);
    EXPECT_EQ(shell.calls[2].parameters, "p-2147483648");

    // A failed start is not examined.
    shell.result = 0;
    EXPECT_EQ(LaunchQuenbrix(registry, shell, 5), QuenbrixLaunch::Started);
}

TEST_F(DebuggerTest, QuenbrixMissingOrTooLongIsNotInstalled)
{
    EXPECT_EQ(LaunchQuenbrix(registry, shell, 1), QuenbrixLaunch::NotInstalled);
    // 66 characters leave exactly room for "\quenbrix.exe" and the zero in 80 bytes; 67 don't.
    SetQuenbrixDirectory(std::string(66, 'q'));
    EXPECT_EQ(LaunchQuenbrix(registry, shell, 1), QuenbrixLaunch::Started);
    EXPECT_EQ(shell.calls.back().file.size(), 79u);
    SetQuenbrixDirectory(std::string(67, 'q'));
    EXPECT_EQ(LaunchQuenbrix(registry, shell, 1), QuenbrixLaunch::NotInstalled);
    SetQuenbrixDirectory(std::string(200, 'q'));
    EXPECT_EQ(LaunchQuenbrix(registry, shell, 1), QuenbrixLaunch::NotInstalled);
    EXPECT_EQ(shell.calls.size(), 1u);

    char directory[80], path[80], parameters[80];
    EXPECT_FALSE(BuildQuenbrixCommand(registry, 3, directory, path, parameters));
    EXPECT_STREQ(directory, "");
    EXPECT_STREQ(path, "");
    EXPECT_STREQ(parameters, "");
}

}  // namespace
