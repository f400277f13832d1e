// The Win32 side of the drawing module: device bitmaps from decoded pixel rows and drawing
// into a picture box (twips and pixels are in platform/win32/Twips.h).
#pragma once

#include <windows.h>

#include <vector>

#include "platform/win32/Handles.h"
#include "png/DeviceBitmap.h"

namespace dirsheet::png::win32 {
class PictureBox;
}

namespace dirsheet::png::CBitmap {

// Each makes a device bitmap from aligned pixel rows with the colour table of its bit
// count (2, 16 or 256 entries; none above 8 bits). The caller owns it.
platform::win32::Bitmap CreateDeviceBitmap1(const uint8_t* pixels, long width, long height,
                                            bool topRowFirst, const std::vector<RgbQuad>& table);
platform::win32::Bitmap CreateDeviceBitmap4(const uint8_t* pixels, long width, long height,
                                            bool topRowFirst, const std::vector<RgbQuad>& table);
platform::win32::Bitmap CreateDeviceBitmap8(const uint8_t* pixels, long width, long height,
                                            bool topRowFirst, const std::vector<RgbQuad>& table);
platform::win32::Bitmap CreateDeviceBitmap24(const uint8_t* pixels, long width, long height,
                                             bool topRowFirst);
platform::win32::Bitmap CreateDeviceBitmap32(const uint8_t* pixels, long width, long height,
                                             bool topRowFirst);

// Makes the device bitmap of `image` and draws it (w x h pixels) into `target` at
// (x, y), then deletes it. Unless `keepSize`, the box takes the image's size first, so
// that its inner area is exactly the image even with a border. An image of another bit
// count draws nothing, but the box still takes its size.
void DrawToPictureBox(const DeviceBitmap& image, win32::PictureBox& target, long x, long y,
                      bool keepSize);

// Shows the decoder's one message in a message box with a single OK button.
void InstallMessageBoxNotifications();

}  // namespace dirsheet::png::CBitmap
