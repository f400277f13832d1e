#include "skin/win32/Canvas.h"

#include <algorithm>

namespace dirsheet::skin::win32 {

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

bool Canvas::Fit(HDC like, int width, int height) {
  pixels_ = {};
  if (width <= 0 || height <= 0) return false;
  if (width > capacityWidth_ || height > capacityHeight_) {
    Release();
    // Some room to grow: a window being resized asks for a little more each time.
    const int w = std::max(width, capacityWidth_) + 64, h = std::max(height, capacityHeight_) + 64;
    const BITMAPINFO bi = TopDown32(w, h);
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(like, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    dc_.reset(CreateCompatibleDC(like));
    if (!bitmap_ || !dc_ || !bits) {
      Release();
      return false;
    }
    selected_ = std::make_unique<platform::win32::SelectGuard>(dc_.get(), bitmap_.get());
    bits_ = static_cast<std::uint32_t*>(bits);
    capacityWidth_ = w;
    capacityHeight_ = h;
  }
  pixels_ = {bits_, width, height, capacityWidth_};
  return true;
}

void Canvas::Release() {
  selected_.reset();
  dc_.reset();
  bitmap_.reset();
  bits_ = nullptr;
  capacityWidth_ = capacityHeight_ = 0;
  pixels_ = {};
}

}  // namespace dirsheet::skin::win32
