// The unlock password: its stored form, the check of an entry, and the change-password rules.
#include "app/SysRegInfo.h"
#include "common/MemoryRegistry.h"
#include "protect/UnlockPassword.h"
#include <gtest/gtest.h>
#include <string>

namespace {

const int kTable[kScrambledPositions] = {23, -41, 7, 88, -15, 3, -66, 52, -9, 31};

// A password of `n` bytes whose characters differ from position to position.
std::string PasswordOfLength(size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += static_cast<char>('!' + (i * 7) % 90);
    return s;
}

// The character that the scramble turns into zero at position p.
char BecomesZeroAt(int p)
{
    return static_cast<char>(kTable[p] & 0xFF);
}

class UnlockPasswordStore : public ::testing::Test {
protected:
    void SetUp() override { registry.CreateKey(RegRoot::LocalMachine, KORVANE_KEY); }
    bool HasStoredPassword() const { return registry.HasValue(RegRoot::LocalMachine, KORVANE_KEY, "Password"); }
    std::string Stored() const { return registry.Get(RegRoot::LocalMachine, KORVANE_KEY, "Password"); }
    // A change checked against the password stored now, as the set-password command does.
    PasswordChange Change(const std::string& oldPw, const std::string& newPw, const std::string& confirm)
    {
        return ChangeUnlockPassword(registry, ReadUnlockPassword(registry), oldPw, newPw, confirm);
    }
    void SetPassword(const std::string& pw) { ASSERT_EQ(Change("", pw, pw), PasswordChange::Stored); }
    bool Unlocks(const std::string& entry) { return IsUnlockingEntry(ReadUnlockPassword(registry), entry.c_str()); }

    MemoryRegistry registry;
};

}  // namespace

// The stored form is a file format: passwords stored by this build must read back in later ones.
TEST(PasswordScramble, StoredFormIsFixed)
{
    int table[kScrambledPositions];
    GetScrambleTable(table);
    for (int p = 0; p < kScrambledPositions; ++p)
        EXPECT_EQ(table[p], kTable[p]) << "position " << p;

    // Worked out by hand from the table, wrapping within the 95 printable characters:
    // 'a' - 23 = 'J', 'b' + 41 = ',' (wrapped), 'c' - 7 = '\', 'd' - 88 = 'k' (wrapped), ...;
    // "kl" stays as typed.
    EXPECT_EQ(ScramblePassword("abcdefghijkl"), "J,\\ktcJ4rKkl");
    // And a text stored that way (by an earlier build) reads back.
    EXPECT_EQ(UnscramblePassword("J,\\ktcJ4rKkl"), "abcdefghijkl");
    // The ends of the printable range wrap onto each other.
    EXPECT_EQ(ScramblePassword(" ~"), std::string(1, static_cast<char>(0x20 + 95 - 23)) + "H");
}

TEST(PasswordScramble, RoundTripsAtEveryLength)
{
    for (size_t n : {size_t(1), size_t(9), size_t(10), size_t(11), size_t(40), size_t(kMaxPasswordBytes)}) {
        std::string pw = PasswordOfLength(n);
        std::string stored = ScramblePassword(pw);
        EXPECT_EQ(UnscramblePassword(stored), pw) << "length " << n;
        EXPECT_EQ(stored.size(), n);
        // Only the first ten characters are scrambled; the rest is stored as typed.
        size_t head = n < size_t(kScrambledPositions) ? n : size_t(kScrambledPositions);
        for (size_t p = 0; p < head; ++p)
            EXPECT_NE(stored[p], pw[p]) << "length " << n << " position " << p;
        EXPECT_EQ(stored.substr(head), pw.substr(head)) << "length " << n;
    }
}

