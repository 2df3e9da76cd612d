// Small text helpers shared by the pages and the settings store. Texts are narrow, ANSI code page.
#pragma once
#include <stddef.h>

// Offset just after the last backslash of path, or -1 when it holds none. With a lead-byte test
// set, a double-byte character is stepped over whole: in GBK (code page 936) and Shift-JIS the
// second byte of some characters is 0x5C, the backslash's byte, and is no separator there.
int GetFileNameOffset(const char* path);

// Bytes of the longest start of text that has at most max bytes and does not end inside a
// double-byte character (as the lead-byte test reads it).
size_t FitCharacters(const char* text, size_t max);

// The ANSI code page's lead-byte test that GetFileNameOffset and FitCharacters use; nullptr (the start) reads every
// byte as a character of its own. Set once at start-up, before any other thread runs.
typedef bool (*LeadByteTest)(unsigned char byte);
void SetLeadByteTest(LeadByteTest test);

// The leading decimal number of text, after optional white space and an optional sign, as atoi
// reads it; 0 when the text does not start with a number. Out-of-range numbers saturate.
int ParseLeadingInt(const char* text);

// True when the first n bytes of a and b are equal, treating the terminating zero as a byte
// (so a shorter text differs from a longer one within n).
bool PrefixEquals(const char* a, const char* b, size_t n);

// Copies src into dst (capacity cap) and terminates it; returns false, leaving dst empty, when
// src does not fit.
bool CopyText(char* dst, size_t cap, const char* src);

// Formats a signed decimal number into buf ("%d").
void FormatInt(char* buf, size_t cap, int value);
