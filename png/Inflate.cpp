#include "png/Inflate.h"

#include <algorithm>
#include <cstring>

#include "png/Notify.h"
#include "png/PngError.h"

namespace dirsheet::png {

namespace {

// Table entry layout:
//   bits 0-7    the bits to drop: the code's length (both codes' for a pair of literals;
//               the root width for a sub-table link)
//   bits 8-12   the extra bits of a length or distance, or the index bits of a sub-table;
//               for a literal entry bit 8 says that a second literal follows
//   bit 13      special: end of block (value 0) or a symbol with no meaning (value 1)
//   bit 14      link to a sub-table (value: its offset)
//   bit 15      one or two literals (value: the first in bits 16-23, the second above)
//   bits 16-31  the value: literal bytes, base length, base distance, plain symbol
// A distance entry with base 0 stands for a code the stream may not use: distance 0
// fails the same test as a distance before the start of the output.
constexpr uint32_t kLiteral = 1u << 15;
constexpr uint32_t kSubTable = 1u << 14;
constexpr uint32_t kSpecial = 1u << 13;
constexpr uint32_t kSecondLiteral = 1u << 8;

constexpr uint32_t MakeEntry(uint32_t drop, uint32_t flags, uint32_t extra, uint32_t value) {
  return drop | flags | (extra << 8) | (value << 16);
}
inline uint32_t EntryDrop(uint32_t e) { return e & 0xFFu; }
inline uint32_t EntryExtra(uint32_t e) { return (e >> 8) & 31u; }
inline uint32_t EntryValue(uint32_t e) { return e >> 16; }

constexpr int kMaxCodeBits = 15;
constexpr unsigned kLitRootBits = 11;
constexpr unsigned kDistRootBits = 8;
constexpr unsigned kCodeLengthRootBits = 7;  // code length codes are at most 7 bits: no sub-tables

// The most entries a table can need: the root, plus sub-tables. A sub-table of 2^k
// entries lies under a full subtree of depth k, which holds at least k + 1 codes, so the
// sub-tables of n symbols take at most n * 2^K / (K + 1) entries, K = longest - root.
constexpr size_t TableBound(unsigned root, unsigned symbols) {
  const unsigned k = kMaxCodeBits > static_cast<int>(root) ? kMaxCodeBits - root : 0;
  return (size_t{1} << root) + (symbols * (size_t{1} << k) + k) / (k + 1);
}
constexpr size_t kLitTableSize = TableBound(kLitRootBits, 288);
constexpr size_t kDistTableSize = TableBound(kDistRootBits, 32);
constexpr size_t kCodeLengthTableSize = size_t{1} << kCodeLengthRootBits;

static_assert(kLitTableSize == (1u << kLitRootBits) + 922,
              "root plus the sub-tables of 288 symbols");
static_assert(kDistTableSize == (1u << kDistRootBits) + 512,
              "root plus the sub-tables of 32 symbols");
static_assert(kLitTableSize < (1u << 16) && kDistTableSize < (1u << 16),
              "sub-table offsets fit the value field");
static_assert(kMaxCodeBits - kDistRootBits < 32 && 2 * kLitRootBits < 256,
              "widths fit the entry fields");
// One refill gives at least 56 bits: enough for a length code with its 5 extra bits and
// a distance code with its (at most 14) extra bits, or for three root-table entries.
static_assert(kMaxCodeBits + 5 + kMaxCodeBits + 14 <= 56, "a match decodes from one refill");
static_assert(3 * kLitRootBits <= 56, "three literal entries decode from one refill");

constexpr unsigned RootBitsFor(SymbolKind kind) {
  return kind == SymbolKind::LiteralLength ? kLitRootBits
         : kind == SymbolKind::Distance    ? kDistRootBits
                                           : kCodeLengthRootBits;
}
constexpr size_t TableSizeFor(SymbolKind kind) {
  return kind == SymbolKind::LiteralLength ? kLitTableSize
         : kind == SymbolKind::Distance    ? kDistTableSize
                                           : kCodeLengthTableSize;
}

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// Entries 30 and 31 extend the format's table (base 32769 and 49153, 14 extra bits); a
// stream that uses them still has to refer back into the output it has made.
constexpr uint16_t kDistBase[32] = {1,    2,    3,    4,     5,     7,     9,     13,
                                    17,   25,   33,   49,    65,    97,    129,   193,
                                    257,  385,  513,  769,   1025,  1537,  2049,  3073,
                                    4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2,  2,  3,  3,  4,  4,  5,  5,  6,  6,
                                    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                          11, 4,  12, 3, 13, 2, 14, 1, 15};

uint32_t EntryFor(SymbolKind kind, int symbol, uint32_t drop) {
  switch (kind) {
    case SymbolKind::LiteralLength:
      if (symbol < 256) return MakeEntry(drop, kLiteral, 0, static_cast<uint32_t>(symbol));
      if (symbol == 256) return MakeEntry(drop, kSpecial, 0, 0);
      if (symbol <= 285)
        return MakeEntry(drop, 0, kLengthExtra[symbol - 257], kLengthBase[symbol - 257]);
      return MakeEntry(drop, kSpecial, 0, 1);  // 286 and 287 have no length
    case SymbolKind::Distance:
      return MakeEntry(drop, 0, kDistExtra[symbol], kDistBase[symbol]);
    case SymbolKind::CodeLength:
      break;
  }
  return MakeEntry(drop, 0, 0, static_cast<uint32_t>(symbol));
}

// The entry for the slots an accepted incomplete code leaves unused.
uint32_t UnusedEntry(SymbolKind kind, unsigned drop) {
  return kind == SymbolKind::LiteralLength ? MakeEntry(drop, kSpecial, 0, 1)
                                           : MakeEntry(drop, 0, 0, 0);
}

struct ByteReversal {
  uint8_t bytes[256];
  constexpr ByteReversal() : bytes() {
    for (int i = 0; i < 256; ++i) {
      int r = 0;
      for (int b = 0; b < 8; ++b) r |= ((i >> b) & 1) << (7 - b);
      bytes[i] = static_cast<uint8_t>(r);
    }
  }
};
constexpr ByteReversal kReversed;

// The `length` low bits of `code` in reverse order (codes are at most 15 bits).
inline uint32_t ReverseBits(uint32_t code, int length) {
  const uint32_t r =
      (uint32_t{kReversed.bytes[code & 0xFF]} << 8) | kReversed.bytes[(code >> 8) & 0xFF];
  return r >> (16 - length);
}

// Where a literal's code leaves room in the root index for the whole code of a second
// literal, the entry decodes both. Entries are visited from the top down, so the entry
// read for the second literal (at a lower index) is still a single one.
void PairLiterals(uint32_t* t, unsigned root) {
  for (uint32_t i = 1u << root; i-- > 0;) {
    const uint32_t e = t[i];
    if (!(e & kLiteral)) continue;
    const uint32_t first = EntryDrop(e);
    if (first >= root) continue;
    const uint32_t e2 = t[i >> first];
    if (!(e2 & kLiteral) || (e2 & kSecondLiteral) || EntryDrop(e2) > root - first) continue;
    t[i] = MakeEntry(first + EntryDrop(e2), kLiteral | kSecondLiteral, 0,
                     EntryValue(e) | (EntryValue(e2) << 8));
  }
}

// Fills the table of a code whose lengths passed the code-space check.
void FillTable(CodeTable& table, const int* lengths, int lastIndex, int* count, int maxLen,
               bool complete, SymbolKind kind) {
  // The root is always full width, even for short codes, so that the fast loop can
  // take its width as a constant.
  const unsigned root = RootBitsFor(kind);
  const uint32_t rootSize = 1u << root;
  const uint32_t rootMask = rootSize - 1;
  table.rootBits = root;
  table.entries.resize(TableSizeFor(kind));
  uint32_t* const t = table.entries.data();
  if (!complete) std::fill(t, t + rootSize, UnusedEntry(kind, static_cast<unsigned>(maxLen)));

  // The first code of each length (RFC 1951, 3.2.2).
  uint32_t next[kMaxCodeBits + 1] = {};
  uint32_t code = 0;
  count[0] = 0;
  for (int len = 1; len <= kMaxCodeBits; ++len) {
    code = (code + static_cast<uint32_t>(count[len - 1])) << 1;
    next[len] = code;
  }

  // Codes longer than the root get a sub-table per root prefix, as wide as the longest
  // code sharing that prefix.
  uint8_t subBits[1u << kLitRootBits];
  uint16_t prefixes[288];  // the root prefixes that get a sub-table
  int prefixCount = 0;
  if (static_cast<unsigned>(maxLen) > root) std::memset(subBits, 0, rootSize);
  uint16_t codes[288];
  for (int s = 0; s <= lastIndex; ++s) {
    const int len = lengths[s];
    if (len == 0) continue;
    codes[s] = static_cast<uint16_t>(ReverseBits(next[len]++, len));
    if (static_cast<unsigned>(len) > root) {
      uint8_t& b = subBits[codes[s] & rootMask];
      if (b == 0) prefixes[prefixCount++] = static_cast<uint16_t>(codes[s] & rootMask);
      b = std::max<uint8_t>(b, static_cast<uint8_t>(static_cast<unsigned>(len) - root));
    }
  }
  uint32_t offset = rootSize;
  for (int i = 0; i < prefixCount; ++i) {
    const uint32_t p = prefixes[i];
    t[p] = MakeEntry(root, kSubTable, subBits[p], offset);
    offset += 1u << subBits[p];
  }
  for (int s = 0; s <= lastIndex; ++s) {
    const unsigned len = static_cast<unsigned>(lengths[s]);
    if (len == 0) continue;
    const uint32_t rev = codes[s];
    if (len <= root) {
      const uint32_t e = EntryFor(kind, s, len);
      for (uint32_t i = rev; i < rootSize; i += 1u << len) t[i] = e;
    } else {
      const uint32_t link = t[rev & rootMask];
      const uint32_t base = EntryValue(link), bits = EntryExtra(link);
      const uint32_t e = EntryFor(kind, s, len - root);
      for (uint32_t i = rev >> root; i < (1u << bits); i += 1u << (len - root)) t[base + i] = e;
    }
  }
  if (kind == SymbolKind::LiteralLength) PairLiterals(t, root);
}

[[noreturn]] void Truncated() {
  throw PngError(PngError::Kind::Truncated, "deflate data ends before its final block");
}
[[noreturn]] void BadData(const char* what) { throw PngError(PngError::Kind::BadData, what); }

}  // namespace

long BuildCodeTable(CodeTable& table, const int* lengths, int lastIndex, int& longest,
                    int& shortest, SymbolKind kind) {
  table.usable = false;
  int count[kMaxCodeBits + 1] = {};
  int maxLen = 0;
  shortest = 16;
  for (int s = 0; s <= lastIndex; ++s) {
    const int len = lengths[s];
    if (len < 0 || len > kMaxCodeBits) return -1;
    ++count[len];
    maxLen = std::max(maxLen, len);
    if (len != 0 && len < shortest) shortest = len;
  }
  longest = std::max(longest, maxLen);
  // The code space left over after each length: negative when over-subscribed.
  long left = 1;
  for (int len = 1; len <= std::min(longest, kMaxCodeBits); ++len) {
    left = left * 2 - count[len];
    if (left < 0) return left;
  }
  if (left != 0) {
    // Deflate allows two incomplete codes (RFC 1951, 3.2.7), as zlib does: a
    // literal/length or distance code of one code of length 1 (one bit, one unused
    // code), and no distance code at all (the block holds only literals).
    const int used = lastIndex + 1 - count[0];
    const bool oneBit = used == 1 && count[1] == 1;
    const bool noDistances = used == 0 && kind == SymbolKind::Distance;
    if (kind == SymbolKind::CodeLength || !(oneBit || noDistances)) return left;
  }
  FillTable(table, lengths, lastIndex, count, maxLen, left == 0, kind);
  table.shortest = shortest;
  table.longest = longest;
  table.usable = true;
  return left;
}

namespace {

// Room the fast loop keeps at the end of the output: the longest match and the 16-byte
// overshoot of its copy.
constexpr size_t kFastSlack = 258 + 16;
// A streaming decode keeps this much output behind the position: the farthest distance
// the table allows (base 49153 plus 14 extra bits).
constexpr size_t kHistory = 65536;
// ... and makes this much more before it hands the new bytes to the sink.
constexpr size_t kStreamPiece = 256 * 1024;

// Copies a match of `length` bytes from `distance` back, in 8- or 16-byte pieces that may
// write up to 15 bytes past its end (the fast loop keeps that room).
inline void CopyMatch(uint8_t* out, size_t distance, uint32_t length) {
  const uint8_t* src = out - distance;
  uint8_t* const stop = out + length;
  if (distance >= 16) {
    do {
      std::memcpy(out, src, 16);
      out += 16;
      src += 16;
    } while (out < stop);
  } else if (distance >= 8) {
    do {
      std::memcpy(out, src, 8);
      out += 8;
      src += 8;
    } while (out < stop);
  } else if (distance == 1) {
    uint64_t v = *src * 0x0101010101010101ull;
    do {
      std::memcpy(out, &v, 8);
      out += 8;
    } while (out < stop);
  } else {
    // Distances 2 to 7: each 8-byte copy has its first `distance` bytes right, so
    // stepping by the distance repeats the pattern.
    do {
      uint64_t v;
      std::memcpy(&v, src, 8);
      std::memcpy(out, &v, 8);
      out += distance;
      src += distance;
    } while (out < stop);
  }
}

// One call's working state: the input, a 64-bit bit buffer filled least significant
// bit first, and the output with its hard limit (its last index). Positions in the
// output are counted from its start; the buffer holds the output from `start_` on, all
// of it, or, when streaming to a sink, the part the sink has not taken and the history
// a back-reference may reach.
class Decoder {
 public:
  Decoder(const uint8_t* in, size_t size, size_t lastIndex, bool longLength,
          Inflater::WhenFull whenFull, InflateSink* sink)
      : in_(in),
        end_(in + size),
        limit_(lastIndex),
        longLength_(longLength),
        stopWhenFull_(whenFull == Inflater::WhenFull::Stop),
        sink_(sink) {
    // Deflate cannot expand one input byte into more than 1032 output bytes, so the
    // reservation follows the data actually present, not only the caller's estimate.
    uint64_t first = std::max<uint64_t>(uint64_t{size} * 1032u + 1024u, 1u << 16);
    if (sink_) first = std::min<uint64_t>(first, kHistory + kStreamPiece);
    out_.resize(static_cast<size_t>(std::min<uint64_t>(uint64_t{limit_} + 1, first)));
  }

