/* The C library's memory and string functions that the program and the compiler call; built with
   -fno-builtin so that the compiler does not turn these loops back into calls to themselves. */
#include <stddef.h>

void* memcpy(void* dst, const void* src, size_t n)
{
    unsigned char* d = dst;
    const unsigned char* s = src;
    while (n--)
        *d++ = *s++;
    return dst;
}

void* memmove(void* dst, const void* src, size_t n)
{
    unsigned char* d = dst;
    const unsigned char* s = src;
    if (d < s) {
        while (n--)
            *d++ = *s++;
    } else if (d > s) {
        d += n;
        s += n;
        while (n--)
            *--d = *--s;
    }
    return dst;
}

void* memset(void* dst, int c, size_t n)
{
    unsigned char* d = dst;
    while (n--)
        *d++ = (unsigned char)c;
    return dst;
}

int memcmp(const void* a, const void* b, size_t n)
{
    const unsigned char* p = a;
    const unsigned char* q = b;
    for (; n; --n, ++p, ++q) {
        if (*p != *q)
            return *p < *q ? -1 : 1;
    }
    return 0;
}

void* memchr(const void* s, int c, size_t n)
{
    const unsigned char* p = s;
    for (; n; --n, ++p) {
        if (*p == (unsigned char)c)
            return (void*)p;
    }
    return NULL;
}

size_t strlen(const char* s)
{
    const char* p = s;
    while (*p)
        ++p;
    return (size_t)(p - s);
}

int strcmp(const char* a, const char* b)
{
    const unsigned char* p = (const unsigned char*)a;
    const unsigned char* q = (const unsigned char*)b;
    while (*p && *p == *q)
        ++p, ++q;
    return *p < *q ? -1 : *p > *q ? 1 : 0;
}

int strncmp(const char* a, const char* b, size_t n)
{
    const unsigned char* p = (const unsigned char*)a;
    const unsigned char* q = (const unsigned char*)b;
    for (; n; --n, ++p, ++q) {
        if (*p != *q)
            return *p < *q ? -1 : 1;
        if (!*p)
            break;
    }
    return 0;
}

char* strcpy(char* dst, const char* src)
{
    char* d = dst;
    while ((*d++ = *src++) != '\0') {
    }
    return dst;
}

char* strchr(const char* s, int c)
{
    for (;; ++s) {
        if (*s == (char)c)
            return (char*)s;
        if (!*s)
            return NULL;
    }
}
