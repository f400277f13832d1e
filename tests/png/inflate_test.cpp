// Inflate against streams made by zlib and a few crafted by hand.
#include <gtest/gtest.h>

#include <random>

#include "PngBuilder.h"
#include "png/Inflate.h"
#include "png/Notify.h"
#include "png/PngError.h"

using namespace dirsheet::png;
using namespace dirsheet::png::testing;

namespace {

// Writes deflate bits least significant first; Huffman codes go most significant bit first.
class BitWriter {
public:
    void Bits(uint32_t value, int n) {
        for (int i = 0; i < n; ++i) Bit((value >> i) & 1);
    }
    void Code(uint32_t code, int n) {
        for (int i = n - 1; i >= 0; --i) Bit((code >> i) & 1);
    }
    Bytes Done() {
        Bytes out = bytes_;
        out.insert(out.end(), 4, 0);  // room for a trailer
        return out;
    }

private:
    void Bit(uint32_t b) {
        if (count_ % 8 == 0) bytes_.push_back(0);
        bytes_.back() = static_cast<uint8_t>(bytes_.back() | (b << (count_ % 8)));
        ++count_;
    }
    Bytes bytes_;
    int count_ = 0;
};

Bytes Sample(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = (i % 100 < 60) ? static_cast<uint8_t>(rng() % 7) : static_cast<uint8_t>(i / 3);
    return b;
}

// The stream as the PNG reader hands it over: the two-byte zlib header dropped.
Bytes WithoutHeader(const Bytes& zlib) { return Bytes(zlib.begin() + 2, zlib.end()); }

struct Outcome {
    Bytes data;
    long result;
    long expected;
};

Outcome Decode(Inflater& inf, Bytes data, long expected, bool longLength = false) {
    long result = 99;
    inf.Inflate(data, expected, longLength, result);
    return {data, result, expected};
}

Outcome Fresh(Bytes data, long expected, bool longLength = false) {
    Inflater inf;
    return Decode(inf, std::move(data), expected, longLength);
}

class CapturedMessages {
public:
    CapturedMessages() {
        previous_ = SetNotificationHook([this](const std::string& t) { texts.push_back(t); });
    }
    ~CapturedMessages() { SetNotificationHook(previous_); }
    std::vector<std::string> texts;

private:
    NotificationHook previous_;
};

TEST(Inflate, DecodesZlibStreamsOfEveryBlockKind) {
    struct Case {
        int level;
        int strategy;
        size_t size;
    };
    const Case cases[] = {{0, Z_DEFAULT_STRATEGY, 70000},  // stored blocks, two of them
                          {9, Z_FIXED, 50000},             // fixed codes
                          {6, Z_DEFAULT_STRATEGY, 200000}, // dynamic codes, many blocks
                          {1, Z_HUFFMAN_ONLY, 30000},      // literals only
                          {9, Z_RLE, 30000},               // distance 1 runs
                          {6, Z_DEFAULT_STRATEGY, 0}};     // empty
    Inflater inf;
    for (const Case& c : cases) {
        const Bytes raw = Sample(c.size, static_cast<unsigned>(c.size));
        const Outcome o = Decode(inf, WithoutHeader(ZlibCompress(raw, c.level, c.strategy)), static_cast<long>(c.size));
        EXPECT_EQ(o.result, 0) << c.level << "/" << c.strategy;
        EXPECT_EQ(o.expected, static_cast<long>(c.size) + 100);
        EXPECT_TRUE(o.data == raw) << c.level << "/" << c.strategy;
    }
}

TEST(Inflate, StoredBlockWithWrongNlenStillDecodes) {
    const Bytes raw = Sample(300, 1);
    Bytes s = WithoutHeader(ZlibCompress(raw, 0));
    s[3] ^= 0x55;  // NLEN follows the block header byte and LEN
    const Outcome o = Fresh(s, 300);
    EXPECT_EQ(o.result, Inflater::kBadStoredLength);
    EXPECT_TRUE(o.data == raw);
}

TEST(Inflate, TrailerIsNeverRead) {
    const Bytes raw = Sample(5000, 2);
    Bytes s = WithoutHeader(ZlibCompress(raw));
    for (size_t i = s.size() - 4; i < s.size(); ++i) s[i] ^= 0xFF;
    s.insert(s.end(), {1, 2, 3});
    const Outcome o = Fresh(s, 5000);
    EXPECT_EQ(o.result, 0);
    EXPECT_TRUE(o.data == raw);
}

TEST(Inflate, BackReferencePastTheLimitCutsTheOutput) {
    const Bytes zeros(20000, 0);
    const Outcome o = Fresh(WithoutHeader(ZlibCompress(zeros)), 1000);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.expected, 1100);
    EXPECT_EQ(o.data.size(), 1100u);
}

TEST(Inflate, LiteralPastTheOutputBufferIsAnError) {
    Bytes noise(3000);
    std::mt19937 rng(3);
    for (auto& b : noise) b = static_cast<uint8_t>(rng() % 16);  // compressible, so not stored
    Inflater inf;
    EXPECT_THROW(Decode(inf, WithoutHeader(ZlibCompress(noise, 9, Z_HUFFMAN_ONLY)), 1000), PngError);
}

