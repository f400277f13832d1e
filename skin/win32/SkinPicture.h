// Turning the skin picture's image file into pixels and into a bitmap for drawing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "skin/Image.h"

namespace dirsheet::skin::win32 {

// BMP and PNG through our own decoders; GIF and JPEG through the platform's picture loader.
// False when the file does not decode.
bool DecodeSkinPicture(const std::vector<std::uint8_t>& file, Image& out);

// A 32-bit top-down DIB section holding the image; null on failure.
HBITMAP MakeDibSection(const Image& image);

}  // namespace dirsheet::skin::win32
