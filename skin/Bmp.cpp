#include "skin/Bytes.h"
#include "skin/Image.h"
#include "skin/SkinFile.h"

namespace dirsheet::skin {

namespace {

// Position of the lowest set bit and the width of a colour mask.
void MaskShift(std::uint32_t mask, int& shift, int& bits) {
  shift = 0;
  bits = 0;
  if (mask == 0) return;
  while (!(mask & 1u)) {
    mask >>= 1;
    ++shift;
  }
  while (mask & 1u) {
    mask >>= 1;
    ++bits;
  }
}

std::uint32_t Channel(std::uint32_t v, std::uint32_t mask, int shift, int bits) {
  if (bits == 0) return 0;
  std::uint32_t c = (v & mask) >> shift;
  if (bits >= 8) return c >> (bits - 8);
  return (c * 255u) / ((1u << bits) - 1u);
}

// The fields of the file and info headers the decoder uses.
struct BmpHeader {
  std::uint32_t dataOffset = 0;
  std::uint32_t infoSize = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  // made positive; topDown tells the row order
  bool topDown = false;
  int bpp = 0;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
};

// Reads and checks the headers: the old 12-byte core header or a 40-byte or larger one.
BmpHeader ReadBmpHeader(const std::uint8_t* b, std::size_t n) {
  Require(n >= 14 + 12 && b[0] == 'B' && b[1] == 'M', "not a BMP file");
  BmpHeader h;
  h.dataOffset = LoadLe(b + 10, 4);
  h.infoSize = LoadLe(b + 14, 4);
  Require(h.infoSize >= 12 && h.infoSize <= n - 14, "BMP header cut short");
  if (h.infoSize == 12) {  // the old core header
    h.width = std::int16_t(LoadLe(b + 18, 2));
    h.height = std::int16_t(LoadLe(b + 20, 2));
    h.bpp = int(LoadLe(b + 24, 2));
  } else {
    Require(h.infoSize >= 40, "BMP header cut short");
    h.width = std::int32_t(LoadLe(b + 18, 4));
    h.height = std::int32_t(LoadLe(b + 22, 4));
    h.bpp = int(LoadLe(b + 28, 2));
    h.compression = LoadLe(b + 30, 4);
    h.colorsUsed = LoadLe(b + 46, 4);
  }
  h.topDown = h.height < 0;
  Require(h.height != INT32_MIN, "BMP height out of range");
  if (h.topDown) h.height = -h.height;
  Require(h.width > 0 && h.height > 0 && h.width <= kMaxImageSide && h.height <= kMaxImageSide,
          "BMP size out of range");
  Require(std::int64_t(h.width) * h.height <= kMaxImagePixels, "BMP size out of range");
  const int bpp = h.bpp;
  Require(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32,
          "BMP bit depth not supported");
  Require(h.compression == 0 || (h.compression == 3 && bpp == 32), "compressed BMP not supported");
  return h;
}

// The palette of a picture of 8 bits or fewer as 0x00RRGGBB: entries of 3 bytes after a
// core header, of 4 after the others.
std::vector<std::uint32_t> ReadBmpPalette(const std::uint8_t* b, std::size_t n,
                                          const BmpHeader& h) {
  std::vector<std::uint32_t> palette;
  if (h.bpp > 8) return palette;
  const std::uint32_t count = h.colorsUsed ? h.colorsUsed : (1u << h.bpp);
  Require(count <= 256, "BMP palette too large");
  const int entry = h.infoSize == 12 ? 3 : 4;
  const std::size_t start = 14 + std::size_t(h.infoSize);
  Require(start + std::size_t(count) * entry <= n, "BMP palette cut short");
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* p = b + start + std::size_t(i) * entry;
    palette.push_back(std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0]);
  }
  return palette;
}

}  // namespace

Image DecodeBmp(const std::uint8_t* b, std::size_t n) {
  const BmpHeader h = ReadBmpHeader(b, n);
  const std::int32_t width = h.width, height = h.height;
  const int bpp = h.bpp;

  // Colour masks of a 32-bit picture: the fields after a 40-byte header or inside a
  // larger one; plain 32-bit pictures are blue, green, red, unused.
  std::uint32_t masks[3] = {0xFF0000, 0x00FF00, 0x0000FF};
  if (h.compression == 3) {
    Require(14 + 40 + 12 <= n, "BMP masks cut short");
    for (int i = 0; i < 3; ++i) masks[i] = LoadLe(b + 14 + 40 + 4 * i, 4);
  }
  const std::vector<std::uint32_t> palette = ReadBmpPalette(b, n, h);

  const std::size_t stride = ((std::size_t(width) * bpp + 31) / 32) * 4;
  Require(h.dataOffset <= n && stride * std::size_t(height) <= n - h.dataOffset,
          "BMP pixels cut short");

  Image img;
  img.Width = width;
  img.Height = height;
  img.Pixels.resize(std::size_t(width) * height);
  int shifts[3], bits[3];
  for (int i = 0; i < 3; ++i) MaskShift(masks[i], shifts[i], bits[i]);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row =
        b + h.dataOffset + stride * std::size_t(h.topDown ? y : height - 1 - y);
    std::uint32_t* out = &img.Pixels[std::size_t(y) * width];
    for (int x = 0; x < width; ++x) {
      std::uint32_t px;
      switch (bpp) {
        case 32: {
          std::uint32_t v = LoadLe(row + 4 * x, 4);
          px = Channel(v, masks[0], shifts[0], bits[0]) << 16 |
               Channel(v, masks[1], shifts[1], bits[1]) << 8 |
               Channel(v, masks[2], shifts[2], bits[2]);
          break;
        }
        case 24:
          px =
              std::uint32_t(row[3 * x + 2]) << 16 | std::uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
          break;
        default: {
          const int perByte = 8 / bpp;
          const int shift = (perByte - 1 - x % perByte) * bpp;
          const std::uint32_t index = (row[x / perByte] >> shift) & ((1u << bpp) - 1u);
          Require(index < palette.size(), "BMP pixel outside its palette");
          px = palette[index];
        }
      }
      out[x] = px;
    }
  }
  return img;
}

}  // namespace dirsheet::skin
