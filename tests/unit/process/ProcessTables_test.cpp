// The bounded writes that fill a snapshot's tables.
#include "process/ProcessTables.h"
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <string.h>

namespace {

TEST(ProcessTables, ProcessTableStopsAt255Rows)
{
    // Exactly 255 rows on the heap: a write past them is caught by the address sanitizer.
    std::unique_ptr<ProcessItem[]> rows(new ProcessItem[kMaxProcesses]);
    memset(rows.get(), 0, sizeof(ProcessItem) * kMaxProcesses);
    int count = 0;
    int accepted = 0;
    for (unsigned long id = 1; id <= 300; ++id)
        accepted += AddProcessRow(rows.get(), count, id * 4, "C:\\WINDOWS\\SYSTEM\\KERNEL32.DLL") ? 1 : 0;
    EXPECT_EQ(accepted, 255);
    EXPECT_EQ(count, 255);
    EXPECT_EQ(rows[254].dwProcessID, 255ul * 4);
    EXPECT_STREQ(rows[254].szExeFile, "KERNEL32.DLL");
}

TEST(ProcessTables, ImageNamesAreCutTo79CharactersAndTerminated)
{
    ProcessItem rows[kMaxProcesses];
    memset(rows, 'x', sizeof rows);
    int count = 0;
    std::string longPath = "C:\\" + std::string(150, 'p') + ".EXE";
    std::string exact = "C:\\DIR\\" + std::string(79, 'e');
    ASSERT_TRUE(AddProcessRow(rows, count, 7, longPath.c_str()));
    ASSERT_TRUE(AddProcessRow(rows, count, 8, exact.c_str()));
    ASSERT_TRUE(AddProcessRow(rows, count, 9, ""));
    ASSERT_TRUE(AddProcessRow(rows, count, 10, nullptr));
    EXPECT_EQ(std::string(rows[0].szExeFile), std::string(79, 'p'));
    EXPECT_EQ(std::string(rows[1].szExeFile), std::string(79, 'e'));
    EXPECT_STREQ(rows[2].szExeFile, "");
    EXPECT_STREQ(rows[3].szExeFile, "");
    EXPECT_EQ(rows[3].dwProcessID, 10ul);
    // The row after the last one written is untouched.
    EXPECT_EQ(rows[4].szExeFile[0], 'x');
}

TEST(ProcessTables, EntriesFromBytesRoundsDownAndCaps)
{
    EXPECT_EQ(EntriesFromBytes(0, 250), 0);
    EXPECT_EQ(EntriesFromBytes(7, 250), 1);
    EXPECT_EQ(EntriesFromBytes(1000, 250), 250);
    // A process with more modules than the list holds reports the bytes it would need.
    EXPECT_EQ(EntriesFromBytes(4 * 400, 250), 250);
    EXPECT_EQ(EntriesFromBytes(1020, 255), 255);
    EXPECT_EQ(EntriesFromBytes(0xFFFFFFFFul, 255), 255);
}

TEST(ProcessTables, AListServesAgainOnlyAtItsSizeAndForASecond)
{
    CListReuse reuse;
    EXPECT_FALSE(reuse.Fresh(10));
    EXPECT_FALSE(reuse.MayReuse(4000, 10));  // nothing taken yet
    reuse.Taken(4000, 10);
    EXPECT_TRUE(reuse.Fresh(29));
    EXPECT_FALSE(reuse.Fresh(30));  // its size must be asked again
    EXPECT_FALSE(reuse.MayReuse(4080, 60));  // a thread more, or a process
    EXPECT_FALSE(reuse.MayReuse(3920, 60));
    EXPECT_FALSE(reuse.Fresh(60));
    EXPECT_TRUE(reuse.MayReuse(4000, 990));
    EXPECT_TRUE(reuse.Fresh(1009));  // checked at 990
    EXPECT_FALSE(reuse.MayReuse(4000, 1010));  // old enough to be taken again
    // Across the wrap of the system tick.
    reuse.Taken(4000, 0xFFFFFF00u);
    EXPECT_TRUE(reuse.Fresh(0xFFFFFF10u));
    EXPECT_TRUE(reuse.MayReuse(4000, 0x2E0u));  // 992 ms later
    EXPECT_FALSE(reuse.MayReuse(4000, 0x300u));
    reuse.Forget();  // a list that failed
    EXPECT_FALSE(reuse.Fresh(0x2E1u));
    EXPECT_FALSE(reuse.MayReuse(4000, 0xFFFFFF01u));
}

}  // namespace
