#include "png/Decode.h"

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "png/Chunks.h"
#include "png/Conversion.h"
#include "png/PngError.h"

namespace dirsheet::png {

namespace {

// The valid pairings of colour type and bit depth.
bool SupportedFormat(long colourType, long depth) {
  switch (colourType) {
    case 0:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
      return depth == 8 || depth == 16;
    default:
      return false;
  }
}

void CheckHeader(const ImageHeader& h, const DecodeLimits& limits) {
  const std::string size = std::to_string(h.width) + " x " + std::to_string(h.height);
  if (h.width < 1 || h.height < 1)
    throw PngError(PngError::Kind::BadData, "image size " + size + " out of range");
  if (h.width > limits.maxSide || h.height > limits.maxSide ||
      static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.height) > limits.maxPixels)
    throw PngError(PngError::Kind::LimitExceeded, "image of " + size + " pixels too large");
  if (!SupportedFormat(h.colourType, h.bitDepth))
    throw PngError(PngError::Kind::Unsupported,
                   "unsupported colour type " + std::to_string(h.colourType) + " with bit depth " +
                       std::to_string(h.bitDepth));
  if (h.interlace != 0 && h.interlace != 1)
    throw PngError(PngError::Kind::Unsupported,
                   "unknown interlace method " + std::to_string(h.interlace));
}

// The image data of all IDAT chunks in one piece, without the two-byte zlib header,
// which is dropped unexamined: moved together within the file when the file may be
// rearranged (each piece only moves towards the start), copied otherwise.
const uint8_t* GatherImageData(const uint8_t* bytes, uint8_t* writable,
                               const std::vector<ImageDataPiece>& pieces,
                               std::vector<uint8_t>& copy, size_t& size) {
  size_t total = 0;
  for (const ImageDataPiece& p : pieces) total += p.size;
  if (!writable) copy.reserve(total);
  size_t skip = 2, at = 0;
  for (const ImageDataPiece& p : pieces) {
    const size_t dropped = std::min(skip, p.size);
    skip -= dropped;
    const uint8_t* from = bytes + p.offset + dropped;
    if (writable)
      std::memmove(writable + at, from, p.size - dropped);
    else
      copy.insert(copy.end(), from, from + (p.size - dropped));
    at += p.size - dropped;
  }
  size = at;
  return writable ? writable : copy.data();
}

}  // namespace

DecodedImage PngDecoder::Decode(const uint8_t* bytes, size_t size, const DecodeOptions& options) {
  return Decode(bytes, size, nullptr, options);
}

DecodedImage PngDecoder::Decode(std::vector<uint8_t>&& file, const DecodeOptions& options) {
  std::vector<uint8_t> owned = std::move(file);
  return Decode(owned.data(), owned.size(), owned.data(), options);
}

DecodedImage PngDecoder::Decode(const uint8_t* bytes, size_t size, uint8_t* writable,
                                const DecodeOptions& options) {
  info_ = PngInfo{};
  inflater_.SetQuiet(options.quiet);
  if (size > options.limits.maxInputBytes)
    throw PngError(PngError::Kind::LimitExceeded,
                   "file of " + std::to_string(size) + " bytes too large");
  try {
    std::vector<ImageDataPiece> pieces;
    ReadChunks(bytes, size, options, inflater_, info_, pieces);
    const ImageHeader& h = info_.header;
    CheckHeader(h, options.limits);
    std::vector<uint8_t> copy;
    size_t dataSize = 0;
    const uint8_t* data = GatherImageData(bytes, writable, pieces, copy, dataSize);

    // The filtered rows have their exact size (the seven passes of an interlaced
    // image each have their own row size and filter bytes); the output may run 100
    // bytes beyond before a back-reference is cut. They are inflated a piece at a
    // time and converted row by row straight into the destination.
    Conversion conversion(info_, options);
    conversion.Allocate();
    ScanlineReader reader(h, conversion);
    if (h.compression == 0) {
      inflater_.InflateTo(data, dataSize, static_cast<size_t>(ScanlineBytes(h) + 100), reader);
      // A refused code table leaves nothing to decode. The other result codes (a
      // stored block past the data, block type 3, a wrong NLEN) keep what was
      // inflated; the reader tells whether it holds the whole image.
      if (inflater_.TableRefused())
        throw PngError(PngError::Kind::BadData, "image data with an invalid deflate code table");
    } else {
      reader.Take(data, dataSize);  // another compression method: the bytes go on as they are
    }
    if (!reader.Complete())
      throw PngError(PngError::Kind::Truncated, "image data ends before the last row");
    return conversion.Take();
  } catch (const std::bad_alloc&) {
    throw PngError(PngError::Kind::LimitExceeded, "not enough memory to decode the image");
  }
}

DecodedImage DecodePng(const uint8_t* bytes, size_t size, const DecodeOptions& options) {
  PngDecoder decoder;
  return decoder.Decode(bytes, size, options);
}

std::vector<uint8_t> ReadPngFile(const std::string& path, uint64_t maxBytes) {
  // Opened read-only: a missing file must not be created, and read-only media work.
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) {
    if (errno == ENOENT) return {};  // reads as empty, and so fails the signature test
    throw PngError(PngError::Kind::FileSystem, "cannot read " + path + ": " + std::strerror(errno));
  }
  auto tooLarge = [&] {
    return PngError(PngError::Kind::LimitExceeded,
                    "cannot read " + path + ": larger than " + std::to_string(maxBytes) + " bytes");
  };
  // A regular file says its size; anything else (a pipe, a device) is read up to the cap.
  std::vector<uint8_t> out;
  if (std::fseek(f.get(), 0, SEEK_END) == 0) {
    const long end = std::ftell(f.get());
    if (end > 0 && static_cast<uint64_t>(end) > maxBytes) throw tooLarge();
    if (end > 0) out.reserve(static_cast<size_t>(end));
    std::rewind(f.get());
  }
  uint8_t buf[1 << 16];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
    if (out.size() + n > maxBytes) throw tooLarge();
    out.insert(out.end(), buf, buf + n);
  }
  if (std::ferror(f.get()))
    throw PngError(PngError::Kind::FileSystem, "cannot read " + path + ": read error");
  return out;
}

}  // namespace dirsheet::png
