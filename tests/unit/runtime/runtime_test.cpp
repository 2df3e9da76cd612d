// The shipped exe's own formatter and 64-bit division, checked against the host's C library.
#include "runtime/Divide.h"
#include "runtime/Format.h"
#include <gtest/gtest.h>
#include <stdio.h>
#include <string>

namespace {
std::string Format(size_t cap, const char* format, ...)
{
    char buf[256];
    va_list args;
    va_start(args, format);
    int n = RuntimeFormatV(buf, cap, format, args);
    va_end(args);
    return std::to_string(n) + ":" + (cap ? std::string(buf) : std::string("-"));
}

template <class... Args>
std::string Host(size_t cap, const char* format, Args... args)
{
    char buf[256];
    int n = snprintf(buf, cap, format, args...);
    return std::to_string(n) + ":" + (cap ? std::string(buf) : std::string("-"));
}
}  // namespace

TEST(RuntimeFormat, ConversionsMatchTheCLibrary)
{
    const int ints[] = {0, 7, -7, 2147483647, -2147483647 - 1, 100, -100};
    const char* intFormats[] = {"%d", "%i", "[%5d]", "[%-5d]", "[%05d]", "%d K", "  %d%%  ", "p%d", "%3d|%-3d|"};
    for (const char* f : intFormats) {
        for (int v : ints)
            EXPECT_EQ(Format(sizeof(char[256]), f, v, v), Host(256, f, v, v)) << f << " " << v;
    }
    const unsigned uints[] = {0u, 1u, 255u, 0xdeadbeefu, 4294967295u};
    for (const char* f : {"%u", "%x", "%X", "[%08x]", "[%-9X]"}) {
        for (unsigned v : uints)
            EXPECT_EQ(Format(256, f, v), Host(256, f, v)) << f << " " << v;
    }
    EXPECT_EQ(Format(256, "%s\\quenbrix.exe", "C:\\Program Files"), Host(256, "%s\\quenbrix.exe", "C:\\Program Files"));
    EXPECT_EQ(Format(256, "[%6s][%-6s][%c]", "ab", "cd", 'x'), Host(256, "[%6s][%-6s][%c]", "ab", "cd", 'x'));
    EXPECT_EQ(Format(256, "内存使用 %dK/%dK", 1234, 65536), Host(256, "内存使用 %dK/%dK", 1234, 65536));
    EXPECT_EQ(Format(256, "%d\n%d\n%d", 1, -2, 3), Host(256, "%d\n%d\n%d", 1, -2, 3));
}

TEST(RuntimeFormat, TruncatesLikeSnprintfAndCountsTheWholeText)
{
    for (size_t cap : {0, 1, 2, 5, 9, 10, 11}) {
        EXPECT_EQ(Format(cap, "NewTask%d", 42), Host(cap, "NewTask%d", 42)) << cap;
        EXPECT_EQ(Format(cap, "%s-%d", "abcdef", -12345), Host(cap, "%s-%d", "abcdef", -12345)) << cap;
    }
}

TEST(RuntimeFormat, UnknownConversionsAreCopied)
{
    EXPECT_EQ(Format(256, "a%qb%"), "5:a%qb%");
    // The unknown one's argument cannot be skipped, so nothing after it reads an argument.
    EXPECT_EQ(Format(256, "%d %q%d [%5s]%%", 3, 7, "x"), "14:3 %q%d [%5s]%%");
}

TEST(RuntimeDivide, MatchesTheProcessorsDivision)
{
    const uint64_t values[] = {0, 1, 2, 3, 7, 10, 1000, 0xffffffffULL, 0x100000000ULL, 0x123456789abcdefULL,
                               0x8000000000000000ULL, 0xffffffffffffffffULL, 10000000ULL * 3600 * 24 * 365};
    for (uint64_t n : values) {
        for (uint64_t d : values) {
            if (d == 0)
                continue;
            uint64_t r = 12345;
            EXPECT_EQ(RuntimeDivMod64(n, d, &r), n / d) << n << " / " << d;
            EXPECT_EQ(r, n % d) << n << " % " << d;
        }
    }
}
