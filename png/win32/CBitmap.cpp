#include "png/win32/CBitmap.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/Twips.h"
#include "png/Notify.h"
#include "png/win32/PictureBox.h"

namespace dirsheet::png::CBitmap {

namespace {

using platform::win32::Bitmap;
using platform::win32::MemoryDc;
using platform::win32::PixelsToTwips;
using platform::win32::SelectGuard;
using platform::win32::TwipsToPixels;
using platform::win32::WindowDc;

Bitmap Create(int bits, const uint8_t* pixels, long width, long height, bool topRowFirst,
              const std::vector<RgbQuad>& table) {
  // The description followed by up to 256 colour table entries.
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
  const BitmapInfoHeader h = DescribeDeviceBitmap(width, height, bits, topRowFirst);
  static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER), "same layout");
  static_assert(sizeof(RgbQuad) == sizeof(RGBQUAD), "same layout");
  std::memcpy(info.data(), &h, sizeof h);
  const size_t entries = std::min<size_t>(table.size(), 256);
  if (entries) std::memcpy(info.data() + sizeof h, table.data(), entries * sizeof(RgbQuad));
  const auto* bmi = reinterpret_cast<const BITMAPINFO*>(info.data());
  WindowDc screen(nullptr, true);  // the screen's
  return Bitmap(
      CreateDIBitmap(screen.get(), &bmi->bmiHeader, CBM_INIT, pixels, bmi, DIB_RGB_COLORS));
}

// The device bitmap of the image's bit count, made the way the conversion chose.
Bitmap CreateFor(const DeviceBitmap& image) {
  const long w = image.header.biWidth;
  const long h = image.header.biHeight < 0 ? -image.header.biHeight : image.header.biHeight;
  const bool top = image.header.biHeight < 0;
  const uint8_t* p = image.pixels.data();
  switch (image.header.biBitCount) {
    case 1:
      return CreateDeviceBitmap1(p, w, h, top, image.colours);
    case 4:
      return CreateDeviceBitmap4(p, w, h, top, image.colours);
    case 8:
      return CreateDeviceBitmap8(p, w, h, top, image.colours);
    case 24:
      return CreateDeviceBitmap24(p, w, h, top);
    case 32:
      return CreateDeviceBitmap32(p, w, h, top);
    default:
      return Bitmap();  // nothing to draw
  }
}

}  // namespace

Bitmap CreateDeviceBitmap1(const uint8_t* p, long w, long h, bool top,
                           const std::vector<RgbQuad>& t) {
  return Create(1, p, w, h, top, t);
}
Bitmap CreateDeviceBitmap4(const uint8_t* p, long w, long h, bool top,
                           const std::vector<RgbQuad>& t) {
  return Create(4, p, w, h, top, t);
}
Bitmap CreateDeviceBitmap8(const uint8_t* p, long w, long h, bool top,
                           const std::vector<RgbQuad>& t) {
  return Create(8, p, w, h, top, t);
}
Bitmap CreateDeviceBitmap24(const uint8_t* p, long w, long h, bool top) {
  return Create(24, p, w, h, top, {});
}
Bitmap CreateDeviceBitmap32(const uint8_t* p, long w, long h, bool top) {
  return Create(32, p, w, h, top, {});
}

void DrawToPictureBox(const DeviceBitmap& image, win32::PictureBox& target, long x, long y,
                      bool keepSize) {
  const long w = image.header.biWidth;
  const long h = image.header.biHeight < 0 ? -image.header.biHeight : image.header.biHeight;
  // The current device bitmap, made now and deleted when drawn.
  Bitmap current = CreateFor(image);
  target.Cls();
  win32::ScaleContainer parent = target.Parent();
  const int parentMode = parent.ScaleMode();
  parent.SetScaleMode(win32::kTwips);
  const int ownMode = target.ScaleMode();
  target.SetScaleMode(win32::kTwips);

  const long widthTwips = PixelsToTwips(w, true), heightTwips = PixelsToTwips(h, false);
  long destW = w, destH = h;  // with the size kept, the image is drawn at its own size
  if (!keepSize) {
    target.SetHeight(heightTwips);
    target.SetWidth(widthTwips);
    if (target.ScaleHeight() != target.Height()) {
      // A border: draw at the outer size, then grow the box by the border so that
      // the inner area is the image.
      destW = TwipsToPixels(target.Width(), true);
      destH = TwipsToPixels(target.Height(), false);
      target.SetHeight(target.Height() + (target.Height() - target.ScaleHeight()));
      target.SetWidth(target.Width() + (target.Width() - target.ScaleWidth()));
    } else {
      target.SetScaleMode(win32::kPixels);
      destW = target.ScaleWidth();
      destH = target.ScaleHeight();
    }
  }
  if (current) {
    MemoryDc memory(CreateCompatibleDC(target.hDC()));
    SelectGuard select(memory.get(), current.get());
    StretchBlt(target.hDC(), x, y, destW, destH, memory.get(), 0, 0, w, h, SRCCOPY);
  }
  parent.SetScaleMode(parentMode);
  target.SetScaleMode(ownMode);
  target.SetPictureFromImage();
  InvalidateRect(target.hWnd(), nullptr, FALSE);
}

void InstallMessageBoxNotifications() {
  SetNotificationHook(
      [](const std::string& text) { MessageBoxA(nullptr, text.c_str(), "Dirsheet", MB_OK); });
}

}  // namespace dirsheet::png::CBitmap
