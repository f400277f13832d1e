// Makes valid PNG files for the differential tests: random images of every colour type
// and bit depth, written either by libpng's own writer or by this file with zlib (random
// filter types per row, the Adam7 split, IDAT chunks cut anywhere, zlib's strategies or
// a hand-made single-distance-code stream). Deterministic for a given seed.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace dirsheet::png::testing {

using Bytes = std::vector<uint8_t>;

struct PictureLayout {
  int width = 1;
  int height = 1;
  int depth = 8;
  int colourType = 0;
  int interlace = 0;
};

// The picture itself: packed rows as in the file (no filter bytes), the palette and the
// tRNS chunk (empty when there is none), and text chunks.
struct Picture {
  PictureLayout layout;
  std::vector<Bytes> rows;
  Bytes palette;
  Bytes trns;
  std::vector<std::pair<std::string, std::string>> text;        // tEXt
  std::vector<std::pair<std::string, std::string>> compressed;  // zTXt
};

enum class Writer {
  Libpng,         // libpng's writer: its filter choice, interlacing and deflate
  Zlib,           // random filters per row, zlib with the given level and strategy
  SingleDistance  // random filters, a hand-made stream with one one-bit distance code
};

struct Encoding {
  Writer writer = Writer::Zlib;
  int level = 6;
  int strategy = 0;   // Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED
  int idatPiece = 0;  // IDAT chunks of this many bytes (0: one chunk; -1: random sizes)
  bool filtersFromRng = true;
};

int Channels(int colourType);

// A random picture: runs, repeated rows and noise, so that every filter and match kind
// occurs; a tRNS key taken from an actual pixel when `withTrns`.
Picture RandomPicture(const PictureLayout& layout, bool withTrns, std::mt19937& rng);

// The PNG file of a picture.
Bytes EncodePng(const Picture& picture, const Encoding& encoding, std::mt19937& rng);

}  // namespace dirsheet::png::testing