  enum class Outcome { Finished, TableRefused };
  // Decodes every block; `result` gets the result code.
  Outcome Run(Inflater& inflater, CodeTable& fixedLit, CodeTable& fixedDist, long& result);
  std::vector<uint8_t> TakeOutput() {
    out_.resize(pos_);  // the whole output: nothing was slid out
    return std::move(out_);
  }
  // Hands the sink what it has not taken yet.
  void Finish() {
    if (sink_ && pos_ > taken_) taken_ += sink_->Take(At(taken_), pos_ - taken_);
  }

 private:
  void Refill() {
    while (bitCount_ <= 56) {
      if (in_ < end_) {
        bits_ |= static_cast<uint64_t>(*in_++) << bitCount_;
      } else {
        ++virtualBytes_;  // zero bits past the end, never to be consumed
      }
      bitCount_ += 8;
    }
  }
  // Bits consumed beyond the real input mean the stream ended early.
  void CheckInput() const {
    if (bitCount_ < virtualBytes_ * 8) Truncated();
  }
  void Drop(unsigned n) {
    bits_ >>= n;
    bitCount_ -= n;
  }
  uint32_t GetBits(unsigned n) {
    if (bitCount_ < n) Refill();
    const uint32_t v = static_cast<uint32_t>(bits_ & ((uint64_t{1} << n) - 1));
    Drop(n);
    CheckInput();
    return v;
  }
  // One symbol's entry, its code's bits dropped. Needs 15 bits in the buffer.
  uint32_t Lookup(const CodeTable& t) {
    uint32_t e = t.entries[bits_ & ((1u << t.rootBits) - 1)];
    if (e & kSubTable) {
      Drop(t.rootBits);
      e = t.entries[EntryValue(e) + (bits_ & ((1u << EntryExtra(e)) - 1))];
    }
    Drop(EntryDrop(e));
    CheckInput();
    return e;
  }
  uint8_t* At(size_t position) { return out_.data() + (position - start_); }
  // The end of the room the buffer has, and may have (the output's limit).
  size_t End() const { return start_ + out_.size(); }
  size_t Room() const { return std::min(End(), limit_ + 1); }
  // Makes room up to `needed` (capped at the output's limit): first by handing the
  // sink what it takes and sliding the rest down, then by growing the buffer.
  void Reserve(size_t needed) {
    if (needed <= End()) return;
    if (sink_) {
      taken_ += sink_->Take(At(taken_), pos_ - taken_);
      const size_t keepFrom = std::min(taken_, pos_ > kHistory ? pos_ - kHistory : 0);
      if (keepFrom > start_) {
        std::memmove(out_.data(), At(keepFrom), pos_ - keepFrom);
        start_ = keepFrom;
      }
      if (needed <= End()) return;
    }
    out_.resize(std::min(limit_ + 1, std::max(needed, start_ + 2 * out_.size())) - start_);
  }
  bool PutLiteral(uint8_t v);

