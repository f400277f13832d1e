// The steps that turn one unfiltered row into a row of the destination image, each a
// single pass from `src` to `dst` over `n` pixels, and the blend with a background.
// Sub-byte samples are packed most significant bits first; 16-bit samples big-endian.
// "Quads" are 4-byte pixels in the order the template says: blue, green, red, alpha for
// a device bitmap (kBgr) or red, green, blue, alpha.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "png/DeviceBitmap.h"

namespace dirsheet::png {

// A 4-byte pixel for each 8-bit index or grey level.
using QuadTable = uint8_t[256][4];

// One byte per sample from samples of 1, 2 or 4 bits (the raw value, not scaled).
void WidenSamples(const uint8_t* src, long depth, size_t n, uint8_t* dst);
// Keeps the first (most significant) byte of every 2-byte sample.
void ReduceTo8Bit(const uint8_t* src, uint8_t* dst, size_t samples);
// Red, green, blue to blue, green, red (8 or 16 bits per sample in, 8 out).
template <int kSampleBytes>
void SwapRedBlue(const uint8_t* src, uint8_t* dst, size_t n);
// 8-bit indices or grey levels through a quad table.
void IndexToQuad(const uint8_t* src, uint8_t* dst, size_t n, const QuadTable& table);
// 16-bit grey to quads: the high byte, alpha 0 where the whole sample equals `key`.
void Grey16ToQuad(const uint8_t* src, uint8_t* dst, size_t n, bool hasKey, unsigned key);
// Red, green, blue to quads with alpha 0 where all three samples equal the key.
template <int kSampleBytes, bool kBgr>
void ApplyRGBTransparency(const uint8_t* src, uint8_t* dst, size_t n, bool hasKey,
                          const unsigned key[3]);
// Grey, alpha to grey, grey, grey, alpha.
template <int kSampleBytes>
void GreyAlphaToBGRA(const uint8_t* src, uint8_t* dst, size_t n);
// Red, green, blue, alpha to quads.
template <int kSampleBytes, bool kBgr>
void RgbaToQuad(const uint8_t* src, uint8_t* dst, size_t n);

// Blends a 32-bit image (blue, green, red, alpha) over a 24-bit background of the same
// size and row order, in place in the background (aligned rows). Alpha 255 keeps the
// image colour, 0 the background's, anything else (image * a + background * (255 - a) +
// 255) >> 8.
void CompositeWithBackground(const uint8_t* image32, long width, long height,
                             uint8_t* background24);
// A 24-bit aligned image of one colour (0x00BBGGRR); a system colour reference (high
// byte set) gives black.
PixelBytes FillSolidBackground(long width, long height, uint32_t colour);
// A 32-bit image (bottom row first) blended over one colour (0x00BBGGRR): 24-bit rows.
DeviceBitmap BlendOverColour(const DeviceBitmap& image32, long width, long height, uint32_t colour);

}  // namespace dirsheet::png
