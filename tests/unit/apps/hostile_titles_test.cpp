// Hostile window titles in the Applications page's refresh pass: longer than the title buffer,
// double-byte text cut around the cell buffer, bytes that are no valid GBK. Each window keeps one
// row, a steady title is not rewritten, and the rows go with their windows.
#include "apps/MemoryTopWindows.h"
#include "apps/TaskList.h"
#include "common/MemoryListRows.h"
#include <gtest/gtest.h>
#include <string>

namespace {

std::string Repeat(const std::string& unit, size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += unit;
    return s;
}

const char kChang[] = "\xB3\xA4";  // 长 in GBK

class HostileTitlesTest : public ::testing::Test {
protected:
    MemoryListRows rows;
    MemoryTopWindows windows;
    MemoryIconImages images;
    CTaskList list{rows, windows, images};

    int RowsOf(WindowHandle h) const
    {
        int n = 0;
        for (int i = 0; i < rows.GetCount(); ++i)
            n += ReadRowNumber(rows, i, kColHandle) == h;
        return n;
    }
};

TEST_F(HostileTitlesTest, EachWindowGetsOneSteadyRowWhateverItsTitle)
{
    const std::vector<std::string> titles = {
        std::string(5000, 'L'),                              // past the title buffer
        std::string(1023, 'c'),                              // the most it holds
        std::string(1024, 'd'),
        "a" + Repeat(kChang, 49),                            // 99 bytes: the whole cell
        "b" + Repeat(kChang, 50),                            // the cell cuts inside a character
        Repeat(kChang, 600),                                 // the title buffer cuts inside one
        std::string("bad \x81\x20 \xFF\xFE\x80 \xB0"),       // no valid GBK
        std::string("\x80"),
    };
    for (size_t i = 0; i < titles.size(); ++i)
        windows.Add(static_cast<WindowHandle>(100 + i), titles[i]);
    list.RefreshWindowList();
    ASSERT_EQ(rows.GetCount(), static_cast<int>(titles.size()));
    for (size_t i = 0; i < titles.size(); ++i) {
        SCOPED_TRACE(i);
        WindowHandle h = static_cast<WindowHandle>(100 + i);
        EXPECT_EQ(RowsOf(h), 1);
        int row = FindWindowRow(rows, h);
        ASSERT_GE(row, 0);
        // The row holds the title as far as the title buffer reads it.
        EXPECT_EQ(rows.Cell(row, kColTitle), titles[i].substr(0, kTitleCap - 1));
    }

    int writes = rows.cellWrites;
    for (int pass = 0; pass < 3; ++pass)
        list.RefreshWindowList();
    EXPECT_EQ(rows.cellWrites, writes);
    EXPECT_EQ(rows.GetCount(), static_cast<int>(titles.size()));

    for (size_t i = 0; i < titles.size(); ++i)
        windows.Destroy(static_cast<WindowHandle>(100 + i));
    for (size_t pass = 0; pass < titles.size(); ++pass)
        list.RefreshWindowList();
    EXPECT_EQ(rows.GetCount(), 0);
}

TEST_F(HostileTitlesTest, ChangeInsideTheComparedBytesIsWrittenPastThemIsNot)
{
    const std::string title = "b" + Repeat(kChang, 600);
    windows.Add(7, title);
    list.RefreshWindowList();
    int writes = rows.cellWrites;

    // A change beyond the bytes that the title buffer reads cannot be seen.
    windows.Find(7)->title = title.substr(0, 1100) + "changed";
    list.RefreshWindowList();
    EXPECT_EQ(rows.cellWrites, writes);

    // A change in the first double-byte character is.
    windows.Find(7)->title = "b\xB6\xCC" + title.substr(3);  // 短
    list.RefreshWindowList();
    EXPECT_EQ(rows.Cell(0, kColTitle), windows.Find(7)->title.substr(0, kTitleCap - 1));
    EXPECT_EQ(RowsOf(7), 1);
}

// A title longer than a list cell's usual 100 bytes follows the same rule as a short one: a
// change after its 99th byte is shown, a shrink to its own beginning is not, and a steady one is
// never rewritten.
TEST_F(HostileTitlesTest, LongTitleChangesAfterItsHundredthByteAreShown)
{
    const std::string stem = "Long " + std::string(140, 'x');
    windows.Add(9, stem + " one");
    list.RefreshWindowList();
    windows.Find(9)->title = stem + " two";
    list.RefreshWindowList();
    EXPECT_EQ(rows.Cell(0, kColTitle), stem + " two");
    int writes = rows.cellWrites;
    list.RefreshWindowList();
    EXPECT_EQ(rows.cellWrites, writes);
    windows.Find(9)->title = stem;
    list.RefreshWindowList();
    EXPECT_EQ(rows.Cell(0, kColTitle), stem + " two");
    EXPECT_EQ(rows.cellWrites, writes);
}

}  // namespace
