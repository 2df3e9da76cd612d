// The settings store: text format, failure rules and the numbered list.
#include "app/SysRegInfo.h"
#include "common/MemoryRegistry.h"
#include <gtest/gtest.h>
#include <string>

namespace {

class SysRegInfoTest : public ::testing::Test {
protected:
    SysRegInfoTest() : reg(registry)
    {
        registry.CreateKey(RegRoot::LocalMachine, KORVANE_KEY);
        reg.SetRegSection(KORVANE_KEY);
    }
    std::string Stored(const char* name) const { return registry.Get(RegRoot::LocalMachine, KORVANE_KEY, name); }

    MemoryRegistry registry;
    CSysRegInfo reg;
};

TEST_F(SysRegInfoTest, NewInstanceNamesTheSiblingDebuggerKey)
{
    CSysRegInfo fresh(registry);
    EXPECT_STREQ(QUENBRIX_KEY, fresh.m_szSection);
}

TEST_F(SysRegInfoTest, CopiesCarryTheSection)
{
    CSysRegInfo copy(reg);
    EXPECT_STREQ(KORVANE_KEY, copy.m_szSection);
    CSysRegInfo other(registry);
    other = reg;
    EXPECT_STREQ(KORVANE_KEY, other.m_szSection);
    ASSERT_TRUE(other.SetRegValue("Shared", "yes"));
    EXPECT_EQ("yes", Stored("Shared"));
}

TEST_F(SysRegInfoTest, IntegersAreStoredAsPlainDecimalText)
{
    ASSERT_TRUE(reg.SetRegInt("A", -1));
    ASSERT_TRUE(reg.SetRegInt("B", 0));
    ASSERT_TRUE(reg.SetRegInt("C", 2147483647));
    ASSERT_TRUE(reg.SetRegInt("D", -2147483647 - 1));
    EXPECT_EQ("-1", Stored("A"));
    EXPECT_EQ("0", Stored("B"));
    EXPECT_EQ("2147483647", Stored("C"));
    EXPECT_EQ("-2147483648", Stored("D"));
    EXPECT_EQ(-2147483647 - 1, reg.GetRegInt("D"));
}

TEST_F(SysRegInfoTest, StoredByteCountExcludesTheTerminator)
{
    ASSERT_TRUE(reg.SetRegValue("Text", "abc"));
    EXPECT_EQ(3u, Stored("Text").size());
}

TEST_F(SysRegInfoTest, GetRegIntReadsLeadingDigitsOrFails)
{
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "Mixed", "12abc");
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "Letters", "abc");
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "Spaced", "  -7x");
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "Empty", "");
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "Huge", "99999999999999999999");
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "HugeNegative", "-99999999999999999999");
    EXPECT_EQ(12, reg.GetRegInt("Mixed"));
    EXPECT_EQ(0, reg.GetRegInt("Letters"));
    EXPECT_EQ(-7, reg.GetRegInt("Spaced"));
    EXPECT_EQ(0, reg.GetRegInt("Empty"));
    EXPECT_EQ(-1, reg.GetRegInt("Absent"));
    EXPECT_EQ(2147483647, reg.GetRegInt("Huge"));
    EXPECT_EQ(-2147483647 - 1, reg.GetRegInt("HugeNegative"));
}

TEST_F(SysRegInfoTest, DataWithoutTerminatorOrOfAnotherTypeReadsAsText)
{
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "Binary", std::string("42\0\0", 4), 3);
    EXPECT_EQ(42, reg.GetRegInt("Binary"));
    char buf[CSysRegInfo::ValueSize];
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "Exact", std::string(1023, 'x'));
    ASSERT_TRUE(reg.GetRegValue("Exact", buf));
    EXPECT_EQ(1023u, std::string(buf).size());
}

TEST_F(SysRegInfoTest, ValueLongerThanTheBufferReadsAsAbsent)
{
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "Long", std::string(5000, '7'));
    char buf[CSysRegInfo::ValueSize];
    buf[0] = 'x';
    EXPECT_FALSE(reg.GetRegValue("Long", buf));
    EXPECT_STREQ("", buf);
    EXPECT_EQ(-1, reg.GetRegInt("Long"));
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "JustOver", std::string(1024, '1'));
    EXPECT_FALSE(reg.GetRegValue("JustOver", buf));
}

