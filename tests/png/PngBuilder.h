// Builds small PNG files for the tests with zlib: chunks with their CRCs, IDAT made of
// unfiltered (type 0) scanlines, plain or split into the seven interlace passes.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace dirsheet::png::testing {

using Bytes = std::vector<uint8_t>;

inline Bytes ZlibCompress(const Bytes& raw, int level = 9, int strategy = Z_DEFAULT_STRATEGY) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, 15, 9, strategy);
  Bytes out(deflateBound(&z, raw.size()) + 16);
  z.next_in = const_cast<Bytef*>(raw.data());
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

class PngBuilder {
 public:
  PngBuilder() { bytes_ = {137, 80, 78, 71, 13, 10, 26, 10}; }

  PngBuilder& Chunk(const std::string& type, const Bytes& data, bool goodCrc = true) {
    Put32(static_cast<uint32_t>(data.size()));
    Bytes typed(type.begin(), type.end());
    typed.insert(typed.end(), data.begin(), data.end());
    bytes_.insert(bytes_.end(), typed.begin(), typed.end());
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size())));
    Put32(goodCrc ? crc : ~crc);
    return *this;
  }
  PngBuilder& Header(uint32_t w, uint32_t h, int depth, int colourType, int interlace = 0) {
    Bytes d;
    for (uint32_t v : {w, h})
      for (int s = 24; s >= 0; s -= 8) d.push_back(static_cast<uint8_t>(v >> s));
    d.insert(d.end(), {static_cast<uint8_t>(depth), static_cast<uint8_t>(colourType), 0, 0,
                       static_cast<uint8_t>(interlace)});
    return Chunk("IHDR", d);
  }
  // `rows` are the packed pixel rows without filter bytes.
  PngBuilder& Image(const std::vector<Bytes>& rows) {
    Bytes raw;
    for (const Bytes& r : rows) {
      raw.push_back(0);
      raw.insert(raw.end(), r.begin(), r.end());
    }
    return Chunk("IDAT", ZlibCompress(raw));
  }
  PngBuilder& End() { return Chunk("IEND", {}); }

  const Bytes& bytes() const { return bytes_; }
  static std::string WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }

 private:
  void Put32(uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) bytes_.push_back(static_cast<uint8_t>(v >> s));
  }
  Bytes bytes_;
};

// Adam7 split of an image given as one sample value per pixel (depth below 8, grey or
// palette): each pass row is packed at `depth` bits and led by filter type 0.
inline Bytes InterlacedScanlines(const std::vector<Bytes>& samples, int depth) {
  static const int pass[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                                 {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
  const int h = static_cast<int>(samples.size()), w = static_cast<int>(samples[0].size());
  Bytes raw;
  for (const auto& p : pass) {
    if (p[0] >= w) continue;
    for (int y = p[2]; y < h; y += p[3]) {
      raw.push_back(0);
      int bit = 0;
      uint8_t acc = 0;
      for (int x = p[0]; x < w; x += p[1]) {
        acc = static_cast<uint8_t>(acc | (samples[y][x] << (8 - depth - bit)));
        bit += depth;
        if (bit == 8) {
          raw.push_back(acc);
          acc = 0;
          bit = 0;
        }
      }
      if (bit) raw.push_back(acc);
    }
  }
  return raw;
}

}  // namespace dirsheet::png::testing
