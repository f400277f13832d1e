#include "png/Chunks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "png/ColourTables.h"
#include "png/PngError.h"

namespace dirsheet::png {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// Reads with bytes beyond the end of the file reading as 0.
uint8_t ByteAt(const uint8_t* bytes, size_t size, uint64_t at) { return at < size ? bytes[at] : 0; }

uint32_t BigEndian32(const uint8_t* bytes, size_t size, uint64_t at) {
  return (uint32_t{ByteAt(bytes, size, at)} << 24) | (uint32_t{ByteAt(bytes, size, at + 1)} << 16) |
         (uint32_t{ByteAt(bytes, size, at + 2)} << 8) | ByteAt(bytes, size, at + 3);
}

struct Span {
  const uint8_t* data;
  size_t size;
  std::vector<uint8_t> Copy() const { return std::vector<uint8_t>(data, data + size); }
};

std::string TwoDigits(unsigned v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02u", v);
  return buf;
}

// Appends up to the room left; what does not fit is dropped.
void AppendCapped(std::string& to, const uint8_t* data, size_t n, size_t room) {
  if (to.size() >= room) return;
  to.append(reinterpret_cast<const char*>(data), std::min(n, room - to.size()));
}

void ReadHeader(Span c, ImageHeader& h) {
  if (c.size < 13) throw PngError(PngError::Kind::ChunkPastEnd, "IHDR chunk shorter than 13 bytes");
  h.width = static_cast<int32_t>(BigEndian32(c.data, c.size, 0));
  h.height = static_cast<int32_t>(BigEndian32(c.data, c.size, 4));
  h.bitDepth = c.data[8];
  h.colourType = c.data[9];
  h.compression = c.data[10];
  h.filterMethod = c.data[11];
  h.interlace = c.data[12];
}

// A chunk too short for its value is skipped and the value stays as it was.
void ReadGamma(Span c, PngInfo& info) {
  if (c.size >= 4) info.gamma = static_cast<int32_t>(BigEndian32(c.data, c.size, 0));
}

void ReadTime(Span c, PngInfo& info) {
  if (c.size < 7) return;
  const uint8_t* d = c.data;
  const unsigned year = (d[0] << 8) | d[1];
  info.modificationTime = TwoDigits(d[3]) + "." + TwoDigits(d[2]) + "." + std::to_string(year) +
                          " " + TwoDigits(d[4]) + ":" + TwoDigits(d[5]) + ":" + TwoDigits(d[6]);
}

// tEXt: the keyword, its NUL and the text, then one more NUL.
void ReadText(Span c, size_t room, PngInfo& info) {
  static const uint8_t nul = 0;
  AppendCapped(info.text, c.data, c.size, room);
  AppendCapped(info.text, &nul, 1, room);
}

// zTXt: the keyword, NUL, the inflated text, NUL. The stream starts after the keyword's
// NUL, the compression method byte and the two-byte zlib header, none of them examined.
// A chunk that is empty or whose text does not inflate is skipped; text beyond the room
// left is not inflated at all.
void ReadCompressedText(Span c, size_t room, Inflater& inflater, PngInfo& info) {
  std::string& to = info.compressedText;
  if (c.size == 0 || to.size() >= room) return;
  const size_t keyLength =
      static_cast<size_t>(std::find(c.data, c.data + c.size, uint8_t{0}) - c.data);
  const size_t start = std::min(c.size, keyLength + 4);
  const size_t left = room - to.size();
  std::vector<uint8_t> text;
  if (keyLength + 1 < left) {
    const size_t textRoom = left - keyLength - 1;
    try {
      const long result = inflater.InflateBytes(c.data + start, c.size - start, textRoom,
                                                Inflater::WhenFull::Stop, text);
      if (inflater.TableRefused() || result == Inflater::kStreamError) return;
    } catch (const PngError&) {
      return;  // truncated or undecodable: the chunk is skipped
    }
  }
  static const uint8_t nul = 0;
  AppendCapped(to, c.data, keyLength, room);
  AppendCapped(to, &nul, 1, room);
  AppendCapped(to, text.data(), text.size(), room);
  AppendCapped(to, &nul, 1, room);
}

}  // namespace

