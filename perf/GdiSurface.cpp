// GDI drawing for the Performance page's controls.
#include "perf/GdiSurface.h"

CGdiObjectCache::~CGdiObjectCache()
{
    for (int i = 0; i < m_nBrushes; ++i)
        ::DeleteObject(m_brushes[i].hObject);
    for (int i = 0; i < m_nPens; ++i)
        ::DeleteObject(m_pens[i].hObject);
}

HGDIOBJ CGdiObjectCache::Find(Entry* entries, int& count, uint32_t colour, bool pen)
{
    for (int i = 0; i < count; ++i) {
        if (entries[i].colour == colour)
            return entries[i].hObject;
    }
    if (count == MaxObjects)
        return nullptr;
    HGDIOBJ hObject = pen ? static_cast<HGDIOBJ>(::CreatePen(PS_SOLID, 1, static_cast<COLORREF>(colour)))
                          : static_cast<HGDIOBJ>(::CreateSolidBrush(static_cast<COLORREF>(colour)));
    if (hObject)
        entries[count++] = Entry{colour, hObject};
    return hObject;
}

HBRUSH CGdiObjectCache::Brush(uint32_t colour)
{
    return static_cast<HBRUSH>(Find(m_brushes, m_nBrushes, colour, false));
}

HPEN CGdiObjectCache::Pen(uint32_t colour)
{
    return static_cast<HPEN>(Find(m_pens, m_nPens, colour, true));
}

CGdiSurface::~CGdiSurface()
{
    while (m_nPens > 0)
        RestorePen();
}

void CGdiSurface::FillRect(int left, int top, int right, int bottom, uint32_t colour)
{
    // GDI would fill an inverted rectangle as if it were ordered; an empty one must draw nothing.
    if (left >= right || top >= bottom)
        return;
    RECT rc = {left, top, right, bottom};
    HBRUSH hBrush = m_pCache ? m_pCache->Brush(colour) : nullptr;
    bool owned = !hBrush;
    if (owned)
        hBrush = ::CreateSolidBrush(static_cast<COLORREF>(colour));
    if (!hBrush)
        return;
    ::FillRect(m_hDC, &rc, hBrush);
    if (owned)
        ::DeleteObject(hBrush);
}

void CGdiSurface::SelectPen(uint32_t colour)
{
    HPEN hPen = m_pCache ? m_pCache->Pen(colour) : nullptr;
    bool owned = !hPen;
    if (owned)
        hPen = ::CreatePen(PS_SOLID, 1, static_cast<COLORREF>(colour));
    HGDIOBJ hOld = hPen ? ::SelectObject(m_hDC, hPen) : nullptr;
    if (m_nPens < MaxPens)
        m_pens[m_nPens++] = PenSelection{hPen, hOld, owned};
    else if (hPen) {  // deeper than any drawing here goes: undo at once rather than leak
        ::SelectObject(m_hDC, hOld);
        if (owned)
            ::DeleteObject(hPen);
    }
}

void CGdiSurface::RestorePen()
{
    if (m_nPens == 0)
        return;
    PenSelection sel = m_pens[--m_nPens];
    if (sel.hPen) {
        ::SelectObject(m_hDC, sel.hOld);
        if (sel.bOwned)
            ::DeleteObject(sel.hPen);
    }
}

void CGdiSurface::MoveTo(int x, int y)
{
    ::MoveToEx(m_hDC, x, y, nullptr);
}

void CGdiSurface::LineTo(int x, int y)
{
    ::LineTo(m_hDC, x, y);
}

void CGdiSurface::Polyline(const DrawPoint* points, int count)
{
    POINT pts[MaxPoints];
    // Longer lines go in pieces that share their joining point.
    for (int start = 0; start + 1 < count; start += MaxPoints - 1) {
        int n = count - start < MaxPoints ? count - start : MaxPoints;
        for (int i = 0; i < n; ++i)
            pts[i] = POINT{points[start + i].x, points[start + i].y};
        ::Polyline(m_hDC, pts, n);
    }
}

void CGdiSurface::Lines(const DrawPoint* points, int lines)
{
    POINT pts[MaxPoints];
    DWORD counts[MaxPoints / 2];
    for (int start = 0; start < lines; start += MaxPoints / 2) {
        int n = lines - start < MaxPoints / 2 ? lines - start : MaxPoints / 2;
        for (int i = 0; i < 2 * n; ++i)
            pts[i] = POINT{points[2 * start + i].x, points[2 * start + i].y};
        for (int i = 0; i < n; ++i)
            counts[i] = 2;
        ::PolyPolyline(m_hDC, pts, counts, static_cast<DWORD>(n));
    }
}

void CGdiSurface::DrawString(const char* text, int left, int top, int right, int bottom, uint32_t textColour,
                           uint32_t backColour)
{
    RECT rc = {left, top, right, bottom};
    ::SetTextColor(m_hDC, static_cast<COLORREF>(textColour));
    ::SetBkColor(m_hDC, static_cast<COLORREF>(backColour));
    ::DrawTextA(m_hDC, text, -1, &rc, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
}
