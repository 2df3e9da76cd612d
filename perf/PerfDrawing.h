// The Performance page's meters, history graphs and grid, drawn on a small drawing surface that is
// implemented over GDI for the screen and over a pixel buffer for the tests.
#pragma once
#include <stdint.h>

// A colour laid out like the platform's COLORREF: 0x00BBGGRR.
constexpr uint32_t Rgb(unsigned r, unsigned g, unsigned b)
{
    return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}

// The page's colours.
constexpr uint32_t kFrameTopLeft = Rgb(152, 144, 120);
constexpr uint32_t kFrameBottomRight = Rgb(232, 232, 224);
constexpr uint32_t kLit = Rgb(0, 255, 0);        // meter bar, curve, meter text
constexpr uint32_t kUnlit = Rgb(0, 128, 0);      // meter bar, unlit part
constexpr uint32_t kGridColour = Rgb(0, 150, 0);
constexpr uint32_t kBlack = Rgb(0, 0, 0);

enum { kHistoryLength = 200 };

struct DrawPoint {
    int x, y;
};

// Drawing operations on one control's client area. Rectangles include their left and top edges
// and exclude their right and bottom edges; a line runs from its start point up to, but not
// including, its end point.
class IDrawSurface {
public:
    virtual ~IDrawSurface() = default;
    // Fills a rectangle with a solid colour.
    virtual void FillRect(int left, int top, int right, int bottom, uint32_t colour) = 0;
    // Selects a solid one-pixel pen of the colour; RestorePen puts the previous pen back and
    // deletes this one. Selections nest.
    virtual void SelectPen(uint32_t colour) = 0;
    virtual void RestorePen() = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    // Lines from each point to the next, as MoveTo on the first and LineTo on each further point
    // would draw them; the current point is not used.
    virtual void Polyline(const DrawPoint* points, int count) = 0;
    // Separate lines, from points[2i] to points[2i + 1] for i below `lines`.
    virtual void Lines(const DrawPoint* points, int lines) = 0;
    // One line of text in the surface's default font, centred horizontally on the bottom line of
    // the rectangle, on an opaque background.
    virtual void DrawString(const char* text, int left, int top, int right, int bottom, uint32_t textColour,
                          uint32_t backColour) = 0;
};

// One-pixel 3-D frame on (0, 0, w, h): top and left edges in one colour, bottom and right in the
// other.
void DrawFrame(IDrawSurface& surface, int w, int h);

// The CPU meter: frame, "  N%  " text, and a bar at 3 percent per pixel above y = h - 20.
void DrawCpuMeter(IDrawSurface& surface, int w, int h, int cpu);
// The memory meter: frame, "  NK  " of the memory in use, and a bar whose area from 7 to h - 20
// stands for the whole physical memory.
void DrawMemMeter(IDrawSurface& surface, int w, int h, int totalK, int availK);
// The grid of a graph: lines of (0, 150, 0) every 10 pixels inside the frame.
void DrawGrid(IDrawSurface& surface, int w, int h);

// Moves every sample one place towards index 0 and puts `newest` at the end.
void PushSample(int (&history)[kHistoryLength], int newest);
// The height in pixels of a memory sample on a graph whose inner bottom line is y0.
int MemSampleHeight(int y0, int totalK, int availK);

// The CPU history graph: shifts `cpu` into the history, then background, grid and curve at
// 2 percent per pixel.
void DrawCpuGraph(IDrawSurface& surface, int w, int h, int (&history)[kHistoryLength], int cpu);
// The memory history graph: shifts the memory in use, as a height at this refresh's scale, into
// the history, then background, grid and curve.
void DrawMemGraph(IDrawSurface& surface, int w, int h, int (&history)[kHistoryLength], int totalK, int availK);