long BackgroundColour(const std::vector<uint8_t>& d, const ImageHeader& h,
                      const std::vector<uint8_t>& palette, long previous) {
  const long depth = h.bitDepth;
  switch (h.colourType) {
    case 0:
    case 4: {
      if (d.size() != 2 || depth < 1 || depth > 16) return 0;
      const unsigned v = (d[0] << 8) | d[1];
      const std::vector<Rgb> ramp = GreyRamp(depth);
      if (v > (1u << depth) - 1 || v >= ramp.size()) return 0;
      return ramp[v].red | (ramp[v].green << 8) | (ramp[v].blue << 16);
    }
    case 2:
    case 6: {
      if (d.size() != 6 || depth < 1 || depth > 16) return 0;
      const double maxSample = std::ldexp(1.0, static_cast<int>(depth)) - 1.0;
      long c[3];
      for (int i = 0; i < 3; ++i) {
        const unsigned v = (d[2 * i] << 8) | d[2 * i + 1];
        c[i] = std::lrint(static_cast<double>(v) / maxSample * 255.0);  // ties to even
        if (c[i] > 255) return 0;  // a sample beyond the bit depth
      }
      return c[0] + 256 * c[1] + 65536 * c[2];
    }
    case 3: {
      if (d.size() != 1) return 0;
      const size_t at = size_t{d[0]} * 3;
      if (at + 2 >= palette.size()) return 0;
      return palette[at] | (palette[at + 1] << 8) | (palette[at + 2] << 16);
    }
    default:
      return previous;  // other colour types leave the colour as it was
  }
}

void ReadChunks(const uint8_t* bytes, size_t size, const DecodeOptions& options, Inflater& inflater,
                PngInfo& info, std::vector<ImageDataPiece>& pieces) {
  for (int i = 0; i < 8; ++i)
    if (ByteAt(bytes, size, i) != kSignature[i])
      throw PngError(PngError::Kind::NotPng, "not a PNG file (signature)");

  pieces.clear();
  uint64_t idatBytes = 0;
  for (uint64_t pos = 8;;) {
    const uint32_t length = BigEndian32(bytes, size, pos);
    char type[4];
    for (int i = 0; i < 4; ++i) type[i] = static_cast<char>(ByteAt(bytes, size, pos + 4 + i));
    pos += 8;
    // The data must end before the file does (the CRC may be cut short); lengths of
    // 2^31 or more are malformed.
    if (length >= 0x80000000u || pos + 1 + length > size)
      throw PngError(PngError::Kind::ChunkPastEnd,
                     "chunk " + std::string(type, 4) + " runs past the end of the file");
    const Span c{bytes + pos, length};
    pos += uint64_t{length} + 4;  // the CRC is not verified

    auto is = [&type](const char* name) { return std::memcmp(type, name, 4) == 0; };
    if (is("IDAT")) {
      if (length) pieces.push_back({static_cast<size_t>(c.data - bytes), length});
      idatBytes += length;
    } else if (is("IEND")) {
      break;
    } else if (is("IHDR")) {
      ReadHeader(c, info.header);
    } else if (is("PLTE")) {
      info.palette = c.Copy();
    } else if (is("bKGD")) {
      info.background = c.Copy();
      info.backgroundColour =
          BackgroundColour(info.background, info.header, info.palette, info.backgroundColour);
      info.hasBackground = true;
    } else if (is("gAMA")) {
      ReadGamma(c, info);
    } else if (is("tEXt")) {
      ReadText(c, options.textRoom, info);
    } else if (is("zTXt")) {
      ReadCompressedText(c, options.compressedTextRoom, inflater, info);
    } else if (is("tIME")) {
      ReadTime(c, info);
    } else if (is("tRNS")) {
      info.hasTransparency = true;
      info.transparency = c.Copy();
    }
    // cHRM, oFFs, pCAL, sCAL, hIST, pHYs, sBIT, gIFg, gIFx and all others: ignored.
  }
  if (idatBytes == 0) throw PngError(PngError::Kind::NoImageData, "no image data before IEND");
}

}  // namespace dirsheet::png
