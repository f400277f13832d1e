// The colour tables of an indexed device bitmap, one per indexed bit count. Each decode
// has its own set and hands the one it draws with on with the image.
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

// The grey ramp of a bit depth: 2^depth entries (256 for 16 bits), entry i grey
// i * round(255 / (entries - 1)), ties to even. Empty for depths outside 1 to 16.
std::vector<Rgb> GreyRamp(long depth);

class ColourTables {
 public:
  // Writes the grey ramp into a table as the depth and flag say (depth 1 and 4 into the
  // 8-bit table only when `into8BitTable`; depth 2 and 8 into the 8-bit table; 16 into
  // none) and returns it.
  std::vector<Rgb> MakeGreyRamp(long depth, bool into8BitTable);

  // 1-bit table: mode 0 white, black; mode 1 black, white; any other mode two blacks.
  void SetMonoTable(int mode);

  // Copy palette entries (3 bytes each, red, green, blue) into the 1-, 4- or 8-bit
  // table; entries without a palette entry are black. The 1-bit table takes a palette
  // of exactly two entries and is black, white otherwise.
  void SetTableFromPalette1(const std::vector<uint8_t>& palette);
  void SetTableFromPalette4(const std::vector<uint8_t>& palette);
  void SetTableFromPalette8(const std::vector<uint8_t>& palette);

  // The table the given bit count draws with (empty above 8 bits).
  std::vector<RgbQuad> TableFor(int bits) const;

 private:
  std::array<RgbQuad, 2> table1_{};
  std::array<RgbQuad, 16> table4_{};
  std::array<RgbQuad, 256> table8_{};
};

}  // namespace dirsheet::png
