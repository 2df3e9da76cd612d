// Reads a dialog template (DIALOGEX) out of korvane.exe as the resource compiler wrote it, so
// that a test can check positions and sizes the running dialog no longer shows: an icon static
// resizes itself to its icon, whatever its template says.
#pragma once
#include "Harness.h"
#include <windows.h>
#include <string>
#include <vector>

namespace e2e {

struct TemplateControl {
    int id = 0;
    std::string text;  // GBK; an ordinal (an icon's resource id) reads "#<number>"
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
    bool ok = false;
    DWORD style = 0;
    int cx = 0, cy = 0;
    std::string caption, font;
    int pointSize = 0;
    std::vector<TemplateControl> controls;

    // The first control whose text is the given one, or nullptr.
    const TemplateControl* FindText(const std::string& t) const
    {
        for (const TemplateControl& c : controls) {
            if (c.text == t)
                return &c;
        }
        return nullptr;
    }
};

namespace detail {

inline std::string Narrow(const WCHAR* w, int n)
{
    if (n <= 0)
        return std::string();
    char buf[1024];
    int len = WideCharToMultiByte(936, 0, w, n, buf, sizeof buf, nullptr, nullptr);
    return std::string(buf, len > 0 ? static_cast<size_t>(len) : 0);
}

// A name-or-ordinal field: 0xFFFF and an ordinal, or a zero-terminated wide string.
inline const WORD* ReadField(const WORD* p, const WORD* end, std::string* out)
{
    if (p >= end)
        return end;
    if (*p == 0xFFFF) {
        if (out && p + 1 < end)
            *out = "#" + std::to_string(p[1]);
        return p + 2;
    }
    const WORD* s = p;
    while (p < end && *p)
        ++p;
    if (out)
        *out = Narrow(reinterpret_cast<const WCHAR*>(s), static_cast<int>(p - s));
    return p < end ? p + 1 : end;
}

inline const WORD* AlignDword(const WORD* p, const BYTE* base)
{
    size_t off = reinterpret_cast<const BYTE*>(p) - base;
    return reinterpret_cast<const WORD*>(base + ((off + 3) & ~static_cast<size_t>(3)));
}

}  // namespace detail

inline DialogTemplate LoadDialogTemplate(int id)
{
    DialogTemplate t;
    HMODULE exe = LoadLibraryExA(KorvaneExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!exe)
        return t;
    HRSRC res = FindResourceA(exe, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    HGLOBAL mem = res ? LoadResource(exe, res) : nullptr;
    const BYTE* base = mem ? static_cast<const BYTE*>(LockResource(mem)) : nullptr;
    DWORD size = res ? SizeofResource(exe, res) : 0;
    const WORD* w = reinterpret_cast<const WORD*>(base);
    const WORD* end = reinterpret_cast<const WORD*>(base + size);
    // DIALOGEX: version 1, signature 0xFFFF, then help id, extended style, style, count, rect.
    if (base && size >= 26 && w[0] == 1 && w[1] == 0xFFFF) {
        t.style = *reinterpret_cast<const DWORD*>(base + 12);
        int count = w[8];
        t.cx = static_cast<short>(w[11]);
        t.cy = static_cast<short>(w[12]);
        const WORD* p = w + 13;
        p = detail::ReadField(p, end, nullptr);  // menu
        p = detail::ReadField(p, end, nullptr);  // class
        p = detail::ReadField(p, end, &t.caption);
        if (t.style & DS_SETFONT) {
            t.pointSize = p < end ? p[0] : 0;
            p = detail::ReadField(p + 3, end, &t.font);  // point size, weight, italic and charset
        }
        t.ok = true;
        for (int i = 0; i < count && t.ok; ++i) {
            p = detail::AlignDword(p, base);
            // Help id, extended style, style, x, y, cx, cy, then a 32-bit id.
            if (reinterpret_cast<const BYTE*>(p) + 24 > reinterpret_cast<const BYTE*>(end)) {
                t.ok = false;
                break;
            }
            const BYTE* b = reinterpret_cast<const BYTE*>(p);
            TemplateControl c;
            c.style = *reinterpret_cast<const DWORD*>(b + 8);
            c.x = *reinterpret_cast<const short*>(b + 12);
            c.y = *reinterpret_cast<const short*>(b + 14);
            c.cx = *reinterpret_cast<const short*>(b + 16);
            c.cy = *reinterpret_cast<const short*>(b + 18);
            c.id = *reinterpret_cast<const int*>(b + 20);
            p = detail::ReadField(reinterpret_cast<const WORD*>(b + 24), end, nullptr);  // class
            p = detail::ReadField(p, end, &c.text);
            if (p < end)
                p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p + 1) + *p);  // creation data
            t.controls.push_back(c);
        }
    }
    FreeLibrary(exe);
    return t;
}

}  // namespace e2e
