// Writes the eleven CPU gauge icons of the notification area, cpu0.ico (0-9 %) to cpu10.ico
// (100 %), from the gauge's pixel rules: 16 x 16 pixels in 16 colours, transparent outside the box.
// Usage: make_cpu_icons <folder>   (the repository's res/ folder; res/cpu_icons.rc names them)
#include "perf/TrayGauge.h"
#include <stdint.h>
#include <stdio.h>
#include <vector>

namespace {

// The 16-colour palette every Windows 9x display has, as (r, g, b).
const uint8_t kPalette[16][3] = {
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},   {0, 0, 128},   {128, 0, 128},
    {0, 128, 128},   {192, 192, 192}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};

int PaletteIndex(uint32_t colour)
{
    for (int i = 0; i < 16; ++i) {
        uint32_t c = kPalette[i][0] | (kPalette[i][1] << 8) | (kPalette[i][2] << 16);
        if (c == colour)
            return i;
    }
    return -1;
}

void Put16(std::vector<uint8_t>& out, unsigned v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// One .ico file holding one 16 x 16, 4-bit image with its transparency mask. false when a
// pixel's colour is not in the palette.
bool EncodeIcon(int level, std::vector<uint8_t>& out)
{
    const int n = kTrayIconSize;
    const uint32_t xorBytes = n * n / 2;          // 8 bytes a row
    const uint32_t andBytes = n * 4;              // 16 bits padded to 32 a row
    const uint32_t imageBytes = 40 + 16 * 4 + xorBytes + andBytes;

    Put16(out, 0);  // icon directory: reserved, type 1 (icon), one image
    Put16(out, 1);
    Put16(out, 1);
    out.push_back(n);  // directory entry
    out.push_back(n);
    out.push_back(16);  // colours
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, 4);  // bits per pixel
    Put32(out, imageBytes);
    Put32(out, 6 + 16);

    Put32(out, 40);  // BITMAPINFOHEADER; the height counts the image and its mask
    Put32(out, n);
    Put32(out, 2 * n);
    Put16(out, 1);
    Put16(out, 4);
    Put32(out, 0);
    Put32(out, xorBytes + andBytes);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 16);
    Put32(out, 0);
    for (const uint8_t* rgb : kPalette) {
        out.push_back(rgb[2]);
        out.push_back(rgb[1]);
        out.push_back(rgb[0]);
        out.push_back(0);
    }

    std::vector<uint8_t> mask;
    for (int y = n - 1; y >= 0; --y) {  // rows bottom-up
        uint8_t maskRow[4] = {};
        for (int x = 0; x < n; x += 2) {
            int pair[2];
            for (int k = 0; k < 2; ++k) {
                uint32_t colour;
                if (TrayIconPixel(level, x + k, y, &colour)) {
                    pair[k] = PaletteIndex(colour);
                    if (pair[k] < 0)
                        return false;
                } else {
                    pair[k] = 0;  // black under a set mask bit: transparent
                    maskRow[(x + k) / 8] |= static_cast<uint8_t>(0x80 >> ((x + k) % 8));
                }
            }
            out.push_back(static_cast<uint8_t>((pair[0] << 4) | pair[1]));
        }
        mask.insert(mask.end(), maskRow, maskRow + 4);
    }
    out.insert(out.end(), mask.begin(), mask.end());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    for (int level = 0; level < kTrayLevels; ++level) {
        std::vector<uint8_t> icon;
        if (!EncodeIcon(level, icon)) {
            fprintf(stderr, "level %d: a colour outside the 16-colour palette\n", level);
            return 1;
        }
        char path[1024];
        snprintf(path, sizeof path, "%s/cpu%d.ico", argv[1], level);
        FILE* f = fopen(path, "wb");
        if (!f || fwrite(icon.data(), 1, icon.size(), f) != icon.size() || fclose(f) != 0) {
            fprintf(stderr, "cannot write %s\n", path);
            return 1;
        }
    }
    return 0;
}
