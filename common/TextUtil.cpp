#include "common/TextUtil.h"
#include <limits.h>
#include <stdio.h>
#include <string.h>

int GetFileNameOffset(const char* path)
{
    for (int i = static_cast<int>(strlen(path)) - 1; i >= 0; --i) {
        if (path[i] == '\\')
            return i + 1;
    }
    return -1;
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
