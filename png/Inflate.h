// The decoder's own deflate decompressor (RFC 1951). The caller has already dropped the
// two-byte zlib header; any bytes after the final block (the Adler-32 trailer) are never
// read and no checksum is verified.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dirsheet::png {

// A decoding table: a root table indexed by the next bits of the stream (least
// significant first) and sub-tables for the longer codes. Every entry is filled: the
// slots an accepted incomplete code leaves unused hold an entry that decodes as an error.
struct CodeTable {
  std::vector<uint32_t> entries;
  unsigned rootBits = 0;
  int shortest = 0;  // shortest and longest code length of the tree
  int longest = 0;
  bool usable = false;  // the table was built and may be decoded with
};

// What the symbols of a table stand for.
enum class SymbolKind { LiteralLength, Distance, CodeLength };

// Builds `table` from one code length (0 to 15) per symbol, symbols 0 to lastIndex.
// `longest` is raised to the largest length met; `shortest` becomes the smallest
// non-zero one. Returns 0 when the code fills the code space exactly, a negative value
// when it is over-subscribed, and the positive remainder when it is incomplete. A table
// is built for a complete code and for the incomplete codes deflate allows (RFC 1951,
// 3.2.7): a literal/length or distance code of exactly one code of length 1, and a
// distance code with no codes at all (a block of literals only). `table.usable` tells.
long BuildCodeTable(CodeTable& table, const int* lengths, int lastIndex, int& longest,
                    int& shortest, SymbolKind kind);

// Receives the inflated bytes of a streaming Inflate as they are made.
class InflateSink {
 public:
  virtual ~InflateSink() = default;
  // Takes what it can of the `size` bytes at `data` (a prefix of them) and returns how
  // many it took; the rest comes again, with more after it, at the next call.
  virtual size_t Take(const uint8_t* data, size_t size) = 0;
};

class Inflater {
 public:
  // Result codes of Inflate.
  static constexpr long kOk = 0;
  static constexpr long kStreamError = -1;  // stored block past the data, block type 3
  static constexpr long kBadStoredLength = -2;
  static constexpr long kRepeatFirst = -5;
  static constexpr long kRepeatPastEnd = -6;

  // The text shown when a code table cannot be built.
  static constexpr const char* kTreeMessage = "Error in tree creation (Static)";

  // What happens when a literal would pass the end of the output.
  enum class WhenFull {
    Throw,  // a malformed stream: PngError
    Stop,   // the output is cut there and decoding ends normally (text kept up to a cap)
  };

  // Decompresses `data` in place. `expectedSize` is raised by 100 and the output is cut
  // at that size when a back-reference would carry it further. `result` receives the
  // result code. When a code table cannot be built the message is shown and `data` is
  // left as it was handed in. Truncated or undecodable streams throw PngError.
  void Inflate(std::vector<uint8_t>& data, long& expectedSize, bool longLength, long& result);

  // The same without copies: inflates `size` bytes at `in` into `out` (replaced), whose
  // last index may be `lastIndex`. Returns the result code; TableRefused() tells
  // whether a refused code table ended it (then `out` is empty).
  long InflateBytes(const uint8_t* in, size_t size, size_t lastIndex, WhenFull whenFull,
                    std::vector<uint8_t>& out);

  // The same, streamed: the output goes to `sink` as it is made, through a window of
  // the last 64 KiB (the farthest a back-reference reaches) and a piece of output the
  // sink has not taken yet; no buffer of the whole output exists. Throws like Inflate.
  long InflateTo(const uint8_t* in, size_t size, size_t lastIndex, InflateSink& sink);

  // The last call ended at a code table that could not be built.
  bool TableRefused() const { return tableRefused_; }

  // Whether a refused code table shows the message (the default) or stays silent.
  void SetQuiet(bool quiet) { quiet_ = quiet; }

  // Builds the fixed-code tables at the first fixed block; later calls keep them.
  bool BuildFixedTables();

 private:
  CodeTable fixedLit_;
  CodeTable fixedDist_;
  bool fixedBuilt_ = false;
  bool tableRefused_ = false;
  bool quiet_ = false;
};

}  // namespace dirsheet::png
