// Meters, graphs and grid of the Performance page. Every figure here is a pixel of the page's
// look: margins of 10, 7 and 20 pixels, 3 % per pixel on the CPU bar, 2 % per pixel on the CPU
// curve, a 10-pixel grid, one pixel per sample.
#include "perf/PerfDrawing.h"
#include <stdio.h>

namespace {

int ClampPercent(int percent)
{
    return percent < 0 ? 0 : (percent > 100 ? 100 : percent);
}

// The bar of a meter: lit from `litTop` down to y = h - 20, unlit from 7 down to `litTop`.
void DrawBar(IDrawSurface& surface, int w, int h, int litHeight)
{
    int bottom = h - 20;
    int litTop = bottom - litHeight;
    surface.FillRect(10, litTop, w - 10, bottom, kLit);
    surface.FillRect(10, 7, w - 10, litTop, kUnlit);
}

void DrawMeterText(IDrawSurface& surface, int w, int h, const char* text)
{
    surface.DrawString(text, 2, 2, w - 2, h - 2, kLit, kBlack);
}

// Background, grid and curve of a graph; `heights` are pixels above the inner bottom line.
void DrawCurve(IDrawSurface& surface, int h, const int (&heights)[kHistoryLength])
{
    int y0 = h - 2;
    // From x = 3 back to the first sample at x = 1, then one pixel per sample.
    DrawPoint points[kHistoryLength + 1];
    points[0] = DrawPoint{3, y0 - heights[0]};
    for (int i = 0; i < kHistoryLength; ++i)
        points[i + 1] = DrawPoint{i + 1, y0 - heights[i]};
    surface.SelectPen(kLit);
    surface.Polyline(points, kHistoryLength + 1);
    surface.RestorePen();
}

void DrawGraphBackground(IDrawSurface& surface, int w, int h)
{
    surface.FillRect(1, 1, w - 1, h - 1, kBlack);
    DrawGrid(surface, w, h);
}

}  // namespace

void DrawFrame(IDrawSurface& surface, int w, int h)
{
    surface.FillRect(0, 0, w - 1, 1, kFrameTopLeft);
    surface.FillRect(0, 0, 1, h - 1, kFrameTopLeft);
    surface.FillRect(w - 1, 0, w, h, kFrameBottomRight);
    surface.FillRect(0, h - 1, w, h, kFrameBottomRight);
}

void DrawCpuMeter(IDrawSurface& surface, int w, int h, int cpu)
{
    DrawFrame(surface, w, h);
    char text[32];
    snprintf(text, sizeof text, "  %d%%  ", cpu);
    DrawMeterText(surface, w, h, text);
    // A counter above 100 % would push the bar over the frame: it is drawn as 100 %.
    DrawBar(surface, w, h, ClampPercent(cpu) / 3);
}

void DrawMemMeter(IDrawSurface& surface, int w, int h, int totalK, int availK)
{
    DrawFrame(surface, w, h);
    char text[32];
    int usedK = totalK - availK;
    snprintf(text, sizeof text, "  %dK  ", usedK);
    DrawMeterText(surface, w, h, text);

    int area = h - 27;  // the bar's pixels, which stand for the whole physical memory
    int scale = area > 0 ? totalK / area : 0;
    int litHeight = 0;
    if (scale > 0) {  // a total smaller than the bar's height leaves the bar unlit
        litHeight = static_cast<int>(static_cast<double>(usedK) / static_cast<double>(scale));
        if (litHeight < 0)
            litHeight = 0;
        if (litHeight > area)
            litHeight = area;
    }
    DrawBar(surface, w, h, litHeight);
}

void DrawGrid(IDrawSurface& surface, int w, int h)
{
    // All lines in one call; a control larger than the buffer takes several.
    enum { kMaxLines = 64 };
    DrawPoint points[2 * kMaxLines];
    int lines = 0;
    surface.SelectPen(kGridColour);
    auto add = [&](int x0, int y0, int x1, int y1) {
        if (lines == kMaxLines) {
            surface.Lines(points, lines);
            lines = 0;
        }
        points[2 * lines] = DrawPoint{x0, y0};
        points[2 * lines + 1] = DrawPoint{x1, y1};
        ++lines;
    };
    for (int x = 10; x < w - 1; x += 10)
        add(x, 1, x, h - 1);
    for (int y = 10; y < h - 1; y += 10)
        add(1, y, w - 1, y);
    if (lines > 0)
        surface.Lines(points, lines);
    surface.RestorePen();
}

void PushSample(int (&history)[kHistoryLength], int newest)
{
    for (int i = 0; i < kHistoryLength - 1; ++i)
        history[i] = history[i + 1];
    history[kHistoryLength - 1] = newest;
}

int MemSampleHeight(int y0, int totalK, int availK)
{
    int scale = y0 > 0 ? totalK / y0 : 0;
    if (scale <= 0)
        return 0;  // a total smaller than the graph's height: no height at all
    int height = static_cast<int>(static_cast<double>(totalK - availK) / static_cast<double>(scale));
    return height < 0 ? 0 : height;
}

void DrawCpuGraph(IDrawSurface& surface, int w, int h, int (&history)[kHistoryLength], int cpu)
{
    DrawFrame(surface, w, h);
    PushSample(history, cpu);
    DrawGraphBackground(surface, w, h);
    int heights[kHistoryLength];
    for (int i = 0; i < kHistoryLength; ++i)
        heights[i] = ClampPercent(history[i]) / 2;
    DrawCurve(surface, h, heights);
}

void DrawMemGraph(IDrawSurface& surface, int w, int h, int (&history)[kHistoryLength], int totalK, int availK)
{
    DrawFrame(surface, w, h);
    DrawGraphBackground(surface, w, h);
    // Each sample keeps the height of its own refresh; older ones are not rescaled.
    PushSample(history, MemSampleHeight(h - 2, totalK, availK));
    DrawCurve(surface, h, history);
}
