// The common-controls version of the system, checked once at start-up, and the fallback for list
// controls on comctl32 4.00 (the first Windows 95), which has no full-row select.
#pragma once
#include <windows.h>

// Reads the version of the loaded comctl32; called once before the first window is made.
void DetectCommonControls();
// True when list controls can select a row by a click on any of its cells (comctl32 4.70 and later).
bool HasFullRowSelect();
// Without full-row select: selects and focuses the row under the last click (NM_CLICK, NM_RCLICK)
// when the list control itself did not, so that a click on any cell selects its row.
void SelectClickedRow(HWND hList);
