#include "common/TextUtil.h"
#include <gtest/gtest.h>

TEST(TextUtilTest, FileNameOffsetIsJustAfterTheLastBackslash)
{
    EXPECT_EQ(3, GetFileNameOffset("C:\\KORVANE.EXE"));
    EXPECT_EQ(11, GetFileNameOffset("C:\\WINDOWS\\EXPLORER.EXE"));
    EXPECT_EQ(-1, GetFileNameOffset("korvane.exe"));
    EXPECT_EQ(-1, GetFileNameOffset(""));
    EXPECT_EQ(4, GetFileNameOffset("dir\\"));
    EXPECT_EQ(1, GetFileNameOffset("\\"));
}

namespace {
bool IsGbkLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
}  // namespace

TEST(TextUtilTest, FileNameOffsetStepsOverDoubleByteCharacters)
{
    // "C:\<0x81 0x5C>\A.EXE" and "C:\<0x81 0x5C>.EXE": 0x5C there is a trail byte.
    const char folder[] = "C:\\\x81\x5C\\A.EXE";
    const char file[] = "C:\\\x81\x5C.EXE";
    // Read byte by byte, the trail byte passes for a separator.
    EXPECT_EQ(6, GetFileNameOffset(folder));
    EXPECT_EQ(5, GetFileNameOffset(file));

    SetLeadByteTest(IsGbkLeadByte);
    EXPECT_EQ(6, GetFileNameOffset(folder));
    EXPECT_EQ(3, GetFileNameOffset(file));
    EXPECT_EQ(11, GetFileNameOffset("C:\\WINDOWS\\EXPLORER.EXE"));
    // A lead byte at the very end stands alone; the backslash before it still counts.
    EXPECT_EQ(3, GetFileNameOffset("C:\\\x81"));
    // Two-byte characters whose second byte is not 0x5C change nothing.
    EXPECT_EQ(6, GetFileNameOffset("C:\\\xB2\xE2\\X"));
    SetLeadByteTest(nullptr);
}

TEST(TextUtilTest, CopyTextRefusesWhatDoesNotFit)
{
    char buf[4] = "xyz";
    EXPECT_TRUE(CopyText(buf, sizeof buf, "abc"));
    EXPECT_STREQ("abc", buf);
    EXPECT_FALSE(CopyText(buf, sizeof buf, "abcd"));
    EXPECT_STREQ("", buf);
}
