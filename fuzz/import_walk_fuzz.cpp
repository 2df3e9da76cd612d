// The import-table walk over module images held in memory: any bytes, never a read outside the
// image, never a name buffer overrun, every listed module once.
#include "process/ImportWalk.h"
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <set>
#include <string>
#include <vector>

namespace {

const uintptr_t kFirstBase = 0x10000000;
const uintptr_t kModuleSpan = 0x01000000;

// Every module is a copy of the fuzzed image; a library's base comes from its name, so the
// walk can find modules that import each other, themselves, or many others.
class ImageHost : public IImportWalkHost {
public:
    explicit ImageHost(const std::string& image) : m_image(image) {}

    bool ReadMemory(uintptr_t address, void* buf, size_t size) override
    {
        if (address < kFirstBase)
            return false;
        uintptr_t offset = (address - kFirstBase) % kModuleSpan;
        if (offset > m_image.size() || size > m_image.size() - offset)
            return false;
        memcpy(buf, m_image.data() + offset, size);
        return true;
    }
    void LowerCase(char* name) override
    {
        for (char* p = name; *p; ++p) {
            if (*p >= 'A' && *p <= 'Z')
                *p = static_cast<char>(*p - 'A' + 'a');
        }
    }
    uintptr_t LoadModule(const char* name) override
    {
        size_t len = strlen(name);
        if (len > 79)
            abort();  // the walk must never hand on more than its 80-byte buffer holds
        return kFirstBase + kModuleSpan * (1 + (std::hash<std::string>()(name) % 300));
    }
    bool IsListed(uintptr_t module) override { return listed.count(module) > 0; }
    bool Append(uintptr_t module) override
    {
        if (order.size() >= 250)
            return false;
        if (!listed.insert(module).second)
            abort();  // listed twice
        order.push_back(module);
        return true;
    }

    std::set<uintptr_t> listed;
    std::vector<uintptr_t> order;

private:
    std::string m_image;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ImageHost host(std::string(reinterpret_cast<const char*>(data), size));
    WalkImports(host, kFirstBase);
    if (host.listed.count(kFirstBase))
        abort();  // the starting module is never listed
    return 0;
}
