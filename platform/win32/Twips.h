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

// The screen's dots per inch along x and y (96 where the screen does not say). They stay
// as they were when the program started (a change takes a new sign-in), so they are
// asked once: under Wine every screen context costs a dozen round trips to the server.
inline const POINT& ScreenDpi() {
  static const POINT dpi = [] {
    const WindowDc screen(nullptr, true);
    POINT d{GetDeviceCaps(screen.get(), LOGPIXELSX), GetDeviceCaps(screen.get(), LOGPIXELSY)};
    if (d.x <= 0) d.x = 96;
    if (d.y <= 0) d.y = 96;
    return d;
  }();
  return dpi;
}

// Converts twips into pixels of the screen.
class Twips {
 public:
  int X(int twips) const { return MulDiv(twips, ScreenDpi().x, 1440); }
  int Y(int twips) const { return MulDiv(twips, ScreenDpi().y, 1440); }
};

// The screen's whole twips per pixel.
inline long TwipsPerPixelX() { return 1440 / ScreenDpi().x; }
inline long TwipsPerPixelY() { return 1440 / ScreenDpi().y; }

inline long PixelsToTwips(long pixels, bool horizontal) {
  return pixels * (horizontal ? TwipsPerPixelX() : TwipsPerPixelY());
}

// Nearest whole pixel, ties to even.
inline long TwipsToPixels(long twips, bool horizontal) {
  const long tpp = horizontal ? TwipsPerPixelX() : TwipsPerPixelY();
  return std::lrint(static_cast<double>(twips) / static_cast<double>(tpp));
}

}  // namespace dirsheet::platform::win32
