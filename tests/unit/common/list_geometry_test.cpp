// The row under a click in a list control without full-row select.
#include "common/ListGeometry.h"
#include <gtest/gtest.h>

TEST(ListRowAt, FindsTheRowFromAnyColumn)
{
    // Rows of 17 pixels from y = 20 (under a header), scrolled to row 3 of 10, columns 0..300.
    ListRowGeometry g = {0, 300, 3, 20, 17, 10};
    EXPECT_EQ(ListRowAt(g, 0, 20), 3);
    EXPECT_EQ(ListRowAt(g, 299, 36), 3);
    EXPECT_EQ(ListRowAt(g, 150, 37), 4);
    EXPECT_EQ(ListRowAt(g, 150, 20 + 6 * 17 + 16), 9);
}

TEST(ListRowAt, NothingOutsideTheRows)
{
    ListRowGeometry g = {0, 300, 3, 20, 17, 10};
    EXPECT_EQ(ListRowAt(g, 150, 19), -1);              // the header
    EXPECT_EQ(ListRowAt(g, 150, 20 + 7 * 17), -1);     // below the last row
    EXPECT_EQ(ListRowAt(g, 300, 30), -1);              // right of the last column
    EXPECT_EQ(ListRowAt(g, -1, 30), -1);
    ListRowGeometry empty = {0, 300, 0, 20, 17, 0};
    EXPECT_EQ(ListRowAt(empty, 10, 25), -1);
    ListRowGeometry flat = {0, 300, 0, 20, 0, 5};
    EXPECT_EQ(ListRowAt(flat, 10, 25), -1);
}
