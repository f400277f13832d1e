#include "png/PictureSurface.h"

#include <utility>

namespace dirsheet::png {

bool MemorySurface::CaptureBackground(long x, long y, long w, long h, uint8_t* bgr) {
  if (!colour_) return false;
  const size_t stride = AlignedRowBytes(w, 24);
  const uint8_t r = *colour_ & 0xFF, g = (*colour_ >> 8) & 0xFF, b = (*colour_ >> 16) & 0xFF;
  for (long row = 0; row < h; ++row) {
    uint8_t* p = bgr + stride * static_cast<size_t>(row);
    for (long col = 0; col < w; ++col, p += 3) {
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
  }
  return true;
}

void MemorySurface::ShowDeviceBitmap(DeviceBitmap bitmap, long, long, bool keepSize) {
  if (!keepSize) {
    width_ = bitmap.header.biWidth * TwipsPerPixelX();
    height_ = (bitmap.header.biHeight < 0 ? -bitmap.header.biHeight : bitmap.header.biHeight) *
              TwipsPerPixelY();
  }
  drawn_ = std::move(bitmap);
}

}  // namespace dirsheet::png
