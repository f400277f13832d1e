#include "png/Inflate.h"

#include <algorithm>
#include <cstring>

#include "png/Notify.h"
#include "png/PngError.h"

namespace dirsheet::png {

namespace {

// Table entry layout: bits 0-4 the bits to drop, bits 5-7 the kind, bits 8-12 the extra
// bits of a length or distance (or the index bits of a sub-table), bits 16-31 the value
// (literal byte, base length, base distance, plain symbol or sub-table offset).
enum EntryKind : uint32_t {
    kLiteral = 0,
    kLength = 1,
    kEndOfBlock = 2,
    kSubTable = 3,
    kInvalid = 4,  // literal/length symbols 286 and 287 have no length
    kDistance = 5,
    kSymbol = 6,
};

constexpr uint32_t MakeEntry(uint32_t drop, uint32_t kind, uint32_t extra, uint32_t value) {
    return drop | (kind << 5) | (extra << 8) | (value << 16);
}
inline uint32_t EntryDrop(uint32_t e) { return e & 31u; }
inline uint32_t EntryKindOf(uint32_t e) { return (e >> 5) & 7u; }
inline uint32_t EntryExtra(uint32_t e) { return (e >> 8) & 31u; }
inline uint32_t EntryValue(uint32_t e) { return e >> 16; }

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// Entries 30 and 31 extend the format's table (base 32769 and 49153, 14 extra bits); a
// stream that uses them still has to refer back into the output it has made.
constexpr uint16_t kDistBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                    49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                    7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

constexpr unsigned RootBitsFor(SymbolKind kind) {
    return kind == SymbolKind::LiteralLength ? 10 : kind == SymbolKind::Distance ? 8 : 7;
}

uint32_t EntryFor(SymbolKind kind, int symbol, uint32_t drop) {
    switch (kind) {
        case SymbolKind::LiteralLength:
            if (symbol < 256) return MakeEntry(drop, kLiteral, 0, symbol);
            if (symbol == 256) return MakeEntry(drop, kEndOfBlock, 0, 0);
            if (symbol <= 285)
                return MakeEntry(drop, kLength, kLengthExtra[symbol - 257], kLengthBase[symbol - 257]);
            return MakeEntry(drop, kInvalid, 0, symbol);
        case SymbolKind::Distance:
            return MakeEntry(drop, kDistance, kDistExtra[symbol], kDistBase[symbol]);
        case SymbolKind::CodeLength:
            break;
    }
    return MakeEntry(drop, kSymbol, 0, symbol);
}

uint32_t ReverseBits(uint32_t code, int length) {
    uint32_t r = 0;
    for (int i = 0; i < length; ++i) {
        r = (r << 1) | (code & 1u);
        code >>= 1;
    }
    return r;
}

[[noreturn]] void Truncated() {
    throw PngError(PngError::Kind::Truncated, "deflate data ends before its final block");
}
[[noreturn]] void BadData(const char* what) { throw PngError(PngError::Kind::BadData, what); }

}  // namespace

long BuildCodeTable(CodeTable& table, const int* lengths, int lastIndex, int& longest, int& shortest,
                    SymbolKind kind) {
    int count[17] = {};
    shortest = 16;
    for (int s = 0; s <= lastIndex; ++s) {
        int len = lengths[s];
        if (len < 0 || len > 16) return -1;
        ++count[len];
        if (len > longest) longest = len;
        if (len != 0 && len < shortest) shortest = len;
    }
    // The code must fill the code space exactly: an over-subscribed code is negative, an
    // incomplete one (a single code of length 1 included) leaves a positive remainder.
    long left = 1;
    for (int len = 1; len <= longest; ++len) {
        left = left * 2 - count[len];
        if (left < 0) return left;
    }
    if (left != 0) return left;

    int maxLen = 0;
    for (int len = 1; len <= 16; ++len)
        if (count[len]) maxLen = len;
    const unsigned root = std::min<unsigned>(RootBitsFor(kind), static_cast<unsigned>(maxLen));
    table.rootBits = root;
    table.shortest = shortest;
    table.longest = longest;

    uint32_t next[17] = {};
    uint32_t code = 0;
    count[0] = 0;
    for (int len = 1; len <= 16; ++len) {
        code = (code + count[len - 1]) << 1;
        next[len] = code;
    }

    // Codes longer than the root get a sub-table per root prefix, as wide as the longest
    // code sharing that prefix.
    const uint32_t rootSize = 1u << root;
    const uint32_t rootMask = rootSize - 1;
    uint8_t subBits[1u << 10] = {};
    uint32_t codes[288];
    for (int s = 0; s <= lastIndex; ++s) {
        int len = lengths[s];
        if (len == 0) continue;
        codes[s] = ReverseBits(next[len]++, len);
        if (static_cast<unsigned>(len) > root) {
            uint8_t& b = subBits[codes[s] & rootMask];
            b = std::max<uint8_t>(b, static_cast<uint8_t>(len - root));
        }
    }
    uint32_t total = rootSize;
    for (uint32_t p = 0; p < rootSize; ++p)
        if (subBits[p]) total += 1u << subBits[p];
    table.entries.assign(total, 0);
    uint32_t offset = rootSize;
    for (uint32_t p = 0; p < rootSize; ++p) {
        if (!subBits[p]) continue;
        table.entries[p] = MakeEntry(root, kSubTable, subBits[p], offset);
        offset += 1u << subBits[p];
    }
    for (int s = 0; s <= lastIndex; ++s) {
        const unsigned len = static_cast<unsigned>(lengths[s]);
        if (len == 0) continue;
        const uint32_t rev = codes[s];
        if (len <= root) {
            const uint32_t e = EntryFor(kind, s, len);
            for (uint32_t i = rev; i < rootSize; i += 1u << len) table.entries[i] = e;
        } else {
            const uint32_t sub = table.entries[rev & rootMask];
            const uint32_t base = EntryValue(sub), bits = EntryExtra(sub);
            const uint32_t e = EntryFor(kind, s, len - root);
            for (uint32_t i = rev >> root; i < (1u << bits); i += 1u << (len - root))
                table.entries[base + i] = e;
        }
    }
    return 0;
}

namespace {

// One call's working state: the input, a 64-bit bit buffer filled least significant
// bit first, and the output with its hard limit (expected size + 100, one more byte as
// the last index).
class Decoder {
public:
    Decoder(const std::vector<uint8_t>& data, long limit, bool longLength)
        : begin_(data.data()), in_(data.data()), end_(data.data() + data.size()),
          limit_(static_cast<size_t>(limit)), longLength_(longLength) {
        // Deflate cannot expand one input byte into more than 1032 output bytes, so the
        // reservation follows the data actually present, not only the caller's estimate.
        const uint64_t bound = std::max<uint64_t>(uint64_t{data.size()} * 1032u + 1024u, 1u << 16);
        out_.resize(static_cast<size_t>(std::min<uint64_t>(uint64_t{limit_} + 1, bound)));
    }

