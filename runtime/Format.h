// The program's own printf-style formatter, so that the shipped exe needs no C library's.
#pragma once
#include <stdarg.h>
#include <stddef.h>

// Formats into buf like vsnprintf: at most cap - 1 characters and a terminating zero (when cap > 0);
// returns the length the whole text would have. Conversions: %d %i %u %x %X %c %s %%, with the
// flags '-' and '0', a width, and the length modifiers h and l (ignored: int and long are alike).
// From any other conversion on, the format is copied as text and no further argument is read.
int RuntimeFormatV(char* buf, size_t cap, const char* format, va_list args);