TEST(Inflate, TruncatedStreamsThrow) {
    const Bytes raw = Sample(40000, 4);
    const Bytes s = WithoutHeader(ZlibCompress(raw));
    for (size_t cut : {size_t{0}, size_t{1}, s.size() / 3, s.size() - 6}) {
        Inflater inf;
        EXPECT_THROW(Decode(inf, Bytes(s.begin(), s.begin() + static_cast<long>(cut)), 40000), PngError) << cut;
    }
}

TEST(Inflate, FixedTablesAreBuiltOncePerObject) {
    Inflater inf;
    for (unsigned seed : {5u, 6u}) {
        const Bytes raw = Sample(1000, seed);
        EXPECT_TRUE(Decode(inf, WithoutHeader(ZlibCompress(raw, 9, Z_FIXED)), 1000).data == raw);
    }
    EXPECT_EQ(inf.FixedTableBuilds(), 1);
}

// A dynamic block whose literal/length code is complete (symbols 0 and 256, one bit
// each) but whose distance code is a single one-bit code.
Bytes SingleDistanceCodeBlock() {
    BitWriter w;
    w.Bits(1, 1);   // final
    w.Bits(2, 2);   // dynamic
    w.Bits(0, 5);   // HLIT 257
    w.Bits(0, 5);   // HDIST 1
    w.Bits(14, 4);  // 18 code length code lengths
    // order 16 17 18 0 8 7 9 6 10 5 11 4 12 3 13 2 14 1: symbol 18 and 0 two bits, 1 one bit
    const int lens[18] = {0, 0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    for (int l : lens) w.Bits(l, 3);
    // codes: 1 -> 0, 0 -> 10, 18 -> 11
    w.Code(0, 1);                       // literal 0: length 1
    w.Code(3, 2), w.Bits(127, 7);       // 138 zeros
    w.Code(3, 2), w.Bits(106, 7);       // 117 zeros
    w.Code(0, 1);                       // end of block: length 1
    w.Code(0, 1);                       // distance 0: length 1
    w.Code(0, 1), w.Code(1, 1);         // literal 0, end of block
    return w.Done();
}

TEST(Inflate, IncompleteDistanceCodeShowsTheMessageAndKeepsTheData) {
    CapturedMessages messages;
    const Bytes s = SingleDistanceCodeBlock();
    const Outcome o = Fresh(s, 10);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Error in tree creation (Static)"});
    EXPECT_TRUE(o.data == s);
    EXPECT_EQ(o.result, 1);  // the unused code space
}

TEST(Inflate, BlockHeaderErrors) {
    BitWriter reserved;
    reserved.Bits(1, 1), reserved.Bits(3, 2);
    EXPECT_EQ(Fresh(reserved.Done(), 10).result, Inflater::kStreamError);

    // A stored block whose LEN runs past the data ends with what was decoded.
    Bytes stored = {0x01, 0x10, 0x00, 0xEF, 0xFF, 'a', 'b'};
    const Outcome o = Fresh(stored, 10);
    EXPECT_EQ(o.result, Inflater::kStreamError);
    EXPECT_TRUE(o.data.empty());
}

// Fixed codes: literal 'a', then length symbol 285 and distance 1.
Bytes FixedRun(bool extraLengthBits) {
    BitWriter w;
    w.Bits(1, 1), w.Bits(1, 2);
    w.Code(0x30 + 'a', 8);
    w.Code(0xC0 + 5, 8);                 // symbol 285
    if (extraLengthBits) w.Bits(997, 16);  // long-length mode: 997 + 3
    w.Code(0, 5);                        // distance 1
    w.Code(0, 7);                        // end of block
    return w.Done();
}

TEST(Inflate, LongLengthModeReadsSixteenMoreBits) {
    EXPECT_EQ(Fresh(FixedRun(false), 300).data, Bytes(259, 'a'));
    EXPECT_EQ(Fresh(FixedRun(true), 2000, true).data, Bytes(1001, 'a'));
}

TEST(Inflate, BackReferenceBeforeTheStartThrows) {
    BitWriter w;
    w.Bits(1, 1), w.Bits(1, 2);
    w.Code(0xC0 + 5, 8), w.Code(0, 5), w.Code(0, 7);
    Inflater inf;
    EXPECT_THROW(Decode(inf, w.Done(), 300), PngError);
}

TEST(BuildCodeTable, ResultTellsHowTheCodeFillsTheSpace) {
    CodeTable t;
    int longest = 0, shortest = 0;
    const int complete[4] = {1, 2, 3, 3};
    EXPECT_EQ(BuildCodeTable(t, complete, 3, longest, shortest, SymbolKind::CodeLength), 0);
    EXPECT_EQ(shortest, 1);
    EXPECT_EQ(longest, 3);
    const int over[3] = {1, 1, 1};
    longest = 0;
    EXPECT_LT(BuildCodeTable(t, over, 2, longest, shortest, SymbolKind::CodeLength), 0);
    const int single[2] = {1, 0};
    longest = 0;
    EXPECT_EQ(BuildCodeTable(t, single, 1, longest, shortest, SymbolKind::Distance), 1);
}

}  // namespace
