// The Win32 side of the drawing module: device bitmaps from the converted pixels, twips
// conversions and drawing into a picture box.
#pragma once

#include <windows.h>

#include "png/ColourTables.h"
#include "png/DeviceBitmap.h"

namespace dirsheet::png::win32 {
class PictureBox;
}

namespace dirsheet::png::CBitmap {

// Each makes the current device bitmap from aligned pixel rows with the colour table of
// its bit count; the previous one, if any, is deleted.
void CreateDeviceBitmap1(const uint8_t* pixels, long width, long height, bool topRowFirst);
void CreateDeviceBitmap4(const uint8_t* pixels, long width, long height, bool topRowFirst);
void CreateDeviceBitmap8(const uint8_t* pixels, long width, long height, bool topRowFirst);
void CreateDeviceBitmap24(const uint8_t* pixels, long width, long height, bool topRowFirst);
void CreateDeviceBitmap32(const uint8_t* pixels, long width, long height, bool topRowFirst);
HBITMAP CurrentDeviceBitmap();

// The screen's twips per pixel, as whole numbers.
long TwipsPerPixelX();
long TwipsPerPixelY();
long PixelsToTwips(long pixels, bool horizontal);
// Nearest whole pixel, ties to even.
long TwipsToPixels(long twips, bool horizontal);

// Draws the current device bitmap (w x h pixels) into `target` at (x, y) and deletes it.
// Unless `keepSize`, the box takes the image's size first, so that its inner area is
// exactly the image even with a border.
void DrawToPictureBox(long w, long h, win32::PictureBox& target, long x, long y, bool keepSize);

// Shows the decoder's one message in a message box with a single OK button.
void InstallMessageBoxNotifications();

}  // namespace dirsheet::png::CBitmap
