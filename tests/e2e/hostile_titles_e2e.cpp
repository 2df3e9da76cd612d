// Hostile window titles on the Applications page: longer than the 1024-byte title buffer, at its
// edge, cut inside a double-byte character, and holding byte sequences that are not valid GBK.
// Each window is listed once with the beginning of its title, gets its status from the hang
// check, follows a retitle, and leaves when closed; the program stays up throughout.
#include "apps_e2e_util.h"
#include "hostile_util.h"
#include <stdio.h>

using namespace apps_e2e;

namespace {

std::string Hex(const std::string& bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

std::string Repeat(const std::string& unit, size_t count)
{
    std::string s;
    for (size_t i = 0; i < count; ++i)
        s += unit;
    return s;
}

std::string Fill(const std::string& head, size_t bytes, char fill)
{
    return head + std::string(bytes - head.size(), fill);
}

// The title as the system gives it to any reader.
std::string SystemTitle(HWND h)
{
    std::vector<char> buf(8192, '\0');
    GetWindowTextA(h, buf.data(), static_cast<int>(buf.size()));
    return buf.data();
}

int RowsOf(HWND list, HWND h)
{
    int n = 0;
    for (const std::string& cell : ListColumn(list, 2))
        n += cell == HandleText(h);
    return n;
}

const char kChang[] = "\xB3\xA4";  // 长, two bytes in GBK

struct Title {
    const char* label;
    std::string bytes;
};

std::vector<Title> Titles()
{
    return {
        {"1500 bytes", Fill("Hostile long ", 1500, 'L')},
        {"1023 bytes", Fill("Hostile 1023 ", 1023, 'c')},
        {"1024 bytes", Fill("Hostile 1024 ", 1024, 'd')},
        {"1025 bytes", Fill("Hostile 1025 ", 1025, 'e')},
        {"double-byte text cut at 1023", "a" + Repeat(kChang, 750)},
        {"double-byte text cut at 99", "b" + Repeat(kChang, 50)},
        {"invalid GBK", std::string("Hostile bad \x81\x20 mid \xFF\xFE\x80 end \xB0")},
        {"lone lead byte", std::string("\x81")},
    };
}

}  // namespace

E2E_TEST(HostileTitlesAreListedOnceRetitledAndRemoved)
{
    UnmanagedWindows unmanaged;
    // A first start shows the Applications page, the only one whose list is kept current.
    ResetKorvaneRegistry();
    Korvane k;
    HWND hMain = k.StartReady();
    CHECK_TRUE(hMain);
    HWND hList = GetDlgItem(AppsPage(hMain), 1001);
    CHECK_TRUE(hList);

    std::vector<Title> titles = Titles();
    std::string args;
    for (const Title& t : titles)
        args += " x:" + Hex(t.bytes);
    TestWindows test(args);
    CHECK_TRUE(test.Process());
    std::vector<HWND> windows;
    EXPECT_TRUE(test.WaitShown([&] {
        windows.clear();
        for (HWND h : TopLevelWindows(test.Pid())) {
            if (IsWindowVisible(h) && !GetWindow(h, GW_OWNER))
                windows.push_back(h);
        }
        return windows.size() >= titles.size();
    }));
    EXPECT_EQ(windows.size(), titles.size());
    const DWORD pid = test.Pid();

    // Wine keeps titles in UTF-16: bytes that are no GBK text do not reach it as they were, and a
    // lone lead byte leaves an empty title, which is never listed.
    std::vector<HWND> titled;
    for (HWND h : windows) {
        if (!SystemTitle(h).empty())
            titled.push_back(h);
    }
    EXPECT_EQ(titled.size(), titles.size() - 1);
    for (HWND h : titled)
        EXPECT_TRUE(WaitUntil([&] { return FindRow(hList, h) >= 0; }, 5000));
    // A hang-check pass and some refresh passes.
    EXPECT_TRUE(WaitUntil([&] {
        for (HWND h : titled) {
            if (StatusOf(hList, h) != kRunning)
                return false;
        }
        return true;
    }, 8000, 200));
    Sleep(1500);

    for (HWND h : windows) {
        std::string system = SystemTitle(h);
        printf("    window %s: title of %u bytes\n", HandleText(h).c_str(), static_cast<unsigned>(system.size()));
        if (system.empty()) {
            EXPECT_EQ(FindRow(hList, h), -1);
            continue;
        }
        EXPECT_EQ(RowsOf(hList, h), 1);
        int row = FindRow(hList, h);
        if (!EXPECT_TRUE(row >= 0))
            continue;
        std::string cell = ListCell(hList, row, 0);
        EXPECT_FALSE(cell.empty());
        EXPECT_TRUE(cell.size() >= std::min<size_t>(system.size(), 99));
        EXPECT_STREQ(system.substr(0, cell.size()), cell);
        EXPECT_STREQ(ListCell(hList, row, 3), std::to_string(static_cast<int>(pid)));
    }

    // A retitle to a long title with a cut lead byte: the shown text follows.
    if (!titled.empty()) {
        HWND h = titled[0];
        const std::string retitle = Fill("Retitled ", 1400, 'r') + "\xB0";
        DWORD_PTR r = 0;
        EXPECT_TRUE(SendMessageTimeoutA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(retitle.c_str()), SMTO_NORMAL, 5000,
                                        &r));
        EXPECT_TRUE(WaitUntil([&] {
            int row = FindRow(hList, h);
            return row >= 0 && ListCell(hList, row, 0).compare(0, 9, "Retitled ") == 0;
        }, 5000));
        EXPECT_EQ(RowsOf(hList, h), 1);
    }
    EXPECT_TRUE(hostile::StaysUp(k, 500));

    test.End();
    EXPECT_TRUE(WaitUntil([&] {
        for (HWND h : windows) {
            if (FindRow(hList, h) >= 0)
                return false;
        }
        return true;
    }, 15000, 200));
    EXPECT_TRUE(hostile::StaysUp(k, 300));
    EXPECT_TRUE(k.Exit());
    EXPECT_EQ(k.ExitCode(), 0u);
}
