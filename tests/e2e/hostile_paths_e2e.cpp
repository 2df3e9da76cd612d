// Processes whose executable paths and names sit at the 79/80-byte limit of the process table:
// full paths of 79, 80 and 81 characters, names of 79, 80, 81 and 200 characters, and a Chinese
// name whose cut would fall inside a double-byte character. Each process gets one row whose
// image name is its name cut to 79 bytes, 78 for the Chinese one (Wine's tool-help gives the
// file name without its folder), the row goes when the process ends, and the program stays up.
#include "hostile_util.h"
#include "process_tab.h"
#include <stdio.h>

using namespace e2e;

namespace {

const char kFolder[] = "C:\\korvane_paths";
const size_t kNameCap = 79;

struct Program {
    std::string name;
    std::string path;
    HANDLE process = nullptr;
    DWORD pid = 0;
};

std::string NameOf(size_t length, const char* head)
{
    std::string name = head;
    name += std::string(length - name.size() - 4, 'n');
    return name + ".exe";
}

// A name that makes the whole path exactly `length` characters.
std::string NameForPath(size_t length)
{
    return NameOf(length - strlen(kFolder) - 1, "path");
}

bool StartHidden(Program& p)
{
    PROCESS_INFORMATION pi;
    if (!StartCommand("\"" + p.path + "\" \"h:hidden " + std::to_string(p.name.size()) + "\"", &pi))
        return false;
    CloseHandle(pi.hThread);
    p.process = pi.hProcess;
    p.pid = pi.dwProcessId;
    // Under Wine a process caught by a snapshot while it is still being created has no name yet.
    WaitForInputIdle(pi.hProcess, 10000);
    return true;
}

}  // namespace

E2E_TEST(LongPathsAndNamesGetOneRowWithTheNameCutTo79)
{
    const std::string source = KorvaneDir() + "\\korvane_testwin.exe";
    CreateDirectoryA(kFolder, nullptr);
    std::vector<Program> programs;
    for (size_t pathLength : {79u, 80u, 81u}) {
        Program p;
        p.name = NameForPath(pathLength);
        programs.push_back(p);
    }
    for (size_t nameLength : {79u, 80u, 81u, 200u}) {
        Program p;
        p.name = NameOf(nameLength, "name");
        programs.push_back(p);
    }
    Program chinese;
    for (int i = 0; i < 40; ++i)
        chinese.name += "\xB3\xA4";  // 长: 80 bytes, the cut at 79 leaves half a character
    chinese.name += ".exe";
    programs.push_back(chinese);

    for (Program& p : programs) {
        p.path = std::string(kFolder) + "\\" + p.name;
        CHECK_TRUE(CopyFileA(source.c_str(), p.path.c_str(), FALSE));
    }
    EXPECT_EQ(programs[0].path.size(), 79u);
    EXPECT_EQ(programs[1].path.size(), 80u);
    EXPECT_EQ(programs[2].path.size(), 81u);

    for (Program& p : programs)
        CHECK_TRUE(StartHidden(p));
    ProcessTab s;
    CHECK_TRUE(s.Start());

    for (const Program& p : programs) {
        printf("    %u-byte name, %u-byte path\n", static_cast<unsigned>(p.name.size()),
               static_cast<unsigned>(p.path.size()));
        int row = -1;
        EXPECT_TRUE(WaitUntil([&] { return (row = FindRow(s.list, p.pid)) >= 0; }, 2 * kTwoRefreshes));
        if (row < 0)
            continue;
        std::string shown = ListCell(s.list, row, 0);
        std::string expected = p.name.substr(0, kNameCap);
        if (&p == &programs.back()) {
            // The cut falls before the double-byte character it would split.
            EXPECT_STREQ(shown, expected.substr(0, 78));
        } else {
            EXPECT_STREQ(shown, expected);
        }
        int rows = 0;
        for (const std::string& id : ListColumn(s.list, 1))
            rows += id == Number(p.pid);
        EXPECT_EQ(rows, 1);
        EXPECT_TRUE(atoi(ListCell(s.list, row, 4).c_str()) >= 1);
    }
    EXPECT_TRUE(hostile::StaysUp(s.k, 1500));

    for (Program& p : programs) {
        TerminateProcess(p.process, 0);
        WaitForSingleObject(p.process, 5000);
        CloseHandle(p.process);
    }
    for (const Program& p : programs)
        EXPECT_TRUE(WaitUntil([&] { return FindRow(s.list, p.pid) < 0; }, 2 * kTwoRefreshes));
    EXPECT_TRUE(hostile::StaysUp(s.k, 300));
    EXPECT_TRUE(s.k.Exit());
    for (const Program& p : programs)
        DeleteFileA(p.path.c_str());
    RemoveDirectoryA(kFolder);
}
