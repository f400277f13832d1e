// The single-pass steps that turn unfiltered rows into the pixels of a device bitmap.
// 24-bit pixels are blue, green, red; 32-bit pixels blue, green, red, alpha. "Aligned"
// rows are padded to a multiple of 4 bytes; 32-bit images have no padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "png/ColourTables.h"

namespace dirsheet::png {

// Keeps the first (most significant) byte of every 2-byte sample.
void ReduceTo8Bit(std::vector<uint8_t>& pixels);
// Exchanges the first and third byte of every group of 3 or 4 bytes.
void SwapRedBlue(std::vector<uint8_t>& pixels, size_t groupBytes);
// Each grey, alpha pair becomes grey, grey, grey, alpha.
std::vector<uint8_t> GreyAlphaToBGRA(const std::vector<uint8_t>& pixels);
// Repacks `height` rows of `fromRowBytes` bytes to the aligned size of `bits` per pixel.
std::vector<uint8_t> AlignRows(std::vector<uint8_t> pixels, long width, long height, int bits, size_t fromRowBytes);
// 2-bit samples (packed rows) to one byte per pixel (0 to 3) in aligned 8-bit rows.
std::vector<uint8_t> ExpandTwoBit(const std::vector<uint8_t>& packed, long width, long height);
// Reverses the row order.
void FlipRows(std::vector<uint8_t>& pixels, size_t rowBytes, long height);

// Indexed pixels (aligned rows at 1, 4 or 8 bits) to a 32-bit image in the same row
// order: colour from `colours`, alpha from `alpha` or 255 beyond it. Indices beyond the
// colours draw black.
std::vector<uint8_t> ApplyIndexedTransparency(const std::vector<uint8_t>& aligned, long width, long height,
                                              int bits, const std::vector<Rgb>& colours,
                                              const std::vector<uint8_t>& alpha);
// 24-bit aligned rows to a 32-bit image: alpha 0 where the pixel equals `key`.
std::vector<uint8_t> ApplyRGBTransparency(const std::vector<uint8_t>& aligned, long width, long height, Rgb key);
// Replaces the alpha of a 32-bit image with one byte per pixel from `mask`.
void ApplyAlphaMask(std::vector<uint8_t>& image32, const std::vector<uint8_t>& mask);

// Blends a 32-bit image over a 24-bit background of the same size and row order;
// returns 24-bit aligned rows. Alpha 255 keeps the image colour, 0 the background's,
// anything else (image * a + background * (255 - a) + 255) >> 8.
std::vector<uint8_t> CompositeWithBackground(const std::vector<uint8_t>& image32, long width, long height,
                                             const std::vector<uint8_t>& background24);
// A 24-bit aligned image of one colour (0x00BBGGRR); a system colour reference (high
// byte set) gives black.
std::vector<uint8_t> FillSolidBackground(long width, long height, uint32_t colour);

}  // namespace dirsheet::png
