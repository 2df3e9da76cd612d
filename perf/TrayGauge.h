// The notification-area CPU gauge: the level of a percentage, its icon resource, its tip, and
// the pixels of the eleven 16 x 16 level icons.
#pragma once
#include <stdint.h>

enum {
    kTrayIconFirst = 132,  // icon resource of level 0; level n is 132 + n
    kTrayLevels = 11,
    kTrayIconSize = 16,
    kTrayTipSize = 64,  // the tip field of the notification-area record
};

// The level, 0..10, of a CPU percentage: tens of percent, truncated; above 100 % it stays 10.
int TrayLevel(int cpu);
// The icon resource of a CPU percentage: 132 + level.
int TrayIconId(int cpu);
// "CPU占用: N%" of the percentage as read, into buf (at most cap bytes, terminated).
void FormatTrayTip(char* buf, int cap, int cpu);

// The colour (0x00BBGGRR) of pixel (x, y) of the level's icon; false where the icon is
// transparent. A sunken box with 11 rows inside, lit from the bottom up.
bool TrayIconPixel(int level, int x, int y, uint32_t* colour);
