// The drawing surface over a GDI device context. Brushes and pens come from a cache that the
// page keeps for its life; without one they are made for each call and deleted before it returns.
#pragma once
#include "perf/PerfDrawing.h"
#include <windows.h>

// Solid brushes and solid one-pixel pens by colour, made on first use and deleted with the cache.
class CGdiObjectCache {
public:
    CGdiObjectCache() = default;
    ~CGdiObjectCache();
    CGdiObjectCache(const CGdiObjectCache&) = delete;
    CGdiObjectCache& operator=(const CGdiObjectCache&) = delete;

    // nullptr when the object can't be made or the cache is full.
    HBRUSH Brush(uint32_t colour);
    HPEN Pen(uint32_t colour);

private:
    enum { MaxObjects = 8 };
    struct Entry {
        uint32_t colour;
        HGDIOBJ hObject;
    };
    HGDIOBJ Find(Entry* entries, int& count, uint32_t colour, bool pen);

    Entry m_brushes[MaxObjects] = {};
    int m_nBrushes = 0;
    Entry m_pens[MaxObjects] = {};
    int m_nPens = 0;
};

class CGdiSurface : public IDrawSurface {
public:
    explicit CGdiSurface(HDC hDC, CGdiObjectCache* pCache = nullptr) : m_hDC(hDC), m_pCache(pCache) {}
    ~CGdiSurface() override;
    CGdiSurface(const CGdiSurface&) = delete;
    CGdiSurface& operator=(const CGdiSurface&) = delete;

    void FillRect(int left, int top, int right, int bottom, uint32_t colour) override;
    void SelectPen(uint32_t colour) override;
    void RestorePen() override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Polyline(const DrawPoint* points, int count) override;
    void Lines(const DrawPoint* points, int lines) override;
    void DrawString(const char* text, int left, int top, int right, int bottom, uint32_t textColour,
                  uint32_t backColour) override;

    HDC GetDC() const { return m_hDC; }

private:
    enum { MaxPens = 4, MaxPoints = 256 };
    struct PenSelection {
        HPEN hPen;
        HGDIOBJ hOld;
        bool bOwned;  // made for this selection, deleted when it is undone
    };
    HDC m_hDC;
    CGdiObjectCache* m_pCache;
    PenSelection m_pens[MaxPens] = {};
    int m_nPens = 0;
};
