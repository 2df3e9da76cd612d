// The unlock password: scramble round trip, checks against any stored text, the change rules.
#include "app/SysRegInfo.h"
#include "common/MemoryRegistry.h"
#include "protect/UnlockPassword.h"
#include <stdint.h>
#include <stdlib.h>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    size_t cut = bytes.find('\0');
    std::string password = bytes.substr(0, cut);

    // Every password that keeps no zero byte through the scramble reads back unchanged.
    std::string stored = ScramblePassword(password);
    if (stored.size() == password.size() && UnscramblePassword(stored) != password)
        abort();

    // Whatever the registry holds, a check never crashes and the exact password unlocks.
    MemoryRegistry registry;
    registry.Put(RegRoot::LocalMachine, KORVANE_KEY, "Password", bytes);
    IsUnlockingEntry(ReadUnlockPassword(registry), password.c_str());

    std::string rest = cut == std::string::npos ? std::string() : bytes.substr(cut + 1);
    PasswordChange result = ChangeUnlockPassword(registry, ReadUnlockPassword(registry), "", password, password);
    if (result == PasswordChange::Stored && !IsUnlockingEntry(ReadUnlockPassword(registry), password.c_str()))
        abort();
    ChangeUnlockPassword(registry, ReadUnlockPassword(registry), rest, rest, password);
    return 0;
}
