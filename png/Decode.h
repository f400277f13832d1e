// The decoder's portable entry point: PNG bytes in, an image description and its pixel
// rows out. It draws nothing; LoadPNG blends and draws what it returns, the skin reader,
// pngdump and the tests use the pixels as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "png/DeviceBitmap.h"
#include "png/Inflate.h"
#include "png/Scanlines.h"

namespace dirsheet::png {

// Caps that keep one decode inside a 32-bit process, whose 2 GiB of address space it
// shares with the program. A decode holds the file, the bitmap (at most 128 MiB at 4
// bytes per pixel) and about half a MiB of window and row buffers; the image data is
// gathered within the file when the file is handed over, copied once otherwise; a
// blended image adds a 24-bit background. At the caps that stays under 300 MiB, or 360
// MiB with the copy. docs/PERFORMANCE.md lists the caps too.
struct DecodeLimits {
  uint64_t maxInputBytes = uint64_t{64} << 20;  // a PNG file read whole
  long maxSide = 1L << 24;                      // width and height, each
  uint64_t maxPixels = uint64_t{1} << 25;       // width times height (32 Mi pixels)
};

// The most text kept in Text and in zText, each (further text is dropped).
constexpr size_t kMaxTextBytes = size_t{1} << 20;

// What the chunks of one file said. Text and compressed text are those of this file.
struct PngInfo {
  ImageHeader header;
  std::vector<uint8_t> palette;       // PLTE bytes: red, green, blue per entry
  std::vector<uint8_t> transparency;  // tRNS bytes
  std::vector<uint8_t> background;    // bKGD bytes
  bool hasBackground = false;
  long backgroundColour = 0;  // 0x00BBGGRR, 0 if none or invalid
  bool hasTransparency = false;
  std::string text;              // each tEXt: its keyword, NUL, its text, NUL
  std::string compressedText;    // each zTXt: its keyword, NUL, its inflated text, NUL
  std::string modificationTime;  // the last tIME, "dd.mm.yyyy hh:mm:ss"
  int32_t gamma = 0;             // the gAMA value: the gamma times 100000
};

enum class PixelFormat {
  // The rows of a device-independent bitmap as the drawing takes them: 1, 4 or 8 bits
  // with a colour table, 24-bit blue, green, red, or 32-bit blue, green, red, alpha;
  // rows padded to 4 bytes; top row first except colour types 4 and 6 and the images
  // still to be blended, which are bottom row first.
  DeviceBitmap,
  // 8-bit red, green, blue, alpha, top row first, no padding; alpha from the image or
  // from tRNS, 255 otherwise; 16-bit samples keep their high byte.
  Rgba,
};

struct DecodeOptions {
  PixelFormat format = PixelFormat::DeviceBitmap;
  bool applyTransparency = false;  // DeviceBitmap: tRNS makes a 32-bit image to blend
  bool applyAlpha = false;         // DeviceBitmap: colour types 4 and 6 are to be blended
  DecodeLimits limits;
  size_t textRoom = kMaxTextBytes;            // bytes of tEXt text still to keep
  size_t compressedTextRoom = kMaxTextBytes;  // bytes of zTXt text still to keep
  bool quiet = false;                         // no message box for a refused deflate code table
};

struct DecodedImage {
  PixelFormat format = PixelFormat::DeviceBitmap;
  // Description, colour table (indexed bitmaps) and rows. For Rgba the description
  // says 32 bits, top row first, and the bytes are red, green, blue, alpha.
  DeviceBitmap bitmap;
  // DeviceBitmap only: 32-bit rows, bottom row first, whose alpha (from the image or
  // from tRNS) is still to be blended with a background; they are then drawn at 24 bits.
  bool toBlend = false;
  long Width() const { return bitmap.header.biWidth; }
  long Height() const {
    return bitmap.header.biHeight < 0 ? -bitmap.header.biHeight : bitmap.header.biHeight;
  }
};

// One decoder keeps its deflate decoder's fixed tables between decodes.
class PngDecoder {
 public:
  // Decodes a whole PNG file held in memory. Throws PngError on every failure; what
  // the chunks said up to that point is in Info() all the same.
  DecodedImage Decode(const uint8_t* bytes, size_t size, const DecodeOptions& options);
  // The same for a file the caller gives up: the image data is gathered within the
  // file's own bytes instead of a copy of them.
  DecodedImage Decode(std::vector<uint8_t>&& file, const DecodeOptions& options);
  const PngInfo& Info() const { return info_; }

 private:
  DecodedImage Decode(const uint8_t* bytes, size_t size, uint8_t* writable,
                      const DecodeOptions& options);

  Inflater inflater_;
  PngInfo info_;
};

// Decodes with a decoder of its own.
DecodedImage DecodePng(const uint8_t* bytes, size_t size, const DecodeOptions& options = {});

// Reads a file whole for decoding. A missing file reads as empty (which then fails the
// signature test); a file larger than `maxBytes` and an unreadable one throw PngError
// without being read whole.
std::vector<uint8_t> ReadPngFile(const std::string& path, uint64_t maxBytes);

}  // namespace dirsheet::png
