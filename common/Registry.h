// The registry as the program uses it: string values under keys of a few predefined roots.
// Implemented over advapi32 and in memory for tests.
#pragma once
#include <stdint.h>

enum class RegRoot { LocalMachine, CurrentUser, DynData };

class IRegistry {
public:
    virtual ~IRegistry() = default;
    // Creates the key (and any missing parents); true when it exists afterwards.
    virtual bool CreateKey(RegRoot root, const char* key) = 0;
    // Reads a value's data into data (capacity *size bytes). On success *size is the byte count
    // stored and *type the registry type. Fails when the key or value is missing or the data does
    // not fit. name nullptr or "" reads the key's default value.
    virtual bool QueryValue(RegRoot root, const char* key, const char* name, void* data, uint32_t* size,
                            uint32_t* type = nullptr) = 0;
    // Writes a string value (type 1) of exactly `bytes` bytes of text plus nothing else into an
    // existing key; fails when the key cannot be opened for writing.
    virtual bool SetString(RegRoot root, const char* key, const char* name, const char* text, uint32_t bytes) = 0;
    // Deletes a value (not a key); false when it could not be deleted.
    virtual bool DeleteValue(RegRoot root, const char* key, const char* name) = 0;
};

// The registry the program's stores use by default: advapi32 in the program, a fake in the tests.
IRegistry& DefaultRegistry();
