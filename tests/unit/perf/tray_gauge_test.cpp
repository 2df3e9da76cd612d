// The tray gauge: levels, tip, the icons' pixel rules, and the committed res/cpu*.ico files.
#include "perf/PerfDrawing.h"
#include "perf/TrayGauge.h"
#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include <vector>

namespace {

const uint32_t kGrey = Rgb(128, 128, 128);
const uint32_t kWhite = Rgb(255, 255, 255);
const uint32_t kNone = 0xFFFFFFFF;  // transparent

uint32_t Pixel(int level, int x, int y)
{
    uint32_t c;
    return TrayIconPixel(level, x, y, &c) ? c : kNone;
}

TEST(TrayLevel, LevelIconAndTip)
{
    struct Case {
        int cpu, icon;
        const char* tip;
    } cases[] = {
        {0, 132, "CPU占用: 0%"},   {9, 132, "CPU占用: 9%"},     {10, 133, "CPU占用: 10%"},
        {99, 141, "CPU占用: 99%"}, {100, 142, "CPU占用: 100%"}, {101, 142, "CPU占用: 101%"},
        {250, 142, "CPU占用: 250%"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.icon, TrayIconId(c.cpu)) << c.cpu;
        char tip[kTrayTipSize];
        FormatTrayTip(tip, sizeof tip, c.cpu);
        EXPECT_STREQ(c.tip, tip);
    }
    EXPECT_EQ(0, TrayLevel(-5));
    char small[6];
    FormatTrayTip(small, sizeof small, 100);
    EXPECT_EQ(5u, std::string(small).size());  // cut, still terminated
}

TEST(TrayIcon, SunkenBoxAndTransparentSurroundings)
{
    for (int level = 0; level < kTrayLevels; ++level) {
        EXPECT_EQ(kGrey, Pixel(level, 2, 1));
        EXPECT_EQ(kGrey, Pixel(level, 12, 1));
        EXPECT_EQ(kGrey, Pixel(level, 2, 13));
        EXPECT_EQ(kWhite, Pixel(level, 13, 1));
        EXPECT_EQ(kWhite, Pixel(level, 13, 13));
        EXPECT_EQ(kWhite, Pixel(level, 3, 13));
        for (int i = 0; i < kTrayIconSize; ++i) {
            EXPECT_EQ(kNone, Pixel(level, i, 0));
            EXPECT_EQ(kNone, Pixel(level, i, 14));
            EXPECT_EQ(kNone, Pixel(level, i, 15));
            EXPECT_EQ(kNone, Pixel(level, 0, i));
            EXPECT_EQ(kNone, Pixel(level, 1, i));
            EXPECT_EQ(kNone, Pixel(level, 14, i));
            EXPECT_EQ(kNone, Pixel(level, 15, i));
        }
    }
}

TEST(TrayIcon, RowsLightFromTheBottom)
{
    for (int level = 0; level < kTrayLevels; ++level) {
        int lit = level == 10 ? 11 : level;
        for (int y = 2; y <= 12; ++y) {
            bool rowLit = y >= 13 - lit;
            for (int x = 3; x <= 12; ++x) {
                uint32_t expected = rowLit ? kLit : (y % 2 == 1 || x % 2 == 0) ? kUnlit : kBlack;
                EXPECT_EQ(expected, Pixel(level, x, y)) << "level " << level << " at " << x << "," << y;
            }
        }
    }
}

// The repository root, from this file's path (tests/unit/perf/).
std::string RepoFile(const std::string& relative)
{
    std::string here = __FILE__;
    return here.substr(0, here.rfind("/tests/unit/perf/")) + "/" + relative;
}

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::vector<unsigned char> data;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return data;
    unsigned char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        data.insert(data.end(), buf, buf + n);
    fclose(f);
    return data;
}

unsigned U16(const std::vector<unsigned char>& d, size_t at) { return d.at(at) | (d.at(at + 1) << 8); }
uint32_t U32(const std::vector<unsigned char>& d, size_t at) { return U16(d, at) | (U16(d, at + 2) << 16); }

TEST(TrayIconFiles, CommittedIconsMatchThePixelRules)
{
    for (int level = 0; level < kTrayLevels; ++level) {
        std::vector<unsigned char> d = ReadFile(RepoFile("res/cpu" + std::to_string(level) + ".ico"));
        ASSERT_FALSE(d.empty()) << "res/cpu" << level << ".ico";
        // One 16 x 16 image in 16 colours.
        ASSERT_EQ(0u, U16(d, 0));
        ASSERT_EQ(1u, U16(d, 2));
        ASSERT_EQ(1u, U16(d, 4));
        ASSERT_EQ(16, d.at(6));
        ASSERT_EQ(16, d.at(7));
        ASSERT_EQ(16, d.at(8));
        size_t img = U32(d, 18);
        ASSERT_EQ(40u, U32(d, img));
        ASSERT_EQ(16u, U32(d, img + 4));
        ASSERT_EQ(32u, U32(d, img + 8));
        ASSERT_EQ(4u, U16(d, img + 14));
        ASSERT_EQ(0u, U32(d, img + 16));
        size_t palette = img + 40;
        size_t xorBits = palette + 16 * 4;
        size_t andBits = xorBits + 16 * 8;
        ASSERT_EQ(andBits + 16 * 4, d.size());
        for (int y = 0; y < 16; ++y) {
            int row = 15 - y;  // bottom-up
            for (int x = 0; x < 16; ++x) {
                bool transparent = (d[andBits + row * 4 + x / 8] >> (7 - x % 8)) & 1;
                int index = (d[xorBits + row * 8 + x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
                size_t p = palette + index * 4;
                uint32_t colour = Rgb(d[p + 2], d[p + 1], d[p]);
                uint32_t expected = Pixel(level, x, y);
                if (expected == kNone) {
                    EXPECT_TRUE(transparent && colour == kBlack) << "level " << level << " at " << x << "," << y;
                } else {
                    EXPECT_FALSE(transparent) << "level " << level << " at " << x << "," << y;
                    EXPECT_EQ(expected, colour) << "level " << level << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(TrayIconFiles, ResourceScriptNamesThemInOrder)
{
    std::vector<unsigned char> rc = ReadFile(RepoFile("res/cpu_icons.rc"));
    std::string text(rc.begin(), rc.end());
    for (int level = 0; level < kTrayLevels; ++level) {
        std::string line = std::to_string(132 + level) + " ICON \"cpu" + std::to_string(level) + ".ico\"";
        EXPECT_NE(std::string::npos, text.find(line)) << line;
    }
}

}  // namespace
