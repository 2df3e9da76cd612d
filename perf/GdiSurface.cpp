// GDI drawing for the Performance page's controls.
#include "perf/GdiSurface.h"

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
    HBRUSH hBrush = ::CreateSolidBrush(static_cast<COLORREF>(colour));
    if (!hBrush)
        return;
    ::FillRect(m_hDC, &rc, hBrush);
    ::DeleteObject(hBrush);
}

void CGdiSurface::SelectPen(uint32_t colour)
{
    HPEN hPen = ::CreatePen(PS_SOLID, 1, static_cast<COLORREF>(colour));
    HGDIOBJ hOld = hPen ? ::SelectObject(m_hDC, hPen) : nullptr;
    if (m_nPens < MaxPens)
        m_pens[m_nPens++] = PenSelection{hPen, hOld};
    else if (hPen) {  // deeper than any drawing here goes: undo at once rather than leak
        ::SelectObject(m_hDC, hOld);
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

void CGdiSurface::DrawString(const char* text, int left, int top, int right, int bottom, uint32_t textColour,
                           uint32_t backColour)
{
    RECT rc = {left, top, right, bottom};
    ::SetTextColor(m_hDC, static_cast<COLORREF>(textColour));
    ::SetBkColor(m_hDC, static_cast<COLORREF>(backColour));
    ::DrawTextA(m_hDC, text, -1, &rc, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);
}
