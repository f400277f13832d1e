// The colour tables of the drawing module, one per indexed bit count, shared by every
// decoder object; each decode sets the table it draws with.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "png/DeviceBitmap.h"

namespace dirsheet::png {

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

namespace CBitmap {

std::array<RgbQuad, 2>& Table1();
std::array<RgbQuad, 16>& Table4();
std::array<RgbQuad, 256>& Table8();

// The grey ramp alone, written into no table.
std::vector<Rgb> GreyRamp(long depth);

// The grey ramp of a bit depth: 2^depth entries (256 for 16 bits), entry i grey
// i * round(255 / (entries - 1)). Written into a table as the depth and flag say
// (depth 1 and 4 into the 8-bit table only when `into8BitTable`), and returned.
std::vector<Rgb> MakeGreyRamp(long depth, bool into8BitTable);

// 1-bit table: mode 0 white, black; mode 1 black, white; any other mode two blacks.
void SetMonoTable(int mode);

// Copy palette entries (3 bytes each, red, green, blue) into the 1-, 4- or 8-bit
// table; entries without a palette entry are black. The 1-bit table takes a palette of
// exactly two entries and is black, white otherwise.
void SetTableFromPalette1(const std::vector<uint8_t>& palette);
void SetTableFromPalette4(const std::vector<uint8_t>& palette);
void SetTableFromPalette8(const std::vector<uint8_t>& palette);

// The table the given bit count draws with, as a vector (empty above 8 bits).
std::vector<RgbQuad> TableFor(int bits);

}  // namespace CBitmap
}  // namespace dirsheet::png
