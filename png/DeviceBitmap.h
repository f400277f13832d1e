// The converted image as the drawing layer receives it: the device-independent bitmap
// description (the platform's 40-byte BITMAPINFOHEADER, laid out field for field), the
// colour table of an indexed bitmap and the pixel rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace dirsheet::png {

struct BitmapInfoHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // negative when the rows are stored top row first
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;  // uncompressed RGB
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40, "matches the platform's description");

struct RgbQuad {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
};

// An allocator that leaves new bytes as they are: the decoder writes every byte of the
// rows it makes (padding included), so clearing a large image first would be a wasted
// pass over it, and would touch all its memory before the image data proved complete.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <typename U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) {}
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
using PixelBytes = std::vector<uint8_t, UninitialisedAllocator<uint8_t>>;

struct DeviceBitmap {
  BitmapInfoHeader header;
  std::vector<RgbQuad> colours;  // 2, 16 or 256 entries for 1, 4 or 8 bits; empty otherwise
  PixelBytes pixels;             // aligned rows in the order the height's sign gives
};

// A row of `width` pixels at `bits` per pixel takes a whole number of 4-byte words.
size_t AlignedRowBytes(long width, int bits);

// Fills in the description: negative height when the rows are top row first.
BitmapInfoHeader DescribeDeviceBitmap(long width, long height, int bits, bool topRowFirst);

// The drawn colours of a bitmap as top-down RGB, 3 bytes per pixel (tools and tests).
std::vector<uint8_t> DeviceBitmapToRgb(const DeviceBitmap& bitmap);

}  // namespace dirsheet::png