  bool Stored(long& result);
  long ReadDynamic(CodeTable& lit, CodeTable& dist);
  bool Codes(const CodeTable& lit, const CodeTable& dist);
  bool FastCodes(const CodeTable& lit, const CodeTable& dist);

  const uint8_t* in_;
  const uint8_t* end_;
  uint64_t bits_ = 0;
  unsigned bitCount_ = 0;
  unsigned virtualBytes_ = 0;
  std::vector<uint8_t> out_;
  size_t start_ = 0;  // position of out_[0]
  size_t pos_ = 0;    // position of the next byte
  size_t taken_ = 0;  // the sink has taken the output up to here
  size_t limit_;      // last index of the output
  bool longLength_;
  bool stopWhenFull_;
  InflateSink* sink_;
};

// Returns false when a stored block cannot be copied and decoding ends.
bool Decoder::Stored(long& result) {
  // Whole bytes still in the bit buffer go back to the input; the bits of a partly
  // used byte are dropped.
  Drop(bitCount_ % 8);
  CheckInput();
  in_ -= bitCount_ / 8 - virtualBytes_;
  bits_ = 0;
  bitCount_ = 0;
  virtualBytes_ = 0;
  if (end_ - in_ < 5) {  // the header and at least one byte after it
    result = Inflater::kStreamError;
    return false;
  }
  const uint32_t len = in_[0] | (in_[1] << 8);
  const uint32_t nlen = in_[2] | (in_[3] << 8);
  in_ += 4;
  if (len != (~nlen & 0xFFFFu)) result = Inflater::kBadStoredLength;  // decoding goes on with LEN
  if (static_cast<size_t>(end_ - in_) < len || pos_ + len > limit_ + 1) {
    result = Inflater::kStreamError;
    return false;
  }
  Reserve(pos_ + len);
  std::memcpy(At(pos_), in_, len);
  pos_ += len;
  in_ += len;
  return true;
}

long Decoder::ReadDynamic(CodeTable& lit, CodeTable& dist) {
  const int hlit = static_cast<int>(GetBits(5)) + 257;
  const int hdist = static_cast<int>(GetBits(5)) + 1;
  const int hclen = static_cast<int>(GetBits(4));
  int clLengths[19] = {};
  for (int k = 0; k < hclen + 4; ++k) clLengths[kCodeLengthOrder[k]] = static_cast<int>(GetBits(3));
  CodeTable cl;
  int longest = 0, shortest = 0;
  if (BuildCodeTable(cl, clLengths, 18, longest, shortest, SymbolKind::CodeLength) != 0)
    return Inflater::kStreamError;

  int lengths[288 + 32] = {};
  const int total = hlit + hdist;
  int n = 0;
  while (n < total) {
    Refill();
    const int s = static_cast<int>(EntryValue(Lookup(cl)));
    if (s < 16) {
      lengths[n++] = s;
      continue;
    }
    int value = 0, repeat = 0;
    if (s == 16) {
      if (n == 0) return Inflater::kRepeatFirst;  // nothing to repeat
      value = lengths[n - 1];
      repeat = 3 + static_cast<int>(GetBits(2));
    } else if (s == 17) {
      repeat = 3 + static_cast<int>(GetBits(3));
    } else {
      repeat = 11 + static_cast<int>(GetBits(7));
    }
    if (n + repeat > total) return Inflater::kRepeatPastEnd;
    while (repeat--) lengths[n++] = value;
  }
  // A block must be able to end: a literal/length code without symbol 256 is refused,
  // as zlib refuses it.
  if (lengths[256] == 0) return Inflater::kStreamError;
  longest = 0;
  long built = BuildCodeTable(lit, lengths, hlit - 1, longest, shortest, SymbolKind::LiteralLength);
  if (!lit.usable) return built != 0 ? built : Inflater::kStreamError;
  longest = 0;
  built = BuildCodeTable(dist, lengths + hlit, hdist - 1, longest, shortest, SymbolKind::Distance);
  if (!dist.usable) return built != 0 ? built : Inflater::kStreamError;
  return 0;
}

// The hot loop: runs while at least 8 input bytes and room for the longest match (plus
// the copy's overshoot) remain, so that one refill serves a whole length/distance pair
// or three literal entries, and no output check is needed. The next entry is looked up
// before the refill wherever enough bits are left for it. Returns true at the end of
// the block, false when the careful loop must take over. Kept as one function so that
// the bit buffer and pointers stay in registers across the whole loop.
bool Decoder::FastCodes(const CodeTable& lit, const CodeTable& dist) {
  const uint8_t* in = in_;
  const uint8_t* const inLast = end_ - 8;  // a refill reads 8 bytes
  uint64_t bits = bits_;
  unsigned count = bitCount_;
  // `base` holds all the history a back-reference may reach (see Reserve).
  uint8_t* const base = out_.data();
  uint8_t* out = At(pos_);
  uint8_t* const outLast = base + (Room() - start_ - kFastSlack);
  const uint32_t* const litT = lit.entries.data();
  const uint32_t* const distT = dist.entries.data();
  constexpr uint64_t litMask = (1u << kLitRootBits) - 1, distMask = (1u << kDistRootBits) - 1;
  constexpr unsigned litRoot = kLitRootBits, distRoot = kDistRootBits;
  bool endOfBlock = false;
  auto refill = [&] {
    uint64_t word;
    std::memcpy(&word, in, 8);
    bits |= word << count;
    in += (63 - count) >> 3;
    count |= 56;
  };
  auto consume = [&](unsigned n) {
    bits >>= n;
    count -= n;
  };

  if (in > inLast || out > outLast) return false;
  refill();
  uint32_t e = litT[bits & litMask];
  for (;;) {
    if (e & kLiteral) {
      // Up to three root entries of one or two literals each: at most 33 bits.
      for (int k = 0; k < 3 && (e & kLiteral); ++k) {
        consume(EntryDrop(e));
        const uint32_t v = EntryValue(e);
        out[0] = static_cast<uint8_t>(v);
        out[1] = static_cast<uint8_t>(v >> 8);
        out += 1 + ((e >> 8) & 1);
        e = litT[bits & litMask];
      }
      if (in > inLast || out > outLast) break;
      // At least 23 bits were left, so the entry looked up stays right.
      refill();
      continue;
    }
    if (e & kSubTable) {
      consume(litRoot);
      e = litT[EntryValue(e) + (bits & ((1u << EntryExtra(e)) - 1))];
    }
    consume(EntryDrop(e));
    if (e & kLiteral) {
      *out++ = static_cast<uint8_t>(EntryValue(e));
    } else if (e & kSpecial) {
      if (EntryValue(e) != 0) BadData("literal/length symbol without a length");
      endOfBlock = true;
      break;
    } else {
      uint32_t extra = EntryExtra(e);
      const uint32_t length = EntryValue(e) + static_cast<uint32_t>(bits & ((1u << extra) - 1));
      consume(extra);
      e = distT[bits & distMask];
      if (e & kSubTable) {
        consume(distRoot);
        e = distT[EntryValue(e) + (bits & ((1u << EntryExtra(e)) - 1))];
      }
      consume(EntryDrop(e));
      extra = EntryExtra(e);
      const size_t distance = EntryValue(e) + static_cast<uint32_t>(bits & ((1u << extra) - 1));
      consume(extra);
      // Distance 0 is an unused code of the table.
      if (distance - 1 >= static_cast<size_t>(out - base))
        BadData("back-reference before the start of the output");
      CopyMatch(out, distance, length);
      out += length;
    }
    if (in > inLast || out > outLast) break;
    refill();
    e = litT[bits & litMask];
  }
  in_ = in;
  bits_ = bits;
  bitCount_ = count;
  pos_ = start_ + static_cast<size_t>(out - base);
  return endOfBlock;
}

// Stores one literal; false when the output is full and decoding ends there.
bool Decoder::PutLiteral(uint8_t v) {
  if (pos_ > limit_) {
    if (stopWhenFull_) return false;
    BadData("literal past the end of the output buffer");
  }
  Reserve(pos_ + 1);
  *At(pos_++) = v;
  return true;
}

// Decodes the symbols of one block. Returns false when the output reached its limit and
// decoding ends.
bool Decoder::Codes(const CodeTable& lit, const CodeTable& dist) {
  for (;;) {
    if (!longLength_ && end_ - in_ >= 8) {
      if (Room() >= pos_ + kFastSlack) {
        if (FastCodes(lit, dist)) return true;
      } else if (pos_ + kFastSlack <= limit_ + 1) {
        Reserve(pos_ + kFastSlack);
        continue;
      }
    }
    Refill();
    const uint32_t e = Lookup(lit);
    if (e & kLiteral) {
      if (!PutLiteral(static_cast<uint8_t>(EntryValue(e)))) return false;
      if ((e & kSecondLiteral) && !PutLiteral(static_cast<uint8_t>(EntryValue(e) >> 8)))
        return false;
      continue;
    }
    if (e & kSpecial) {
      if (EntryValue(e) == 0) return true;
      BadData("literal/length symbol without a length");
    }
    uint32_t length = EntryValue(e) + GetBits(EntryExtra(e));
    if (longLength_ && length == 258) length = GetBits(16) + 3;
    Refill();
    const uint32_t d = Lookup(dist);
    const size_t distance = EntryValue(d) + GetBits(EntryExtra(d));
    // A match that would carry the output past its limit cuts it at the expected size.
    if (pos_ > limit_) {
      pos_ = limit_;
      return false;
    }
    if (distance - 1 >= pos_) BadData("back-reference before the start of the output");
    const bool cut = pos_ + length > limit_ + 1;
    const size_t n = cut ? limit_ + 1 - pos_ : length;
    Reserve(pos_ + n);
    uint8_t* out = At(pos_);
    const uint8_t* src = out - distance;
    for (size_t i = 0; i < n; ++i) out[i] = src[i];
    pos_ += n;
    if (cut) {
      pos_ = limit_;
      return false;
    }
  }
}

Decoder::Outcome Decoder::Run(Inflater& inflater, CodeTable& fixedLit, CodeTable& fixedDist,
                              long& result) {
  result = Inflater::kOk;
  CodeTable dynLit, dynDist;
  for (;;) {
    const bool final = GetBits(1) != 0;
    const uint32_t type = GetBits(2);
    const CodeTable* lit = &fixedLit;
    const CodeTable* dist = &fixedDist;
    if (type == 0) {
      if (!Stored(result) || final) return Outcome::Finished;
      continue;
    }
    if (type == 3) {
      result = Inflater::kStreamError;
      return Outcome::Finished;
    }
    long built = 0;
    if (type == 1) {
      if (!inflater.BuildFixedTables()) built = Inflater::kStreamError;
    } else {
      built = ReadDynamic(dynLit, dynDist);
      lit = &dynLit;
      dist = &dynDist;
    }
    if (built != 0) {
      result = built;
      return Outcome::TableRefused;
    }
    if (!Codes(*lit, *dist) || final) return Outcome::Finished;
  }
}

}  // namespace

// The fixed codes (RFC 1951, 3.2.6), built at the first fixed block and kept: literal
// and length lengths 8 for 0-143, 9 for 144-255, 7 for 256-279, 8 for 280-287; every
// distance code has 5 bits.
bool Inflater::BuildFixedTables() {
  if (fixedBuilt_) return true;
  int lengths[288];
  for (int s = 0; s < 288; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
  int distances[32];
  std::fill(distances, distances + 32, 5);
  int longest = 0, shortest = 0;
  if (BuildCodeTable(fixedLit_, lengths, 287, longest, shortest, SymbolKind::LiteralLength) != 0)
    return false;
  longest = 0;
  if (BuildCodeTable(fixedDist_, distances, 31, longest, shortest, SymbolKind::Distance) != 0)
    return false;
  fixedBuilt_ = true;
  return true;
}

long Inflater::InflateBytes(const uint8_t* in, size_t size, size_t lastIndex, WhenFull whenFull,
                            std::vector<uint8_t>& out) {
  tableRefused_ = false;
  Decoder decoder(in, size, lastIndex, false, whenFull, nullptr);
  long result = kOk;
  if (decoder.Run(*this, fixedLit_, fixedDist_, result) == Decoder::Outcome::TableRefused) {
    tableRefused_ = true;
    if (!quiet_) Notify(kTreeMessage);
    out.clear();
    return result;
  }
  out = decoder.TakeOutput();
  return result;
}

long Inflater::InflateTo(const uint8_t* in, size_t size, size_t lastIndex, InflateSink& sink) {
  tableRefused_ = false;
  Decoder decoder(in, size, lastIndex, false, WhenFull::Throw, &sink);
  long result = kOk;
  if (decoder.Run(*this, fixedLit_, fixedDist_, result) == Decoder::Outcome::TableRefused) {
    tableRefused_ = true;
    if (!quiet_) Notify(kTreeMessage);
    return result;
  }
  decoder.Finish();
  return result;
}

void Inflater::Inflate(std::vector<uint8_t>& data, long& expectedSize, bool longLength,
                       long& result) {
  expectedSize += 100;
  tableRefused_ = false;
  Decoder decoder(data.data(), data.size(), static_cast<size_t>(std::max(expectedSize, 0L)),
                  longLength, WhenFull::Throw, nullptr);
  if (decoder.Run(*this, fixedLit_, fixedDist_, result) == Decoder::Outcome::TableRefused) {
    tableRefused_ = true;
    if (!quiet_) Notify(kTreeMessage);
    return;  // the data stays as it was handed in
  }
  data = decoder.TakeOutput();
}

}  // namespace dirsheet::png
