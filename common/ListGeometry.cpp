// The row under a point of a report-view list (see ListGeometry.h).
#include "common/ListGeometry.h"

int ListRowAt(const ListRowGeometry& g, int x, int y)
{
    if (g.rowHeight <= 0 || g.topIndex < 0 || x < g.left || x >= g.right || y < g.topY)
        return -1;
    int offset = (y - g.topY) / g.rowHeight;
    if (offset >= g.rowCount - g.topIndex)
        return -1;
    return g.topIndex + offset;
}
