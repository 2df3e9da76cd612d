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

TEST(TextUtilTest, CopyTextRefusesWhatDoesNotFit)
{
    char buf[4] = "xyz";
    EXPECT_TRUE(CopyText(buf, sizeof buf, "abc"));
    EXPECT_STREQ("abc", buf);
    EXPECT_FALSE(CopyText(buf, sizeof buf, "abcd"));
    EXPECT_STREQ("", buf);
}
