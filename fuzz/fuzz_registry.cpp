// The registry the stores use by default in the fuzz programs: an in-memory one.
#include "common/MemoryRegistry.h"

IRegistry& DefaultRegistry()
{
    static MemoryRegistry registry;
    return registry;
}
