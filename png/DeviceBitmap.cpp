#include "png/DeviceBitmap.h"

#include <cstdlib>

namespace dirsheet::png {

size_t AlignedRowBytes(long width, int bits) {
  return static_cast<size_t>((static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) /
                             32 * 4);
}

BitmapInfoHeader DescribeDeviceBitmap(long width, long height, int bits, bool topRowFirst) {
  BitmapInfoHeader h;
  h.biWidth = static_cast<int32_t>(width);
  h.biHeight = static_cast<int32_t>(topRowFirst ? -height : height);
  h.biBitCount = static_cast<uint16_t>(bits);
  return h;
}

std::vector<uint8_t> DeviceBitmapToRgb(const DeviceBitmap& bitmap) {
  const BitmapInfoHeader& h = bitmap.header;
  const long width = h.biWidth, height = std::labs(h.biHeight);
  const int bits = h.biBitCount;
  const size_t stride = AlignedRowBytes(width, bits);
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  if (bitmap.pixels.size() < stride * static_cast<size_t>(height)) return rgb;
  for (long y = 0; y < height; ++y) {
    const long srcRow = h.biHeight < 0 ? y : height - 1 - y;
    const uint8_t* row = bitmap.pixels.data() + stride * static_cast<size_t>(srcRow);
    uint8_t* out = rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3;
    for (long x = 0; x < width; ++x, out += 3) {
      if (bits >= 24) {
        const uint8_t* p = row + static_cast<size_t>(x) * (bits / 8);
        out[0] = p[2];
        out[1] = p[1];
        out[2] = p[0];
        continue;
      }
      const long bitPos = x * bits;
      const unsigned index = (row[bitPos / 8] >> (8 - bits - bitPos % 8)) & ((1u << bits) - 1);
      RgbQuad q;
      if (index < bitmap.colours.size()) q = bitmap.colours[index];
      out[0] = q.red;
      out[1] = q.green;
      out[2] = q.blue;
    }
  }
  return rgb;
}

}  // namespace dirsheet::png
