#include "protect/UnlockPassword.h"
#include "app/SysRegInfo.h"

namespace {

const char kPasswordValue[] = "Password";

// Stored passwords must stay readable by every later build: never change these values.
//   position:  0    1    2   3    4   5    6   7   8   9
//   offset:   23  -41    7  88  -15   3  -66  52  -9  31
// Storing subtracts the offset's low 8 bits from the character at that position, checking adds
// it back. Characters from the eleventh on are stored as typed.
//
// A scrambled character may come out as zero, which a registry text cannot hold (it would end
// the stored text and lose the rest of the password). Within the scrambled positions the byte
// 0x01 is therefore an escape: 0x01 0x01 stands for a scrambled 0x01 and 0x01 0x02 for a
// scrambled 0x00. Every other scrambled byte is stored as it is.
const unsigned char kEscape = 0x01;
const unsigned char kEscapedEscape = 0x01;
const unsigned char kEscapedZero = 0x02;

}  // namespace

void GetScrambleTable(int table[kScrambledPositions])
{
    const int offsets[kScrambledPositions] = {23, -41, 7, 88, -15, 3, -66, 52, -9, 31};
    for (int p = 0; p < kScrambledPositions; ++p)
        table[p] = offsets[p];
}

std::string ScramblePassword(const std::string& password)
{
    int table[kScrambledPositions];
    GetScrambleTable(table);
    std::string stored;
    for (size_t p = 0; p < password.size(); ++p) {
        unsigned char c = static_cast<unsigned char>(password[p]);
        if (p >= kScrambledPositions) {
            stored += static_cast<char>(c);
            continue;
        }
        unsigned char s = static_cast<unsigned char>(c - (table[p] & 0xFF));
        if (s == 0 || s == kEscape) {
            stored += static_cast<char>(kEscape);
            stored += static_cast<char>(s == 0 ? kEscapedZero : kEscapedEscape);
        } else {
            stored += static_cast<char>(s);
        }
    }
    return stored;
}

std::string UnscramblePassword(const std::string& stored)
{
    int table[kScrambledPositions];
    GetScrambleTable(table);
    std::string password;
    size_t i = 0;
    for (int p = 0; p < kScrambledPositions && i < stored.size(); ++p) {
        unsigned char s = static_cast<unsigned char>(stored[i++]);
        if (s == kEscape && i < stored.size()) {
            unsigned char next = static_cast<unsigned char>(stored[i]);
            if (next == kEscapedZero || next == kEscapedEscape) {
                s = next == kEscapedZero ? 0 : kEscape;
                ++i;
            }
        }
        password += static_cast<char>(static_cast<unsigned char>(s + (table[p] & 0xFF)));
    }
    password.append(stored, i, std::string::npos);
    return password;
}

bool IsUnlockingEntry(IRegistry& registry, const char* entry)
{
    CSysRegInfo store(registry);
    store.SetRegSection(KORVANE_KEY);
    char buf[CSysRegInfo::ValueSize];
    if (!store.GetRegValue(kPasswordValue, buf, sizeof buf))
        return true;  // no password stored
    std::string password = UnscramblePassword(buf);
    if (password.empty())
        return true;
    // The whole entry must be the password: a longer entry that merely begins with it does not unlock.
    return password == (entry ? entry : "");
}

PasswordChange ChangeUnlockPassword(IRegistry& registry, const std::string& oldPassword,
                                    const std::string& newPassword, const std::string& confirmPassword)
{
    if (!IsUnlockingEntry(registry, oldPassword.c_str()))
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
