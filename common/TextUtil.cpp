#include "common/TextUtil.h"
#include <limits.h>
#include <stdio.h>
#include <string.h>

namespace {
LeadByteTest g_isLeadByte = nullptr;

// True when the character at p takes two bytes: a lead byte with its trail byte after it.
bool IsDoubleByteAt(const char* p)
{
    return g_isLeadByte && g_isLeadByte(static_cast<unsigned char>(p[0])) && p[1] != '\0';
}
}  // namespace

void SetLeadByteTest(LeadByteTest test) { g_isLeadByte = test; }

int GetFileNameOffset(const char* path)
{
    // Forward, so that a trail byte is never taken for a character of its own.
    int offset = -1;
    for (int i = 0; path[i] != '\0'; ++i) {
        if (IsDoubleByteAt(path + i))
            ++i;
        else if (path[i] == '\\')
            offset = i + 1;
    }
    return offset;
}

size_t FitCharacters(const char* text, size_t max)
{
    size_t n = 0;
    while (n < max && text[n] != '\0') {
        size_t step = IsDoubleByteAt(text + n) ? 2 : 1;
        if (n + step > max)
            break;
        n += step;
    }
    return n;
}

int ParseLeadingInt(const char* text)
{
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = (*p++ == '-');
    long long value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p++ - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<int>(value);
}

bool PrefixEquals(const char* a, const char* b, size_t n)
{
    return strncmp(a, b, n) == 0;
}

bool CopyText(char* dst, size_t cap, const char* src)
{
    if (cap == 0)
        return false;
    size_t len = strlen(src);
    if (len >= cap) {
        dst[0] = '\0';
        return false;
    }
    memcpy(dst, src, len + 1);
    return true;
}

void FormatInt(char* buf, size_t cap, int value)
{
    snprintf(buf, cap, "%d", value);
}
