#include "process/ImportWalk.h"
#include <string.h>

namespace {

const uint16_t kDosMagic = 0x5A4D;       // "MZ"
const uint32_t kPeSignature = 0x4550;    // "PE\0\0"
const uint16_t kPe32Magic = 0x10B;       // the optional header of 32-bit modules
const uint16_t kPe32PlusMagic = 0x20B;   // of 64-bit modules (the program's 64-bit build)
// Where the directory count sits in each optional header; the directories follow it.
const size_t kDirectoryCountOffset32 = 92;
const size_t kDirectoryCountOffset64 = 108;
const size_t kFileHeaderBytes = 20;
const size_t kDescriptorBytes = 20;
const size_t kDescriptorNameOffset = 12;

template <class T>
bool ReadValue(IImportWalkHost& host, uintptr_t address, T& value)
{
    return host.ReadMemory(address, &value, sizeof value);
}

// The import directory's relative address, or 0 when the headers don't hold one.
uint32_t ImportDirectory(IImportWalkHost& host, uintptr_t base)
{
    uint16_t dosMagic = 0;
    uint32_t peOffset = 0;
    if (!ReadValue(host, base, dosMagic) || dosMagic != kDosMagic || !ReadValue(host, base + 0x3C, peOffset))
        return 0;
    uintptr_t nt = base + peOffset;
    uint32_t signature = 0;
    if (!ReadValue(host, nt, signature) || signature != kPeSignature)
        return 0;
    uintptr_t optional = nt + 4 + kFileHeaderBytes;
    uint16_t magic = 0;
    if (!ReadValue(host, optional, magic) || (magic != kPe32Magic && magic != kPe32PlusMagic))
        return 0;
    size_t countOffset = magic == kPe32Magic ? kDirectoryCountOffset32 : kDirectoryCountOffset64;
    uint32_t directories = 0;
    if (!ReadValue(host, optional + countOffset, directories) || directories < 2)
        return 0;
    // The second directory (8 bytes each) is the import directory.
    uint32_t importRva = 0;
    if (!ReadValue(host, optional + countOffset + 4 + 8, importRva))
        return 0;
    return importRva;
}

// Reads a library name of at most kImportNameBytes - 1 characters; a longer one is cut.
bool ReadName(IImportWalkHost& host, uintptr_t address, char (&name)[kImportNameBytes])
{
    size_t n = 0;
    for (; n < kImportNameBytes - 1; ++n) {
        char c;
        if (!ReadValue(host, address + n, c))
            break;
        if (c == '\0')
            break;
        name[n] = c;
    }
    name[n] = '\0';
    return n > 0;
}

}  // namespace

void WalkImports(IImportWalkHost& host, uintptr_t module)
{
    if (!module)
        return;
    uint32_t importRva = ImportDirectory(host, module);
    if (!importRva)
        return;
    for (uintptr_t desc = module + importRva;; desc += kDescriptorBytes) {
        uint32_t nameRva = 0;
        if (!ReadValue(host, desc + kDescriptorNameOffset, nameRva) || nameRva == 0)
            return;
        char name[kImportNameBytes];
        if (!ReadName(host, module + nameRva, name))
            return;
        host.LowerCase(name);
        // A name that doesn't start with a letter ends this module's walk.
        if (name[0] < 'a' || name[0] > 'z')
            return;
        uintptr_t dependency = host.LoadModule(name);
        // A library that can't be loaded is left out rather than listed as a null handle.
        if (!dependency || host.IsListed(dependency))
            continue;
        if (!host.Append(dependency))
            return;
        WalkImports(host, dependency);
    }
}
