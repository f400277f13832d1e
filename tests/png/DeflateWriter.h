// Deflate streams written by hand, for what zlib's encoder never writes: blocks whose
// literal/length or distance code is a single code of length 1, or has no distance code.
#pragma once

#include <cstdint>
#include <vector>

namespace dirsheet::png::testing {

// Writes deflate bits least significant first; Huffman codes go most significant bit first.
class BitWriter {
 public:
  void Bits(uint32_t value, int n) {
    for (int i = 0; i < n; ++i) Bit((value >> i) & 1);
  }
  void Code(uint32_t code, int n) {
    for (int i = n - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  // The bytes so far, the last one padded with zero bits.
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  void Bit(uint32_t b) {
    if (count_ % 8 == 0) bytes_.push_back(0);
    bytes_.back() = static_cast<uint8_t>(bytes_.back() | (b << (count_ % 8)));
    ++count_;
  }
  std::vector<uint8_t> bytes_;
  int count_ = 0;
};

// Canonical codes (RFC 1951, 3.2.2) for a list of code lengths.
inline std::vector<uint32_t> CanonicalCodes(const std::vector<int>& lengths) {
  int count[16] = {};
  for (int l : lengths) ++count[l];
  count[0] = 0;
  uint32_t next[16] = {};
  uint32_t code = 0;
  for (int len = 1; len < 16; ++len) next[len] = code = (code + count[len - 1]) << 1;
  std::vector<uint32_t> codes(lengths.size());
  for (size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s]) codes[s] = next[lengths[s]]++;
  return codes;
}

// One dynamic block. Its code lengths are sent with a code length code that gives every
// length 0 to 15 four bits, so any lengths can be written without repeat codes.
class DynamicBlock {
 public:
  DynamicBlock(std::vector<int> litLengths, std::vector<int> distLengths)
      : lit_(std::move(litLengths)),
        dist_(std::move(distLengths)),
        litCodes_(CanonicalCodes(lit_)),
        distCodes_(CanonicalCodes(dist_)) {}

  void Header(BitWriter& w, bool final) const {
    w.Bits(final ? 1 : 0, 1);
    w.Bits(2, 2);
    w.Bits(static_cast<uint32_t>(lit_.size() - 257), 5);
    w.Bits(static_cast<uint32_t>(dist_.size() - 1), 5);
    w.Bits(15, 4);  // all 19 code length code lengths
    static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    for (int s : order) w.Bits(s < 16 ? 4 : 0, 3);
    for (const std::vector<int>* lengths : {&lit_, &dist_})
      for (int l : *lengths) w.Code(static_cast<uint32_t>(l), 4);  // symbol l has code l
  }
  void Literal(BitWriter& w, int symbol) const { w.Code(litCodes_[symbol], lit_[symbol]); }
  void EndOfBlock(BitWriter& w) const { Literal(w, 256); }
  // A match of length 3 to 10 (symbols 257 to 264, no extra bits) at distance symbol
  // `distSymbol` with `distExtra` extra bits of value `extraValue`.
  void Match(BitWriter& w, int length, int distSymbol, int distExtra = 0,
             uint32_t extraValue = 0) const {
    Literal(w, 254 + length);
    w.Code(distCodes_[distSymbol], dist_[distSymbol]);
    w.Bits(extraValue, distExtra);
  }

 private:
  std::vector<int> lit_, dist_;
  std::vector<uint32_t> litCodes_, distCodes_;
};

// A complete literal/length code over symbols 0 to 285: 226 codes of 8 bits and 60 of 9.
inline std::vector<int> FullLiteralLengths() {
  std::vector<int> lengths(286, 8);
  for (int s = 226; s < 286; ++s) lengths[s] = 9;
  return lengths;
}

// A distance code with the single one-bit code `symbol` (HDIST covers up to it).
inline std::vector<int> SingleDistance(int symbol) {
  std::vector<int> lengths(static_cast<size_t>(symbol) + 1, 0);
  lengths[static_cast<size_t>(symbol)] = 1;
  return lengths;
}

// Deflates `raw` in one dynamic block whose matches all use distance `distance` (a
// distance with no extra bits: 1 to 4), through a single one-bit distance code: runs
// that repeat the bytes `distance` back become matches of up to 10 bytes.
inline std::vector<uint8_t> SingleDistanceDeflate(const std::vector<uint8_t>& raw, int distance) {
  const DynamicBlock block(FullLiteralLengths(), SingleDistance(distance - 1));
  BitWriter w;
  block.Header(w, true);
  size_t i = 0;
  while (i < raw.size()) {
    size_t run = 0;
    while (i >= static_cast<size_t>(distance) && i + run < raw.size() && run < 10 &&
           raw[i + run] == raw[i + run - static_cast<size_t>(distance)])
      ++run;
    if (run >= 3) {
      block.Match(w, static_cast<int>(run), distance - 1);
      i += run;
    } else {
      block.Literal(w, raw[i++]);
    }
  }
  block.EndOfBlock(w);
  return w.bytes();
}

}  // namespace dirsheet::png::testing
