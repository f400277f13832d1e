// The decoder's own deflate decompressor (RFC 1951). The caller has already dropped the
// two-byte zlib header; any bytes after the final block (the Adler-32 trailer) are never
// read and no checksum is verified.
#pragma once

#include <cstdint>
#include <vector>

namespace dirsheet::png {

// A decoding table: a root table indexed by the next bits of the stream (least
// significant first) and sub-tables for the longer codes. Every entry of a table built
// from a complete code is filled, so a lookup never misses.
struct CodeTable {
    std::vector<uint32_t> entries;
    unsigned rootBits = 0;
    int shortest = 0;  // shortest and longest code length of the tree
    int longest = 0;
};

// What the symbols of a table stand for.
enum class SymbolKind { LiteralLength, Distance, CodeLength };

// Builds `table` from one code length (0 to 16) per symbol, symbols 0 to lastIndex.
// `longest` is raised to the largest length met; `shortest` becomes the smallest
// non-zero one. Returns 0 when the code fills the code space exactly, a negative value
// when it is over-subscribed, and the positive remainder when it is incomplete; only 0
// leaves a usable table.
long BuildCodeTable(CodeTable& table, const int* lengths, int lastIndex, int& longest,
                    int& shortest, SymbolKind kind);

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

    // Decompresses `data` in place. `expectedSize` is raised by 100 and the output is cut
    // at that size when a back-reference would carry it further. `result` receives the
    // result code. When a code table cannot be built the message is shown and `data` is
    // left as it was handed in. Truncated or undecodable streams throw PngError.
    void Inflate(std::vector<uint8_t>& data, long& expectedSize, bool longLength, long& result);

    // How many times the fixed-code tables were built by this object (once at most).
    int FixedTableBuilds() const { return fixedBuilds_; }

private:
    bool BuildFixedTables();

    CodeTable fixedLit_;
    CodeTable fixedDist_;
    bool fixedBuilt_ = false;
    int fixedBuilds_ = 0;
};

}  // namespace dirsheet::png
