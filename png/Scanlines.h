// Undoing the scanline filters and the Adam7 interlacing. The two paths give results of
// different shapes, which the pixel conversion relies on:
// - UnfilterRows: height rows of (width * bits per pixel + 7) / 8 bytes, top row first,
//   pixels narrower than a byte still packed as in the file;
// - Deinterlace: height rows of width pixels with no padding, each pixel bits per pixel
//   / 8 bytes, or one byte (the raw sample or index) when narrower than a byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dirsheet::png {

// The header values the later stages use, as read from IHDR.
struct ImageHeader {
    long width = 0;
    long height = 0;
    long bitDepth = 0;
    long colourType = 0;
    long compression = 0;
    long filterMethod = 0;
    long interlace = 0;
};

// Bit depth times the channel count of the colour type (0 for an unknown type).
long BitsPerPixel(const ImageHeader& h);
// Distance to the "left" byte of the filters: whole bytes per pixel, at least 1.
size_t FilterStep(const ImageHeader& h);
// Bytes of one packed row without its filter-type byte.
uint64_t PackedRowBytes(long width, long bitsPerPixel);

uint8_t PaethPredictor(int left, int up, int upLeft);
void Sub(uint8_t* row, size_t n, size_t step);
void Up(uint8_t* row, const uint8_t* prior, size_t n);
void Average(uint8_t* row, const uint8_t* prior, size_t n, size_t step);
void Paeth(uint8_t* row, const uint8_t* prior, size_t n, size_t step);

// Undoes one row in place against the prior (already undone) row of the same length.
// Filter types above 4 leave the row unchanged.
void UnfilterRow(uint8_t* row, size_t n, int filterType, const uint8_t* prior, size_t step);

// Both throw PngError when the data holds fewer bytes than the header demands.
std::vector<uint8_t> UnfilterRows(std::vector<uint8_t> data, const ImageHeader& h);
std::vector<uint8_t> Deinterlace(const std::vector<uint8_t>& data, const ImageHeader& h);

}  // namespace dirsheet::png
