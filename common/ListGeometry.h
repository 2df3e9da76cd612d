// Where the rows of a report-view list lie: the row under a point, found from the rows' geometry
// (for list controls without full-row select, which hit-test only the first column's label).
#pragma once

struct ListRowGeometry {
    int left;       // left and right edge of a row (all columns), client coordinates
    int right;
    int topIndex;   // the first visible row
    int topY;       // the top edge of that row
    int rowHeight;  // every row's height
    int rowCount;
};

// Index of the row under (x, y), or -1 when the point is above the rows, beside them or below
// the last one.
int ListRowAt(const ListRowGeometry& g, int x, int y);
