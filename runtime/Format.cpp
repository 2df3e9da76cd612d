// The program's own printf-style formatter (see Format.h), also built natively for its unit tests.
#include "runtime/Format.h"

namespace {

struct Output {
    char* buf;
    size_t cap;
    size_t len;

    void Put(char c)
    {
        if (len + 1 < cap)
            buf[len] = c;
        ++len;
    }
    void Repeat(char c, int n)
    {
        for (; n > 0; --n)
            Put(c);
    }
};

// Writes text of n characters in a field of the given width.
void PutField(Output& out, const char* text, int n, int width, bool left, char pad)
{
    if (!left)
        out.Repeat(pad, width - n);
    for (int i = 0; i < n; ++i)
        out.Put(text[i]);
    if (left)
        out.Repeat(' ', width - n);
}

void PutNumber(Output& out, unsigned long value, bool negative, unsigned base, bool upper, int width, bool left,
               bool zero)
{
    char digits[24];
    int n = 0;
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits[n++] = set[value % base];
        value /= base;
    } while (value);
    int length = n + (negative ? 1 : 0);
    if (zero && !left) {
        // The sign goes before the zeros.
        if (negative)
            out.Put('-');
        out.Repeat('0', width - length);
    } else {
        if (!left)
            out.Repeat(' ', width - length);
        if (negative)
            out.Put('-');
    }
    while (n > 0)
        out.Put(digits[--n]);
    if (left)
        out.Repeat(' ', width - length);
}

}  // namespace

int RuntimeFormatV(char* buf, size_t cap, const char* format, va_list args)
{
    Output out{buf, cap, 0};
    for (const char* p = format; *p; ++p) {
        if (*p != '%') {
            out.Put(*p);
            continue;
        }
        const char* start = p++;
        bool left = false, zero = false;
        for (;; ++p) {
            if (*p == '-')
                left = true;
            else if (*p == '0')
                zero = true;
            else
                break;
        }
        int width = 0;
        if (*p == '*') {
            width = va_arg(args, int);
            if (width < 0) {
                left = true;
                width = -width;
            }
            ++p;
        } else {
            while (*p >= '0' && *p <= '9')
                width = width * 10 + (*p++ - '0');
        }
        while (*p == 'h' || *p == 'l')
            ++p;
        switch (*p) {
        case 'd':
        case 'i': {
            long v = va_arg(args, int);
            unsigned long magnitude = v < 0 ? 0UL - static_cast<unsigned long>(v) : static_cast<unsigned long>(v);
            PutNumber(out, magnitude, v < 0, 10, false, width, left, zero);
            break;
        }
        case 'u':
            PutNumber(out, va_arg(args, unsigned), false, 10, false, width, left, zero);
            break;
        case 'x':
        case 'X':
            PutNumber(out, va_arg(args, unsigned), false, 16, *p == 'X', width, left, zero);
            break;
        case 'c': {
            char c = static_cast<char>(va_arg(args, int));
            PutField(out, &c, 1, width, left, ' ');
            break;
        }
        case 's': {
            const char* s = va_arg(args, const char*);
            if (!s)
                s = "(null)";
            int n = 0;
            while (s[n])
                ++n;
            PutField(out, s, n, width, left, ' ');
            break;
        }
        case '%':
            out.Put('%');
            break;
        default:
            // Not a conversion of this formatter. Its argument's size is unknown, so no later
            // argument could be found either: the rest of the format is copied as it stands.
            for (const char* q = start; *q; ++q)
                out.Put(*q);
            p = start;
            while (p[1])
                ++p;
            break;
        }
    }
    if (cap > 0)
        buf[out.len < cap ? out.len : cap - 1] = '\0';
    return static_cast<int>(out.len);
}
