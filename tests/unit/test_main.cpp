// The unit tests' main, and the registry the stores use by default: an in-memory one.
#include "common/MemoryRegistry.h"
#include <gtest/gtest.h>

IRegistry& DefaultRegistry()
{
    static MemoryRegistry registry;
    return registry;
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
