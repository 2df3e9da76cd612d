#include "protect/UnlockPassword.h"
#include "app/SysRegInfo.h"

namespace {

const char kPasswordValue[] = "Password";

// Stored passwords must stay readable by every later build: never change these values.
//   position:  0    1    2   3    4   5    6   7   8   9
//   offset:   23  -41    7  88  -15   3  -66  52  -9  31
// Storing subtracts the offset from a printable ASCII character (0x20..0x7E) at that position,
// wrapping round within those 95 characters; checking adds it back. Characters from the
// eleventh on are stored as typed.
//
// The wrap stays within printable ASCII for two reasons. Plain 8-bit arithmetic can turn a
// character into zero, which ends a registry text and loses the rest of the password. And NT
// and Wine keep registry texts in Unicode: bytes from 0x80 up that do not form valid characters
// of the ANSI code page do not read back as written, so the password would never unlock again.
// For the same reason a byte from 0x80 up (a double-byte character's lead byte, or a character
// of its own in a single-byte code page) is stored as typed together with the byte after it,
// and control characters are stored as typed. Scrambled characters never leave printable ASCII,
// so reading back makes the same choices position by position.
const int kFirstPrintable = 0x20;
const int kPrintableCount = 95;

bool IsPrintableAscii(unsigned char c)
{
    return c >= kFirstPrintable && c < kFirstPrintable + kPrintableCount;
}

// Moves each printable character of the first positions by `sign` times its offset.
std::string Shift(const std::string& text, int sign)
{
    int table[kScrambledPositions];
    GetScrambleTable(table);
    std::string out = text;
    for (size_t p = 0; p < out.size() && p < kScrambledPositions; ++p) {
        unsigned char c = static_cast<unsigned char>(out[p]);
        if (c >= 0x80) {
            ++p;  // this byte and the next stay as typed
            continue;
        }
        if (!IsPrintableAscii(c))
            continue;
        int index = (c - kFirstPrintable + sign * table[p]) % kPrintableCount;
        if (index < 0)
            index += kPrintableCount;
        out[p] = static_cast<char>(kFirstPrintable + index);
    }
    return out;
}

}  // namespace

void GetScrambleTable(int table[kScrambledPositions])
{
    const int offsets[kScrambledPositions] = {23, -41, 7, 88, -15, 3, -66, 52, -9, 31};
    for (int p = 0; p < kScrambledPositions; ++p)
        table[p] = offsets[p];
}

std::string ScramblePassword(const std::string& password)
{
    return Shift(password, -1);
}

std::string UnscramblePassword(const std::string& stored)
{
    return Shift(stored, +1);
}

std::string ReadUnlockPassword(IRegistry& registry)
{
    CSysRegInfo store(registry);
    store.SetRegSection(KORVANE_KEY);
    char buf[CSysRegInfo::ValueSize];
    if (!store.GetRegValue(kPasswordValue, buf, sizeof buf))
        return std::string();  // no password stored
    return UnscramblePassword(buf);
}

bool IsUnlockingEntry(const std::string& password, const char* entry)
{
    if (password.empty())
        return true;
    // The whole entry must be the password: a longer entry that merely begins with it does not unlock.
    return password == (entry ? entry : "");
}

PasswordChange ChangeUnlockPassword(IRegistry& registry, const std::string& passwordInForce,
                                    const std::string& oldPassword, const std::string& newPassword,
                                    const std::string& confirmPassword)
{
    if (!IsUnlockingEntry(passwordInForce, oldPassword.c_str()))
        return PasswordChange::WrongOldPassword;
    if (newPassword != confirmPassword)
        return PasswordChange::Mismatch;
    // Refused rather than cut: a password stored short would unlock with less than was typed.
    if (newPassword.size() > kMaxPasswordBytes || newPassword.find('\0') != std::string::npos)
        return PasswordChange::TooLong;
    CSysRegInfo store(registry);
    store.SetRegSection(KORVANE_KEY);
    if (!store.SetRegValue(kPasswordValue, ScramblePassword(newPassword).c_str()))
        return PasswordChange::WriteFailed;
    return PasswordChange::Stored;
}
