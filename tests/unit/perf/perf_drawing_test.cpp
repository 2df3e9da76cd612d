// Meters, graphs and grid, pixel by pixel, at the sizes of the page's controls (58 x 60 meters,
// 205 x 60 graphs).
#include "perf/PixelSurface.h"
#include <gtest/gtest.h>
#include <string.h>

namespace {

const int kMeterW = 58, kGraphW = 205, kH = 60;
const uint32_t kUntouched = 0x123456;

// Rows of the bar (x 10..47) that have the colour throughout.
int FullRows(const CPixelSurface& s, uint32_t colour)
{
    int rows = 0;
    for (int y = 0; y < kH; ++y)
        rows += s.Count(colour, 10, y, kMeterW - 10, y + 1) == kMeterW - 20 ? 1 : 0;
    return rows;
}

CPixelSurface CpuMeter(int cpu)
{
    CPixelSurface s(kMeterW, kH, kUntouched);
    DrawCpuMeter(s, kMeterW, kH, cpu);
    EXPECT_EQ(0, s.penSelections);
    return s;
}

TEST(Meter, FrameEdges)
{
    CPixelSurface s = CpuMeter(0);
    EXPECT_EQ(kFrameTopLeft, s.At(0, 0));
    EXPECT_EQ(kFrameTopLeft, s.At(kMeterW - 2, 0));
    EXPECT_EQ(kFrameTopLeft, s.At(0, kH - 2));
    EXPECT_EQ(kFrameBottomRight, s.At(kMeterW - 1, 0));
    EXPECT_EQ(kFrameBottomRight, s.At(0, kH - 1));
    EXPECT_EQ(kFrameBottomRight, s.At(kMeterW - 1, kH - 1));
    EXPECT_EQ(kUntouched, s.At(1, 1));
    EXPECT_EQ(kUntouched, s.At(kMeterW - 2, kH - 2));
}

TEST(Meter, CpuBarAtZeroOneNinetyNineAndHundred)
{
    for (int cpu : {0, 1}) {
        CPixelSurface s = CpuMeter(cpu);
        EXPECT_EQ(0, s.Count(kLit)) << cpu;
        EXPECT_EQ(38 * 33, s.Count(kUnlit, 10, 7, 48, 40)) << cpu;
        EXPECT_EQ(38 * 33, s.Count(kUnlit)) << cpu;
    }
    for (int cpu : {99, 100}) {
        CPixelSurface s = CpuMeter(cpu);
        EXPECT_EQ(33, FullRows(s, kLit)) << cpu;
        EXPECT_EQ(38 * 33, s.Count(kLit, 10, 7, 48, 40)) << cpu;
        EXPECT_EQ(0, s.Count(kUnlit)) << cpu;
    }
    CPixelSurface half = CpuMeter(50);  // 16 lit rows, 24..39
    EXPECT_EQ(16, FullRows(half, kLit));
    EXPECT_EQ(kLit, half.At(10, 24));
    EXPECT_EQ(kUnlit, half.At(47, 23));
    EXPECT_EQ(kUntouched, half.At(48, 30));
    EXPECT_EQ(kUntouched, half.At(10, 40));
}

TEST(Meter, CpuAboveHundredStaysInsideTheBar)
{
    CPixelSurface s = CpuMeter(250);
    EXPECT_EQ(33, FullRows(s, kLit));
    EXPECT_EQ(kUntouched, s.At(10, 6));
    EXPECT_EQ("  250%  ", s.texts.at(0).text);
}

TEST(Meter, TextPaddedCentredOnBlack)
{
    CPixelSurface s = CpuMeter(37);
    ASSERT_EQ(1u, s.texts.size());
    const CPixelSurface::TextCall& t = s.texts[0];
    EXPECT_EQ("  37%  ", t.text);
    EXPECT_EQ(2, t.left);
    EXPECT_EQ(2, t.top);
    EXPECT_EQ(kMeterW - 2, t.right);
    EXPECT_EQ(kH - 2, t.bottom);
    EXPECT_EQ(kLit, t.textColour);
    EXPECT_EQ(kBlack, t.backColour);
}

TEST(Meter, MemoryBarStandsForAllPhysicalMemory)
{
    CPixelSurface s(kMeterW, kH, kUntouched);
    DrawMemMeter(s, kMeterW, kH, 65536, 41287);  // 24249 K of 65536: 12 of 33 rows
    EXPECT_EQ("  24249K  ", s.texts.at(0).text);
    EXPECT_EQ(12, FullRows(s, kLit));
    EXPECT_EQ(kLit, s.At(10, 28));
    EXPECT_EQ(kUnlit, s.At(10, 27));
    EXPECT_EQ(21, FullRows(s, kUnlit));

    CPixelSurface full(kMeterW, kH, kUntouched);
    DrawMemMeter(full, kMeterW, kH, 65536, 0);
    EXPECT_EQ(33, FullRows(full, kLit));

    // A total smaller than the bar's 33 pixels: no scale, so nothing lit.
    CPixelSurface tiny(kMeterW, kH, kUntouched);
    DrawMemMeter(tiny, kMeterW, kH, 32, 0);
    EXPECT_EQ(0, tiny.Count(kLit));
    EXPECT_EQ(33, FullRows(tiny, kUnlit));
}

TEST(Grid, LinesEveryTenPixelsInsideTheFrame)
{
    CPixelSurface s(kGraphW, kH, kBlack);
    DrawGrid(s, kGraphW, kH);
    EXPECT_EQ(0, s.penSelections);
    // 20 columns (x = 10..200) of 58 pixels, 5 rows (y = 10..50) of 203, crossing 100 times.
    EXPECT_EQ(20 * 58 + 5 * 203 - 100, s.Count(kGridColour));
    EXPECT_EQ(kGridColour, s.At(10, 1));
    EXPECT_EQ(kGridColour, s.At(200, 58));
    EXPECT_EQ(kBlack, s.At(10, 59));
    EXPECT_EQ(kBlack, s.At(10, 0));
    EXPECT_EQ(kGridColour, s.At(1, 50));
    EXPECT_EQ(kGridColour, s.At(203, 10));
    EXPECT_EQ(kBlack, s.At(204, 10));
    EXPECT_EQ(kBlack, s.At(0, 10));
    EXPECT_EQ(kBlack, s.At(15, 15));

    // Lines stop short of the right and bottom edges even where they fall on a multiple of 10.
    CPixelSurface edge(211, 61, kBlack);
    DrawGrid(edge, 211, 61);
    EXPECT_EQ(0, edge.Count(kGridColour, 210, 0, 211, 61));
    EXPECT_EQ(0, edge.Count(kGridColour, 0, 60, 211, 61));
    EXPECT_EQ(kGridColour, edge.At(200, 59));
}

struct Graph {
    int history[kHistoryLength] = {};
    CPixelSurface s{kGraphW, kH, kUntouched};
    void Cpu(int cpu)
    {
        s = CPixelSurface(kGraphW, kH, kUntouched);
        DrawCpuGraph(s, kGraphW, kH, history, cpu);
        EXPECT_EQ(0, s.penSelections);
        EXPECT_EQ(2, s.lineCalls);  // the grid in one call, the curve in one
    }
    void Mem(int totalK, int availK)
    {
        s = CPixelSurface(kGraphW, kH, kUntouched);
        DrawMemGraph(s, kGraphW, kH, history, totalK, availK);
        EXPECT_EQ(0, s.penSelections);
        EXPECT_EQ(2, s.lineCalls);
    }
};

TEST(CpuGraph, NewSampleEntersAtTheRightEdge)
{
    Graph g;
    g.Cpu(100);  // 100 % stands 50 pixels above the inner bottom line y = 58
    EXPECT_EQ(100, g.history[199]);
    EXPECT_EQ(0, g.history[198]);
    EXPECT_EQ(kLit, g.s.At(200, 9));
    EXPECT_EQ(0, g.s.Count(kLit, 0, 0, 199, 58));  // older samples lie on the bottom line
    EXPECT_EQ(199, g.s.Count(kLit, 1, 58, 200, 59));
    // Background, frame and grid around the curve.
    EXPECT_EQ(kBlack, g.s.At(5, 5));
    EXPECT_EQ(kGridColour, g.s.At(10, 30));
    EXPECT_EQ(kFrameTopLeft, g.s.At(0, 0));
    EXPECT_EQ(kFrameBottomRight, g.s.At(204, 59));
}

TEST(CpuGraph, ScrollsOnePixelPerRefresh)
{
    Graph g;
    g.Cpu(100);
    for (int i = 0; i < 40; ++i)
        g.Cpu(0);
    EXPECT_EQ(100, g.history[159]);
    EXPECT_EQ(kLit, g.s.At(160, 8));  // the spike, 40 pixels left of x = 200
    EXPECT_NE(kLit, g.s.At(161, 8));
    EXPECT_NE(kLit, g.s.At(159, 8));
}

TEST(CpuGraph, InitialZerosGoneAfterTwoHundredRefreshes)
{
    Graph g;
    for (int i = 0; i < 199; ++i)
        g.Cpu(60);
    EXPECT_GT(g.s.Count(kLit, 1, 58, 201, 59), 0);  // one initial zero left
    g.Cpu(60);
    EXPECT_EQ(0, g.s.Count(kLit, 1, 58, 201, 59));
    EXPECT_EQ(199, g.s.Count(kLit, 1, 28, 200, 29));  // 60 % is 30 pixels up
}

TEST(CpuGraph, OnePercentDrawsOnTheBottomLine)
{
    Graph one;
    Graph two;
    for (int i = 0; i < kHistoryLength; ++i) {
        one.Cpu(1);
        two.Cpu(2);
    }
    EXPECT_EQ(199, one.s.Count(kLit, 0, 58, kGraphW, 59));
    EXPECT_EQ(0, one.s.Count(kLit, 0, 57, kGraphW, 58));
    EXPECT_EQ(199, two.s.Count(kLit, 0, 57, kGraphW, 58));
}

TEST(MemGraph, SamplesKeepTheHeightOfTheirOwnRefresh)
{
    Graph g;
    g.Mem(58000, 29000);  // scale 1000 K a pixel: 29 pixels
    EXPECT_EQ(29, g.history[199]);
    g.Mem(116000, 87000);  // the same use at 2000 K a pixel: 14; the earlier sample stays 29
    EXPECT_EQ(29, g.history[198]);
    EXPECT_EQ(14, g.history[199]);
    EXPECT_EQ(kLit, g.s.At(199, 58 - 29));
    EXPECT_EQ(kLit, g.s.At(200, 58 - 15));
    g.Mem(50, 0);  // a total below the graph's 58 pixels: no scale, height 0
    EXPECT_EQ(0, g.history[199]);
    EXPECT_EQ(14, g.history[198]);
}

TEST(MemGraph, SampleHeightArithmetic)
{
    EXPECT_EQ(21, MemSampleHeight(58, 65536, 41287));  // scale 1129: 24249 / 1129 = 21.48
    EXPECT_EQ(58, MemSampleHeight(58, 65536, 0));
    EXPECT_EQ(0, MemSampleHeight(58, 57, 0));
    EXPECT_EQ(0, MemSampleHeight(0, 65536, 0));
}

}  // namespace
