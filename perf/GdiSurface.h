// The drawing surface over a GDI device context: brushes and pens are made for each call and
// deleted before it returns.
#pragma once
#include "perf/PerfDrawing.h"
#include <windows.h>

class CGdiSurface : public IDrawSurface {
public:
    explicit CGdiSurface(HDC hDC) : m_hDC(hDC) {}
    ~CGdiSurface() override;
    CGdiSurface(const CGdiSurface&) = delete;
    CGdiSurface& operator=(const CGdiSurface&) = delete;

    void FillRect(int left, int top, int right, int bottom, uint32_t colour) override;
    void SelectPen(uint32_t colour) override;
    void RestorePen() override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void DrawString(const char* text, int left, int top, int right, int bottom, uint32_t textColour,
                  uint32_t backColour) override;

    HDC GetDC() const { return m_hDC; }

private:
    enum { MaxPens = 4 };
    struct PenSelection {
        HPEN hPen;
        HGDIOBJ hOld;
    };
    HDC m_hDC;
    PenSelection m_pens[MaxPens] = {};
    int m_nPens = 0;
};
