// Undoing the scanline filters and walking the rows of an image in the order they are
// stored: top to bottom, or the seven Adam7 passes one after the other.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "png/Inflate.h"

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

// The rows one stage of the image data covers: the whole image, or one Adam7 pass.
struct Pass {
  int xStart = 0, xStep = 1, yStart = 0, yStep = 1;
  uint64_t width = 0;     // pixels in each of its rows
  uint64_t rows = 0;      // rows it holds (0 when its rows would be empty)
  uint64_t rowBytes = 0;  // packed bytes of one row, without the filter-type byte
};

// The passes of an image: one for interlace method 0, seven for Adam7; passes without
// pixels have no rows (they have no data in the stream).
struct PassList {
  std::array<Pass, 7> passes;
  int count = 0;
};
PassList PassesOf(const ImageHeader& h);

// Bytes of filtered image data the header calls for, filter-type bytes included.
uint64_t ScanlineBytes(const ImageHeader& h);

uint8_t PaethPredictor(int left, int up, int upLeft);

// Undoes one row in place against the prior (already undone) row of the same length.
// Filter types above 4 leave the row unchanged.
void UnfilterRow(uint8_t* row, size_t n, int filterType, const uint8_t* prior, size_t step);
// The same from `src` into `dst`, which may be `src` but not `prior`.
void UnfilterInto(uint8_t* dst, const uint8_t* src, size_t n, int filterType, const uint8_t* prior,
                  size_t step);

// Receives the rows of an image, undone, in the order they are stored.
class RowSink {
 public:
  virtual ~RowSink() = default;
  // Where row `y` of `pass` may be undone straight into (its final place), or null for
  // a row buffer of the reader's own.
  virtual uint8_t* Target(const Pass& pass, uint64_t y) { return nullptr; }
  // `row` holds pass.rowBytes bytes: the pixels of row `y` of the pass (pixel k of it
  // lies at column pass.xStart + k * pass.xStep of image row pass.yStart + y * pass.yStep).
  virtual void Row(const Pass& pass, uint64_t y, const uint8_t* row) = 0;
};

// Takes the filtered image data as it comes (from a streaming Inflate, or whole), cuts
// it into rows, undoes each against the previous row of its pass and hands it on.
class ScanlineReader : public InflateSink {
 public:
  ScanlineReader(const ImageHeader& h, RowSink& sink);
  size_t Take(const uint8_t* data, size_t size) override;
  // Every row of every pass has been handed on.
  bool Complete() const { return pass_ >= list_.count; }

 private:
  void NextPass();
  uint8_t* FreeBuffer(const uint8_t* notThis, const uint8_t* norThis);

  RowSink& sink_;
  PassList list_;
  size_t step_;
  int pass_ = -1;
  uint64_t row_ = 0;
  std::vector<uint8_t> zeros_, rowA_, rowB_, rowC_;
  const uint8_t* prior_ = nullptr;
};

// Undoes and hands on the rows of filtered data held whole. Throws PngError when `size`
// is shorter than ScanlineBytes(h).
void WalkRows(const uint8_t* data, size_t size, const ImageHeader& h, RowSink& sink);

}  // namespace dirsheet::png