    long Run(CodeTable& fixedLit, CodeTable& fixedDist, bool& fixedReady,
             int& fixedBuilds, std::vector<uint8_t>& data);

private:
    enum class Block { Next, Done, TableFailed };

    void Refill() {
        while (bitCount_ < 56) {
            if (in_ < end_) {
                bits_ |= static_cast<uint64_t>(*in_++) << bitCount_;
            } else {
                ++virtualBytes_;  // zero bits past the end, never to be consumed
            }
            bitCount_ += 8;
        }
    }
    void CheckInput() const {
        if (bitCount_ < virtualBytes_ * 8) Truncated();
    }
    uint32_t GetBits(unsigned n) {
        if (bitCount_ < n) Refill();
        const uint32_t v = static_cast<uint32_t>(bits_ & ((uint64_t{1} << n) - 1));
        bits_ >>= n;
        bitCount_ -= n;
        CheckInput();
        return v;
    }
    uint32_t Lookup(const CodeTable& t) {
        uint32_t e = t.entries[bits_ & ((1u << t.rootBits) - 1)];
        if (EntryKindOf(e) == kSubTable) {
            bits_ >>= t.rootBits;
            bitCount_ -= t.rootBits;
            e = t.entries[EntryValue(e) + (bits_ & ((1u << EntryExtra(e)) - 1))];
        }
        bits_ >>= EntryDrop(e);
        bitCount_ -= EntryDrop(e);
        CheckInput();
        return e;
    }
    void Reserve(size_t needed) {
        if (needed <= out_.size()) return;
        out_.resize(std::min(limit_ + 1, std::max(needed, out_.size() * 2)));
    }

    Block Stored(long& result);
    long ReadDynamic(CodeTable& lit, CodeTable& dist);
    bool Codes(const CodeTable& lit, const CodeTable& dist);
    bool FastCodes(const CodeTable& lit, const CodeTable& dist);

