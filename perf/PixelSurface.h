// A drawing surface over an in-memory pixel buffer, clipped to its size like a control's client
// area. Lines follow the platform's rule of leaving out the end point. Texts are not rasterised:
// each one is recorded with its rectangle and colours.
#pragma once
#include "perf/PerfDrawing.h"
#include <string>
#include <vector>

class CPixelSurface : public IDrawSurface {
public:
    struct TextCall {
        std::string text;
        int left, top, right, bottom;
        uint32_t textColour, backColour;
    };

    CPixelSurface(int w, int h, uint32_t background);

    void FillRect(int left, int top, int right, int bottom, uint32_t colour) override;
    void SelectPen(uint32_t colour) override;
    void RestorePen() override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(const DrawPoint* points, int count) override;
    void Lines(const DrawPoint* points, int lines) override;
    void DrawString(const char* text, int left, int top, int right, int bottom, uint32_t textColour,
                  uint32_t backColour) override;

    int Width() const { return m_w; }
    int Height() const { return m_h; }
    uint32_t At(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_w + x]; }
    // Number of pixels of the colour inside (left, top, right, bottom), clipped to the surface.
    int Count(uint32_t colour, int left, int top, int right, int bottom) const;
    int Count(uint32_t colour) const { return Count(colour, 0, 0, m_w, m_h); }

    std::vector<TextCall> texts;
    int penSelections = 0;  // SelectPen calls not yet undone by RestorePen
    int lineCalls = 0;      // MoveTo, LineTo, Polyline and Lines calls: the drawing's call count

private:
    void Plot(int x, int y);

    int m_w;
    int m_h;
    std::vector<uint32_t> m_pixels;
    std::vector<uint32_t> m_pens;  // the selected pens, innermost last; the default pen is black
    int m_x = 0;
    int m_y = 0;
};
