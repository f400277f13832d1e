#include "png/ColourTables.h"

#include <algorithm>
#include <cmath>

namespace dirsheet::png {

namespace {

RgbQuad Quad(uint8_t r, uint8_t g, uint8_t b) {
  RgbQuad q;
  q.red = r;
  q.green = g;
  q.blue = b;
  return q;
}

template <size_t N>
void FromPalette(std::array<RgbQuad, N>& table, const std::vector<uint8_t>& palette) {
  // A table is rebuilt whole: entries the palette does not reach are black.
  table.fill(RgbQuad{});
  const size_t entries = std::min(N, palette.size() / 3);
  for (size_t i = 0; i < entries; ++i)
    table[i] = Quad(palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]);
}

template <size_t N>
void WriteRamp(std::array<RgbQuad, N>& table, const std::vector<Rgb>& ramp) {
  table.fill(RgbQuad{});
  for (size_t i = 0; i < ramp.size() && i < N; ++i)
    table[i] = Quad(ramp[i].red, ramp[i].green, ramp[i].blue);
}

}  // namespace

std::vector<Rgb> GreyRamp(long depth) {
  if (depth < 1 || depth > 16) return {};
  const size_t entries = depth >= 8 ? 256 : size_t{1} << depth;
  const int step = static_cast<int>(std::nearbyint(255.0 / static_cast<double>(entries - 1)));
  std::vector<Rgb> ramp(entries);
  for (size_t i = 0; i < entries; ++i) {
    const uint8_t v = static_cast<uint8_t>(i * static_cast<size_t>(step));
    ramp[i] = Rgb{v, v, v};
  }
  return ramp;
}

std::vector<Rgb> ColourTables::MakeGreyRamp(long depth, bool into8BitTable) {
  std::vector<Rgb> ramp = GreyRamp(depth);
  switch (depth) {
    case 1:
      if (into8BitTable) WriteRamp(table8_, ramp);
      break;
    case 2:
    case 8:
      WriteRamp(table8_, ramp);
      break;
    case 4:
      if (into8BitTable)
        WriteRamp(table8_, ramp);
      else
        WriteRamp(table4_, ramp);
      break;
    default:
      break;
  }
  return ramp;
}

void ColourTables::SetMonoTable(int mode) {
  if (mode == 0) {
    table1_[0] = Quad(255, 255, 255);
    table1_[1] = Quad(0, 0, 0);
  } else if (mode == 1) {
    table1_[0] = Quad(0, 0, 0);
    table1_[1] = Quad(255, 255, 255);
  } else {
    table1_[0] = table1_[1] = Quad(0, 0, 0);
  }
}

void ColourTables::SetTableFromPalette1(const std::vector<uint8_t>& palette) {
  if (palette.size() / 3 == 2)
    FromPalette(table1_, palette);
  else
    SetMonoTable(1);
}
void ColourTables::SetTableFromPalette4(const std::vector<uint8_t>& palette) {
  FromPalette(table4_, palette);
}
void ColourTables::SetTableFromPalette8(const std::vector<uint8_t>& palette) {
  FromPalette(table8_, palette);
}

std::vector<RgbQuad> ColourTables::TableFor(int bits) const {
  switch (bits) {
    case 1:
      return {table1_.begin(), table1_.end()};
    case 4:
      return {table4_.begin(), table4_.end()};
    case 8:
      return {table8_.begin(), table8_.end()};
    default:
      return {};
  }
}

}  // namespace dirsheet::png
