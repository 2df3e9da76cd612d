// Where the cover goes: over every monitor where the system knows the virtual screen.
#pragma once

struct ScreenArea {
    int x, y, cx, cy;
};

// The virtual screen (98, ME: the bounding rectangle of every monitor, which may start left of
// or above the primary screen), or the primary screen at (0, 0) where the system reports no
// virtual screen (95 answers 0 for its metrics).
ScreenArea CoverArea(const ScreenArea& virtualScreen, int cxPrimary, int cyPrimary);
