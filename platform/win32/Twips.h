// Twips (1/1440 inch) and pixels of the screen. Two roundings live here, each kept by the
// code laid out with it:
// - Twips, for the window's control layout: twips times the screen's dots per inch over
//   1440 (MulDiv), to the nearest pixel with halves away from zero;
// - TwipsPerPixelX/Y, PixelsToTwips and TwipsToPixels, for the picture boxes' scale: a
//   whole number of twips per pixel (1440 / dots per inch, truncated), and twips to pixels
//   by that number to the nearest pixel with ties to even.
// At 96 dots per inch (15 twips a pixel) both give the same pixels; at others they part.
#pragma once

#include <windows.h>

#include <cmath>

#include "platform/win32/Handles.h"

namespace dirsheet::platform::win32 {

// Converts twips into pixels of the screen; the screen's dots per inch are read once.
class Twips {
 public:
  Twips() {
    const WindowDc screen(nullptr, true);
    dpiX_ = GetDeviceCaps(screen.get(), LOGPIXELSX);
    dpiY_ = GetDeviceCaps(screen.get(), LOGPIXELSY);
    if (dpiX_ <= 0) dpiX_ = 96;
    if (dpiY_ <= 0) dpiY_ = 96;
  }
  int X(int twips) const { return MulDiv(twips, dpiX_, 1440); }
  int Y(int twips) const { return MulDiv(twips, dpiY_, 1440); }

 private:
  int dpiX_ = 96;
  int dpiY_ = 96;
};

// The screen's whole twips per pixel along `axis` (LOGPIXELSX or LOGPIXELSY); 15 when the
// screen does not say.
inline long ScreenTwipsPerPixel(int axis) {
  const WindowDc screen(nullptr, true);
  const int dpi = GetDeviceCaps(screen.get(), axis);
  return dpi > 0 ? 1440 / dpi : 15;
}

// The screen's dots per inch stay as they were when the program started (a change takes a
// new sign-in), so each axis is asked once: under Wine every screen context costs a dozen
// round trips to the server, and a picture box converts twips many times a picture.
inline long TwipsPerPixelX() {
  static const long perPixel = ScreenTwipsPerPixel(LOGPIXELSX);
  return perPixel;
}
inline long TwipsPerPixelY() {
  static const long perPixel = ScreenTwipsPerPixel(LOGPIXELSY);
  return perPixel;
}

inline long PixelsToTwips(long pixels, bool horizontal) {
  return pixels * (horizontal ? TwipsPerPixelX() : TwipsPerPixelY());
}

// Nearest whole pixel, ties to even.
inline long TwipsToPixels(long twips, bool horizontal) {
  const long tpp = horizontal ? TwipsPerPixelX() : TwipsPerPixelY();
  return std::lrint(static_cast<double>(twips) / static_cast<double>(tpp));
}

}  // namespace dirsheet::platform::win32