// Plain 8-bit subtraction would turn the character equal to a position's offset into zero,
// which would end the stored text there.
TEST(PasswordScramble, NoCharacterBecomesZero)
{
    std::string atOffsets;
    for (int p = 0; p < kScrambledPositions; ++p) {
        std::string pw = "abcdefghijkl";
        pw[p] = BecomesZeroAt(p);
        std::string stored = ScramblePassword(pw);
        EXPECT_EQ(stored.find('\0'), std::string::npos) << "position " << p;
        EXPECT_EQ(stored.size(), pw.size()) << "position " << p;
        EXPECT_EQ(UnscramblePassword(stored), pw) << "position " << p;
        atOffsets += BecomesZeroAt(p);
    }
    EXPECT_EQ(UnscramblePassword(ScramblePassword(atOffsets + "tail")), atOffsets + "tail");
}

// Every byte value at every position reads back; what is stored changes printable ASCII into
// printable ASCII only, so the text survives the registry's conversions to Unicode and back.
TEST(PasswordScramble, EveryByteValueRoundTripsAndStaysValidText)
{
    for (int p = 0; p < kScrambledPositions + 1; ++p) {
        for (int c = 1; c < 256; ++c) {
            std::string pw(static_cast<size_t>(p), 'x');
            pw += static_cast<char>(c);
            pw += "\xB0\xA1z";  // a double-byte character (GBK) after it
            std::string stored = ScramblePassword(pw);
            ASSERT_EQ(UnscramblePassword(stored), pw) << "position " << p << " byte " << c;
            ASSERT_EQ(stored.size(), pw.size());
            for (size_t i = 0; i < pw.size(); ++i) {
                unsigned char in = static_cast<unsigned char>(pw[i]);
                unsigned char out = static_cast<unsigned char>(stored[i]);
                if (in != out) {
                    ASSERT_TRUE(in >= 0x20 && in <= 0x7E && out >= 0x20 && out <= 0x7E)
                        << "position " << p << " byte " << c << " at " << i;
                }
            }
        }
    }
}

TEST(PasswordScramble, DoubleByteCharactersAreStoredWhole)
{
    // "密码" in GBK is C3 DC C2 EB; its trail bytes must never be moved apart from their leads,
    // also where a trail byte lies in the ASCII range (GBK trail bytes start at 0x40).
    const std::string pw = "a\xC3\xDC" "b\x81\x41" "cd\xC2\xEB" "e\xB0\x7E";
    std::string stored = ScramblePassword(pw);
    EXPECT_EQ(UnscramblePassword(stored), pw);
    for (size_t i : {size_t(1), size_t(2), size_t(4), size_t(5), size_t(8), size_t(9)})
        EXPECT_EQ(stored[i], pw[i]) << "byte " << i;
    EXPECT_NE(stored[0], pw[0]);
    EXPECT_NE(stored[3], pw[3]);
}

TEST_F(UnlockPasswordStore, NoPasswordUnlocksEveryEntry)
{
    EXPECT_TRUE(Unlocks(""));
    EXPECT_TRUE(Unlocks("anything"));
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "Password", "");
    EXPECT_TRUE(Unlocks(""));
    EXPECT_TRUE(Unlocks("anything"));
    EXPECT_TRUE(IsUnlockingEntry(ReadUnlockPassword(registry), nullptr));
}

TEST_F(UnlockPasswordStore, OnlyTheWholePasswordUnlocks)
{
    const std::string pw = "Secret-Pass";  // 11 characters: the last one is stored unscrambled
    SetPassword(pw);
    EXPECT_NE(Stored(), pw);
    EXPECT_TRUE(Unlocks(pw));
    EXPECT_FALSE(Unlocks(""));
    EXPECT_FALSE(Unlocks("Secret-Pas"));       // shorter
    EXPECT_FALSE(Unlocks("Secret-Passx"));     // begins with the password and goes on
    EXPECT_FALSE(Unlocks("secret-pass"));      // case
    for (size_t i = 0; i < pw.size(); ++i) {
        std::string wrong = pw;
        wrong[i] = static_cast<char>(wrong[i] ^ 1);
        EXPECT_FALSE(Unlocks(wrong)) << "differs at " << i;
    }
}

