// Turning the skin picture's image file into pixels, with the platform's picture loader
// for the kinds the portable decoders do not read.
#pragma once

#include <cstdint>
#include <vector>

#include "skin/Image.h"

namespace dirsheet::skin::win32 {

// BMP, PNG and icons through our own decoders; GIF and JPEG through the platform's
// picture loader. False when the file does not decode.
bool DecodeSkinPicture(const std::vector<std::uint8_t>& file, Image& out);

}  // namespace dirsheet::skin::win32
