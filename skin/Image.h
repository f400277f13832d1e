// A decoded picture: top-down rows of 32-bit pixels, 0x00RRGGBB (the byte order of a
// 32-bit device-independent bitmap: blue, green, red, unused).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dirsheet::skin {

struct Image {
  int Width = 0;
  int Height = 0;
  std::vector<std::uint32_t> Pixels;  // Width * Height, row 0 at the top

  std::uint32_t At(int x, int y) const { return Pixels[std::size_t(y) * Width + x]; }
};

// Largest picture side accepted, so that width * height * 4 cannot overflow.
constexpr int kMaxImageSide = 16384;
constexpr std::int64_t kMaxImagePixels = std::int64_t(1) << 24;

// Decodes an uncompressed BMP file (1, 4, 8, 24 or 32 bits per pixel, bottom-up or
// top-down, BI_RGB or 32-bit BI_BITFIELDS). Throws SkinError on malformed data.
Image DecodeBmp(const std::uint8_t* bytes, std::size_t size);

// Decodes a PNG file with the program's PNG decoder (alpha is not used: the skin's
// transparent colour is 0xFF00FF). False when it does not decode.
bool DecodePng(const std::uint8_t* bytes, std::size_t size, Image& out);

// Encodes a 24-bit bottom-up BMP (used by tests and by the skin maker's checks).
std::vector<std::uint8_t> EncodeBmp24(const Image& image);

}  // namespace dirsheet::skin