TEST_F(UnlockPasswordStore, PasswordsOfEveryLengthCheckThroughTheRegistry)
{
    for (size_t n : {size_t(1), size_t(10), size_t(11), size_t(kMaxPasswordBytes)}) {
        std::string pw = PasswordOfLength(n);
        pw[0] = BecomesZeroAt(0);
        ASSERT_EQ(Change("", pw, pw), PasswordChange::Stored) << "length " << n;
        EXPECT_TRUE(Unlocks(pw)) << "length " << n;
        EXPECT_FALSE(Unlocks(pw.substr(0, n - 1))) << "length " << n;
        EXPECT_FALSE(Unlocks(pw + "x")) << "length " << n;
        // Make room for the next length: the current password removes itself.
        ASSERT_EQ(Change(pw, "", ""), PasswordChange::Stored);
    }
}

TEST_F(UnlockPasswordStore, OldPasswordIsCheckedFirst)
{
    SetPassword("first");
    int writes = registry.writes;
    EXPECT_EQ(Change("wrong", "second", "second"), PasswordChange::WrongOldPassword);
    // Wrong old password and differing new ones: the old password is what gets reported.
    EXPECT_EQ(Change("firs", "a", "b"), PasswordChange::WrongOldPassword);
    EXPECT_EQ(Change("first!", "second", "second"), PasswordChange::WrongOldPassword);
    EXPECT_EQ(registry.writes, writes);
    EXPECT_TRUE(Unlocks("first"));
    EXPECT_EQ(Change("first", "second", "second"), PasswordChange::Stored);
    EXPECT_TRUE(Unlocks("second"));
    EXPECT_FALSE(Unlocks("first"));
}

TEST_F(UnlockPasswordStore, NewAndConfirmationMustMatchWhole)
{
    SetPassword("old");
    int writes = registry.writes;
    EXPECT_EQ(Change("old", "newpass", "newpas"), PasswordChange::Mismatch);
    EXPECT_EQ(Change("old", "newpas", "newpass"), PasswordChange::Mismatch);
    EXPECT_EQ(Change("old", "NewPass", "newpass"), PasswordChange::Mismatch);
    EXPECT_EQ(Change("old", "", "x"), PasswordChange::Mismatch);
    EXPECT_EQ(registry.writes, writes);
    EXPECT_TRUE(Unlocks("old"));
}

TEST_F(UnlockPasswordStore, EmptyNewPasswordRemovesThePassword)
{
    SetPassword("guard");
    EXPECT_EQ(Change("guard", "", ""), PasswordChange::Stored);
    EXPECT_TRUE(HasStoredPassword());
    EXPECT_EQ(Stored(), "");
    EXPECT_TRUE(Unlocks(""));
    EXPECT_TRUE(Unlocks("whatever"));
    // With no password, any old-password entry is accepted.
    EXPECT_EQ(Change("not-the-old-one", "next", "next"), PasswordChange::Stored);
    EXPECT_TRUE(Unlocks("next"));
}

TEST_F(UnlockPasswordStore, OverlongPasswordIsRefusedNotCut)
{
    SetPassword("keep");
    std::string longest = PasswordOfLength(kMaxPasswordBytes);
    std::string tooLong = longest + "z";
    EXPECT_EQ(Change("keep", tooLong, tooLong), PasswordChange::TooLong);
    EXPECT_TRUE(Unlocks("keep"));
    EXPECT_FALSE(Unlocks(longest));
    EXPECT_EQ(Change("keep", longest, longest), PasswordChange::Stored);
    EXPECT_TRUE(Unlocks(longest));
}

TEST_F(UnlockPasswordStore, FailedWriteKeepsTheOldPassword)
{
    SetPassword("before");
    registry.failWrites = true;
    EXPECT_EQ(Change("before", "after", "after"), PasswordChange::WriteFailed);
    registry.failWrites = false;
    EXPECT_TRUE(Unlocks("before"));
    EXPECT_FALSE(Unlocks("after"));
}