TEST_F(SysRegInfoTest, MissingKeyFailsReadsAndWritesWithoutCreatingIt)
{
    CSysRegInfo other(registry);
    other.SetRegSection("Software\\Nowhere");
    EXPECT_FALSE(other.SetRegValue("X", "1"));
    EXPECT_EQ(-1, other.GetRegInt("X"));
    EXPECT_FALSE(registry.HasKey(RegRoot::LocalMachine, "Software\\Nowhere"));
}

TEST_F(SysRegInfoTest, OverlongSectionIsRefusedNotCut)
{
    std::string path = std::string(KORVANE_KEY) + "\\" + std::string(2000, 'k');
    reg.SetRegSection(path.c_str());
    EXPECT_FALSE(reg.SetRegValue("X", "1"));
    EXPECT_EQ("<absent>", Stored("X"));
}

TEST_F(SysRegInfoTest, InitRegKeysCreatesTheKeyAndFirstValuesInOrder)
{
    MemoryRegistry empty;
    CSysRegInfo fresh(empty);
    fresh.SetRegSection(KORVANE_KEY);
    fresh.InitRegKeys(KORVANE_KEY, "C:\\KORVANE");
    EXPECT_EQ("1", empty.Get(RegRoot::LocalMachine, KORVANE_KEY, "Version"));
    EXPECT_EQ("C:\\KORVANE", empty.Get(RegRoot::LocalMachine, KORVANE_KEY, "Directory"));
    EXPECT_EQ("0", empty.Get(RegRoot::LocalMachine, KORVANE_KEY, "ShowPage"));
    EXPECT_EQ("0", empty.Get(RegRoot::LocalMachine, KORVANE_KEY, "RefreshSpeed"));
    EXPECT_EQ(4, empty.writes);
}

TEST_F(SysRegInfoTest, DeleteKeyRemovesAValueNotTheKey)
{
    reg.SetRegValue("Gone", "1");
    reg.DeleteKey("Gone");
    EXPECT_FALSE(registry.HasValue(RegRoot::LocalMachine, KORVANE_KEY, "Gone"));
    EXPECT_TRUE(registry.HasKey(RegRoot::LocalMachine, KORVANE_KEY));
}

TEST_F(SysRegInfoTest, NumberedListAddsOnceAndTreatsPrefixesAsListed)
{
    EXPECT_EQ(-1, reg.GetApiCount());
    reg.AddApiList("GetVersionExA");
    EXPECT_EQ("1", Stored("apicount"));
    EXPECT_EQ("GetVersionExA", Stored("0"));

    reg.AddApiList("GetVersionExA");
    reg.AddApiList("GetVersion");  // the beginning of an existing entry
    EXPECT_EQ(1, reg.GetApiCount());

    reg.AddApiList("CreateMutexA");
    EXPECT_EQ(2, reg.GetApiCount());
    char name[CSysRegInfo::ValueSize];
    reg.GetApiName(1, name);
    EXPECT_STREQ("CreateMutexA", name);
    EXPECT_TRUE(reg.InApiList("Create"));
    EXPECT_FALSE(reg.InApiList("CreateMutexAB"));
}

TEST_F(SysRegInfoTest, DeleteAllApiLeavesOtherValues)
{
    reg.SetRegValue("Version", "1");
    reg.AddApiList("one");
    reg.AddApiList("two");
    reg.AddApiList("three");
    reg.DeleteAllApi();
    EXPECT_EQ(1u, registry.ValueCount(RegRoot::LocalMachine, KORVANE_KEY));
    EXPECT_EQ("1", Stored("Version"));
    EXPECT_EQ(-1, reg.GetApiCount());
}

TEST_F(SysRegInfoTest, OverlongApiCountIsNotRead)
{
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "apicount", std::string(40, '9'));
    EXPECT_EQ(-1, reg.GetApiCount());
    EXPECT_FALSE(reg.InApiList("x"));
}

}  // namespace