    const uint8_t* begin_;
    const uint8_t* in_;
    const uint8_t* end_;
    uint64_t bits_ = 0;
    unsigned bitCount_ = 0;
    unsigned virtualBytes_ = 0;
    std::vector<uint8_t> out_;
    size_t pos_ = 0;
    size_t limit_;  // last index of the output
    bool longLength_;
};

Decoder::Block Decoder::Stored(long& result) {
    // Whole bytes still in the bit buffer go back to the input; the bits of a partly
    // used byte are dropped.
    const unsigned partial = bitCount_ % 8;
    bits_ >>= partial;
    bitCount_ -= partial;
    CheckInput();
    in_ -= bitCount_ / 8 - virtualBytes_;
    bits_ = 0;
    bitCount_ = 0;
    virtualBytes_ = 0;
    if (end_ - in_ < 5) {  // the header and at least one byte after it
        result = Inflater::kStreamError;
        return Block::Done;
    }
    const uint32_t len = in_[0] | (in_[1] << 8);
    const uint32_t nlen = in_[2] | (in_[3] << 8);
    in_ += 4;
    if (len != (~nlen & 0xFFFFu)) result = Inflater::kBadStoredLength;  // decoding goes on with LEN
    if (static_cast<size_t>(end_ - in_) < len || pos_ + len > limit_ + 1) {
        result = Inflater::kStreamError;
        return Block::Done;
    }
    Reserve(pos_ + len);
    std::memcpy(out_.data() + pos_, in_, len);
    pos_ += len;
    in_ += len;
    return Block::Next;
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
    longest = 0;
    if (BuildCodeTable(lit, lengths, hlit - 1, longest, shortest, SymbolKind::LiteralLength) != 0)
        return Inflater::kStreamError;
    longest = 0;
    return BuildCodeTable(dist, lengths + hlit, hdist - 1, longest, shortest, SymbolKind::Distance);
}

// The hot loop: runs while at least 8 input bytes and room for the longest match (plus
// the 8-byte copy overshoot) remain, so that one refill serves a whole length/distance
// pair (at most 15 + 5 + 15 + 14 bits) and no output check is needed. Returns true at
// the end of the block, false when the careful loop must take over.
bool Decoder::FastCodes(const CodeTable& lit, const CodeTable& dist) {
    const uint8_t* in = in_;
    const uint8_t* const inEnd = end_;
    uint64_t bits = bits_;
    unsigned count = bitCount_;
    uint8_t* const base = out_.data();
    uint8_t* out = base + pos_;
    uint8_t* const outLast = base + (out_.size() - (258 + 8));
    const uint32_t* const litT = lit.entries.data();
    const uint32_t* const distT = dist.entries.data();
    const uint64_t litMask = (1u << lit.rootBits) - 1, distMask = (1u << dist.rootBits) - 1;
    bool endOfBlock = false;

    while (inEnd - in >= 8 && out <= outLast) {
        uint64_t word;
        std::memcpy(&word, in, 8);
        bits |= word << count;
        in += (63 - count) >> 3;
        count |= 56;

        uint32_t e = litT[bits & litMask];
        if (EntryKindOf(e) == kSubTable) {
            bits >>= lit.rootBits;
            count -= lit.rootBits;
            e = litT[EntryValue(e) + (bits & ((1u << EntryExtra(e)) - 1))];
        }
        bits >>= EntryDrop(e);
        count -= EntryDrop(e);
        const uint32_t kind = EntryKindOf(e);
        if (kind == kLiteral) {
            *out++ = static_cast<uint8_t>(EntryValue(e));
            continue;
        }
        if (kind == kEndOfBlock) {
            endOfBlock = true;
            break;
        }
        if (kind != kLength) BadData("literal/length symbol without a length");
        uint32_t extra = EntryExtra(e);
        const uint32_t length = EntryValue(e) + static_cast<uint32_t>(bits & ((1u << extra) - 1));
        bits >>= extra;
        count -= extra;

        e = distT[bits & distMask];
        if (EntryKindOf(e) == kSubTable) {
            bits >>= dist.rootBits;
            count -= dist.rootBits;
            e = distT[EntryValue(e) + (bits & ((1u << EntryExtra(e)) - 1))];
        }
        bits >>= EntryDrop(e);
        count -= EntryDrop(e);
        extra = EntryExtra(e);
        const size_t distance = EntryValue(e) + static_cast<uint32_t>(bits & ((1u << extra) - 1));
        bits >>= extra;
        count -= extra;
        if (distance > static_cast<size_t>(out - base)) BadData("back-reference before the start of the output");

        const uint8_t* src = out - distance;
        uint8_t* const stop = out + length;
        if (distance >= 8) {
            do {
                std::memcpy(out, src, 8);
                out += 8;
                src += 8;
            } while (out < stop);
        } else if (distance == 1) {
            std::memset(out, *src, length);
        } else {
            // Distances 2 to 7: each 8-byte copy has its first `distance` bytes right,
            // so stepping by the distance repeats the pattern.
            do {
                uint64_t v;
                std::memcpy(&v, src, 8);
                std::memcpy(out, &v, 8);
                out += distance;
                src += distance;
            } while (out < stop);
        }
        out = stop;
    }
    in_ = in;
    bits_ = bits;
    bitCount_ = count;
    pos_ = static_cast<size_t>(out - base);
    return endOfBlock;
}

// Decodes the symbols of one block. Returns false when the output reached its limit and
// decoding ends.
bool Decoder::Codes(const CodeTable& lit, const CodeTable& dist) {
    for (;;) {
        if (!longLength_ && virtualBytes_ == 0 && out_.size() >= pos_ + 258 + 8) {
            if (FastCodes(lit, dist)) return true;
        } else if (out_.size() < limit_ + 1 && out_.size() < pos_ + 258 + 8) {
            Reserve(pos_ + 258 + 8);
            continue;
        }
        Refill();
        const uint32_t e = Lookup(lit);
        switch (EntryKindOf(e)) {
            case kLiteral:
                if (pos_ > limit_) BadData("literal past the end of the output buffer");
                Reserve(pos_ + 1);
                out_[pos_++] = static_cast<uint8_t>(EntryValue(e));
                continue;
            case kEndOfBlock:
                return true;
            case kLength:
                break;
            default:
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
        if (distance > pos_) BadData("back-reference before the start of the output");
        const bool cut = pos_ + length > limit_ + 1;
        const size_t n = cut ? limit_ + 1 - pos_ : length;
        Reserve(pos_ + n);
        uint8_t* out = out_.data() + pos_;
        const uint8_t* src = out - distance;
        for (size_t i = 0; i < n; ++i) out[i] = src[i];
        pos_ += n;
        if (cut) {
            pos_ = limit_;
            return false;
        }
    }
}

long Decoder::Run(CodeTable& fixedLit, CodeTable& fixedDist, bool& fixedReady,
                  int& fixedBuilds, std::vector<uint8_t>& data) {
    long result = Inflater::kOk;
    CodeTable dynLit, dynDist;
    for (;;) {
        const bool final = GetBits(1) != 0;
        const uint32_t type = GetBits(2);
        const CodeTable* lit = nullptr;
        const CodeTable* dist = nullptr;
        long built = 0;
        if (type == 0) {
            if (Stored(result) == Block::Done) break;
            if (final) break;
            continue;
        } else if (type == 3) {
            result = Inflater::kStreamError;
            break;
        } else if (type == 1) {
            if (!fixedReady) {
                // Fixed literal/length lengths: 8 for 0-143, 9 for 144-255, 7 for 256-279,
                // 8 for 280-287; every distance code has 5 bits.
                int lengths[288];
                for (int s = 0; s < 288; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
                int longest = 0, shortest = 0;
                built = BuildCodeTable(fixedLit, lengths, 287, longest, shortest, SymbolKind::LiteralLength);
                if (built == 0) {
                    int dl[32];
                    std::fill(dl, dl + 32, 5);
                    longest = 0;
                    built = BuildCodeTable(fixedDist, dl, 31, longest, shortest, SymbolKind::Distance);
                }
                if (built == 0) {
                    fixedReady = true;
                    ++fixedBuilds;
                }
            }
            lit = &fixedLit;
            dist = &fixedDist;
        } else {
            built = ReadDynamic(dynLit, dynDist);
            lit = &dynLit;
            dist = &dynDist;
        }
        if (built != 0) {
            Notify(Inflater::kTreeMessage);
            return built;  // the data stays as it was handed in
        }
        if (!Codes(*lit, *dist)) break;
        if (final) break;
    }
    out_.resize(pos_);
    data.swap(out_);
    return result;
}

}  // namespace

void Inflater::Inflate(std::vector<uint8_t>& data, long& expectedSize, bool longLength, long& result) {
    expectedSize += 100;
    const long limit = std::max(expectedSize, 0L);
    Decoder decoder(data, limit, longLength);
    result = decoder.Run(fixedLit_, fixedDist_, fixedBuilt_, fixedBuilds_, data);
}

}  // namespace dirsheet::png
