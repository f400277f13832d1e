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

// Pixels of a picture held elsewhere (an Image, or the bits of a bitmap), read only.
struct PictureView {
  const std::uint32_t* Pixels = nullptr;
  int Width = 0, Height = 0;

  bool Contains(std::int64_t x, std::int64_t y) const {
    return x >= 0 && y >= 0 && x < Width && y < Height;
  }
  std::uint32_t At(int x, int y) const { return Pixels[std::size_t(y) * Width + x]; }
};
inline PictureView ViewOf(const Image& image) {
  return {image.Pixels.data(), image.Width, image.Height};
}

// Largest picture side accepted, so that width * height * 4 cannot overflow.
constexpr int kMaxImageSide = 16384;
constexpr std::int64_t kMaxImagePixels = std::int64_t(1) << 24;

// Decodes an uncompressed BMP file (1, 4, 8, 24 or 32 bits per pixel, bottom-up or
// top-down, BI_RGB or 32-bit BI_BITFIELDS) of `n` bytes at `b`. Throws SkinError on
// malformed data.
Image DecodeBmp(const std::uint8_t* b, std::size_t n);

// Decodes an icon file (`n` bytes at `b`): its largest image, stored as a device-independent bitmap
// with its mask or as a PNG. Pixels the mask leaves out become the transparent colour 0xFF00FF.
// Throws SkinError on malformed data.
Image DecodeIcon(const std::uint8_t* b, std::size_t n);

// Decodes a PNG file with the program's PNG decoder (alpha is not used: the skin's
// transparent colour is 0xFF00FF). False when it does not decode.
bool DecodePng(const std::uint8_t* bytes, std::size_t size, Image& out);

// The picture decoders of the portable build: BMP, PNG and icons. False for any other
// kind and for a file that does not decode. (GIF and JPEG need the platform's picture
// loader: skin/win32/SkinPicture.h.)
bool DecodePortablePicture(const std::vector<std::uint8_t>& file, Image& out);

}  // namespace dirsheet::skin
