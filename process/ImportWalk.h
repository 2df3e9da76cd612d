// The dependency walk over import tables: starting from a module mapped in memory, every
// library it imports, directly or through other libraries, is loaded and listed once, depth
// first in the order of discovery. The start module itself is not listed (unless a library
// imports it back). The host supplies memory reads, the loader and the list.
#pragma once
#include <stddef.h>
#include <stdint.h>

class IImportWalkHost {
public:
    virtual ~IImportWalkHost() = default;
    // Copies size bytes at address into buf; false when they can't be read.
    virtual bool ReadMemory(uintptr_t address, void* buf, size_t size) = 0;
    // Lower-cases a library name in place, as the system does for its code page.
    virtual void LowerCase(char* name) = 0;
    // Loads a library by name (or finds it already loaded); 0 when it can't be loaded.
    virtual uintptr_t LoadModule(const char* name) = 0;
    virtual bool IsListed(uintptr_t module) = 0;
    // Appends a module to the list; false when the list is full.
    virtual bool Append(uintptr_t module) = 0;
};

enum { kImportNameBytes = 80 };

void WalkImports(IImportWalkHost& host, uintptr_t module);
