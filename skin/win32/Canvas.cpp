#include "skin/win32/Canvas.h"

namespace dirsheet::skin::win32 {

Canvas::Canvas(HDC like, int width, int height) {
  if (width <= 0 || height <= 0) return;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.reset(CreateDIBSection(like, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  dc_.reset(CreateCompatibleDC(like));
  if (!bitmap_ || !dc_ || !bits) return;
  selected_ = std::make_unique<platform::win32::SelectGuard>(dc_.get(), bitmap_.get());
  pixels_ = {static_cast<std::uint32_t*>(bits), width, height};
}

}  // namespace dirsheet::skin::win32
