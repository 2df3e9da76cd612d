// In-memory drawing surface for the tests of the page's drawing.
#include "perf/PixelSurface.h"
#include <stdlib.h>

CPixelSurface::CPixelSurface(int w, int h, uint32_t background)
    : m_w(w > 0 ? w : 0), m_h(h > 0 ? h : 0), m_pixels(static_cast<size_t>(m_w) * m_h, background)
{
}

void CPixelSurface::FillRect(int left, int top, int right, int bottom, uint32_t colour)
{
    for (int y = top < 0 ? 0 : top; y < bottom && y < m_h; ++y) {
        for (int x = left < 0 ? 0 : left; x < right && x < m_w; ++x)
            m_pixels[static_cast<size_t>(y) * m_w + x] = colour;
    }
}

void CPixelSurface::SelectPen(uint32_t colour)
{
    m_pens.push_back(colour);
    ++penSelections;
}

void CPixelSurface::RestorePen()
{
    if (!m_pens.empty())
        m_pens.pop_back();
    --penSelections;
}

void CPixelSurface::MoveTo(int x, int y)
{
    ++lineCalls;
    m_x = x;
    m_y = y;
}

void CPixelSurface::Plot(int x, int y)
{
    if (x < 0 || y < 0 || x >= m_w || y >= m_h)
        return;
    m_pixels[static_cast<size_t>(y) * m_w + x] = m_pens.empty() ? kBlack : m_pens.back();
}

void CPixelSurface::LineTo(int x1, int y1)
{
    ++lineCalls;
    // Bresenham's walk from the current point, leaving out the end point.
    int x = m_x;
    int y = m_y;
    int dx = abs(x1 - x);
    int dy = -abs(y1 - y);
    int sx = x < x1 ? 1 : -1;
    int sy = y < y1 ? 1 : -1;
    int err = dx + dy;
    while (x != x1 || y != y1) {
        Plot(x, y);
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    m_x = x1;
    m_y = y1;
}

void CPixelSurface::Polyline(const DrawPoint* points, int count)
{
    int calls = lineCalls + 1;
    int x = m_x, y = m_y;  // the current point is neither used nor moved
    if (count >= 2) {
        MoveTo(points[0].x, points[0].y);
        for (int i = 1; i < count; ++i)
            LineTo(points[i].x, points[i].y);
    }
    m_x = x;
    m_y = y;
    lineCalls = calls;
}

void CPixelSurface::Lines(const DrawPoint* points, int lines)
{
    int calls = lineCalls + 1;
    int x = m_x, y = m_y;
    for (int i = 0; i < lines; ++i) {
        MoveTo(points[2 * i].x, points[2 * i].y);
        LineTo(points[2 * i + 1].x, points[2 * i + 1].y);
    }
    m_x = x;
    m_y = y;
    lineCalls = calls;
}

void CPixelSurface::DrawString(const char* text, int left, int top, int right, int bottom, uint32_t textColour,
                             uint32_t backColour)
{
    texts.push_back(TextCall{text, left, top, right, bottom, textColour, backColour});
}

int CPixelSurface::Count(uint32_t colour, int left, int top, int right, int bottom) const
{
    int n = 0;
    for (int y = top < 0 ? 0 : top; y < bottom && y < m_h; ++y) {
        for (int x = left < 0 ? 0 : left; x < right && x < m_w; ++x)
            n += m_pixels[static_cast<size_t>(y) * m_w + x] == colour ? 1 : 0;
    }
    return n;
}
