// The tray gauge's levels, tip and icon pixels.
#include "perf/TrayGauge.h"
#include "perf/PerfDrawing.h"
#include <stdio.h>

int TrayLevel(int cpu)
{
    if (cpu < 0)
        return 0;
    int level = cpu / 10;
    return level > kTrayLevels - 1 ? kTrayLevels - 1 : level;
}

int TrayIconId(int cpu)
{
    return kTrayIconFirst + TrayLevel(cpu);
}

void FormatTrayTip(char* buf, int cap, int cpu)
{
    if (cap <= 0)
        return;
    snprintf(buf, static_cast<size_t>(cap), "CPU占用: %d%%", cpu);
}

namespace {
const uint32_t kGrey = Rgb(128, 128, 128);
const uint32_t kWhite = Rgb(255, 255, 255);
const int kBoxLeft = 2, kBoxRight = 13, kBoxTop = 1, kBoxBottom = 13;
const int kBottomRow = 12;

// Rows lit from the bottom: level n lights n rows, and the last level all eleven.
int LitRows(int level)
{
    return level >= kTrayLevels - 1 ? kTrayLevels : level;
}
}  // namespace

bool TrayIconPixel(int level, int x, int y, uint32_t* colour)
{
    if (x < 0 || y < 0 || x >= kTrayIconSize || y >= kTrayIconSize)
        return false;
    if ((y == kBoxTop && x >= kBoxLeft && x <= kBoxRight - 1) || (x == kBoxLeft && y >= kBoxTop && y <= kBoxBottom)) {
        *colour = kGrey;
        return true;
    }
    if ((x == kBoxRight && y >= kBoxTop && y <= kBoxBottom) || (y == kBoxBottom && x >= kBoxLeft + 1 && x <= kBoxRight)) {
        *colour = kWhite;
        return true;
    }
    if (x <= kBoxLeft || x >= kBoxRight || y <= kBoxTop || y >= kBoxBottom)
        return false;
    if (y > kBottomRow - LitRows(level)) {
        *colour = kLit;
    } else if (y % 2 == 0) {
        *colour = x % 2 == 1 ? kBlack : kUnlit;  // black at odd x, dark green at even x
    } else {
        *colour = kUnlit;
    }
    return true;
}
