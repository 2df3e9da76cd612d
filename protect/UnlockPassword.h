// The unlock password: how it is stored (lightly scrambled under the settings key), how an entry
// is checked against it, and the rules for changing it.
#pragma once
#include "common/Registry.h"
#include <string>

enum {
    kMaxPasswordBytes = 79,     // the check reads the stored text into an 80-byte buffer
    kScrambledPositions = 10,   // only the first ten characters are scrambled
};

// The scramble table: one signed offset per scrambled position (see UnlockPassword.cpp).
void GetScrambleTable(int table[kScrambledPositions]);

// The text stored for a password, and the password read back from a stored text.
std::string ScramblePassword(const std::string& password);
std::string UnscramblePassword(const std::string& stored);

// The stored password as typed; empty when none is stored (missing or empty value).
std::string ReadUnlockPassword(IRegistry& registry);

// True when `entry` unlocks: no password (empty), or the entry is exactly the password.
bool IsUnlockingEntry(const std::string& password, const char* entry);

enum class PasswordChange {
    Stored,            // written (or removed, for an empty new password)
    WrongOldPassword,  // the old password does not unlock: message 111
    Mismatch,          // new password and confirmation differ: message 112
    TooLong,           // the new password is longer than kMaxPasswordBytes: nothing stored
    WriteFailed,       // the registry refused the write; the old password stays in force
};

// The change-password rules: the old password is checked first, against `passwordInForce` (the
// stored one, or the one a lock started with, whatever is written to the registry meanwhile),
// then the new one against its confirmation (whole texts, case-sensitive); only then is the new
// password stored. An empty new password removes the password.
PasswordChange ChangeUnlockPassword(IRegistry& registry, const std::string& passwordInForce,
                                    const std::string& oldPassword, const std::string& newPassword,
                                    const std::string& confirmPassword);
