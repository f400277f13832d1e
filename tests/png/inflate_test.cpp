// Inflate against zlib: streams made by zlib's encoder, and streams written by hand for
// the codes zlib's encoder never writes, each also handed to zlib's inflate.
#include <gtest/gtest.h>

#include <optional>
#include <random>

#include "CapturedMessages.h"
#include "DeflateWriter.h"
#include "PngBuilder.h"
#include "png/Inflate.h"
#include "png/PngError.h"

using namespace dirsheet::png;
using namespace dirsheet::png::testing;

namespace {

Bytes Sample(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (size_t i = 0; i < n; ++i)
    b[i] = (i % 100 < 60) ? static_cast<uint8_t>(rng() % 7) : static_cast<uint8_t>(i / 3);
  return b;
}

// The stream as the PNG reader hands it over: the two-byte zlib header dropped.
Bytes WithoutHeader(const Bytes& zlib) { return Bytes(zlib.begin() + 2, zlib.end()); }

// zlib's answer for a raw deflate stream: the data, or nothing when it rejects it.
std::optional<Bytes> ZlibInflate(const Bytes& raw) {
  z_stream z{};
  inflateInit2(&z, -15);
  Bytes out(1 << 20);
  z.next_in = const_cast<Bytef*>(raw.data());
  z.avail_in = static_cast<uInt>(raw.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  const int ret = inflate(&z, Z_FINISH);
  out.resize(z.total_out);
  inflateEnd(&z);
  if (ret != Z_STREAM_END) return std::nullopt;
  return out;
}

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

Bytes WithTrailer(Bytes b) {
  b.insert(b.end(), 4, 0);
  return b;
}

TEST(Inflate, DecodesZlibStreamsOfEveryBlockKind) {
  struct Case {
    int level;
    int strategy;
    size_t size;
  };
  const Case cases[] = {{0, Z_DEFAULT_STRATEGY, 70000},   // stored blocks, two of them
                        {9, Z_FIXED, 50000},              // fixed codes
                        {6, Z_DEFAULT_STRATEGY, 200000},  // dynamic codes, many blocks
                        {1, Z_HUFFMAN_ONLY, 30000},       // literals only
                        {9, Z_RLE, 30000},                // distance 1 runs
                        {6, Z_DEFAULT_STRATEGY, 0}};      // empty
  Inflater inf;
  for (const Case& c : cases) {
    const Bytes raw = Sample(c.size, static_cast<unsigned>(c.size));
    const Outcome o = Decode(inf, WithoutHeader(ZlibCompress(raw, c.level, c.strategy)),
                             static_cast<long>(c.size));
    EXPECT_EQ(o.result, 0) << c.level << "/" << c.strategy;
    EXPECT_EQ(o.expected, static_cast<long>(c.size) + 100);
    EXPECT_TRUE(o.data == raw) << c.level << "/" << c.strategy;
  }
}

// The incomplete codes deflate allows (RFC 1951, 3.2.7) decode as zlib decodes them.
TEST(Inflate, SingleOneBitCodesAndNoDistanceCodeDecodeAsZlibDoes) {
  std::vector<Bytes> streams;
  // All matches at one distance, through one one-bit distance code.
  for (int distance = 1; distance <= 4; ++distance) {
    Bytes raw = Sample(5000, static_cast<unsigned>(distance));
    for (size_t i = 1000; i < 3000; ++i) raw[i] = raw[i - static_cast<size_t>(distance)];
    streams.push_back(WithTrailer(SingleDistanceDeflate(raw, distance)));
  }
  // A block holding only its end (a literal/length code of the one symbol 256, no
  // distance code), then a literals-only block with no distance code.
  BitWriter w;
  std::vector<int> endOnly(257, 0);
  endOnly[256] = 1;
  const DynamicBlock empty(endOnly, {0});
  empty.Header(w, false);
  empty.EndOfBlock(w);
  const DynamicBlock literals(FullLiteralLengths(), {0});
  literals.Header(w, true);
  for (int c : {'o', 'n', 'l', 'y'}) literals.Literal(w, c);
  literals.EndOfBlock(w);
  streams.push_back(WithTrailer(w.bytes()));

  CapturedMessages messages;
  for (const Bytes& s : streams) {
    const auto zlib = ZlibInflate(s);
    ASSERT_TRUE(zlib) << "zlib rejects the stream";
    const Outcome o = Fresh(s, static_cast<long>(zlib->size()));
    EXPECT_EQ(o.result, 0);
    EXPECT_TRUE(o.data == *zlib);
  }
  EXPECT_TRUE(messages.texts.empty());
}

// Every other incomplete or over-subscribed code is refused, by zlib as well: the message
// is shown once and the data is left as it was handed in.
TEST(Inflate, OtherIncompleteAndOversubscribedCodesAreRefused) {
  std::vector<int> noEnd = FullLiteralLengths();
  noEnd[256] = 0;
  noEnd[0] = 7;  // complete again, but without an end-of-block code
  std::vector<int> twoOfNine = FullLiteralLengths();
  twoOfNine[285] = 0;
  const struct {
    const char* name;
    std::vector<int> lit, dist;
  } cases[] = {
      {"two distance codes of two bits", FullLiteralLengths(), {2, 2}},
      {"one distance code of two bits", FullLiteralLengths(), {0, 2}},
      {"three distance codes of one bit", FullLiteralLengths(), {1, 1, 1}},
      {"literal/length code one short", twoOfNine, {1, 1}},
      {"one literal/length code of two bits", std::vector<int>(257, 0), {1, 1}},
      {"no end-of-block code", noEnd, {1, 1}},
  };
  for (const auto& c : cases) {
    std::vector<int> lit = c.lit;
    if (std::string(c.name) == "one literal/length code of two bits") lit[256] = 2;
    BitWriter w;
    DynamicBlock(lit, c.dist).Header(w, true);
    w.Bits(0, 16);
    const Bytes s = WithTrailer(w.bytes());
    EXPECT_FALSE(ZlibInflate(s)) << c.name << ": zlib accepts it";
    CapturedMessages messages;
    Inflater inf;
    const Outcome o = Decode(inf, s, 100);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Error in tree creation (Static)"})
        << c.name;
    EXPECT_TRUE(inf.TableRefused()) << c.name;
    EXPECT_NE(o.result, 0) << c.name;
    EXPECT_TRUE(o.data == s) << c.name;
  }
  // An incomplete code length code: one code length code of one bit.
  BitWriter w;
  w.Bits(1, 1), w.Bits(2, 2), w.Bits(0, 5), w.Bits(0, 5), w.Bits(0, 4);
  w.Bits(0, 3), w.Bits(0, 3), w.Bits(0, 3), w.Bits(1, 3);  // 16, 17, 18 none; 0 one bit
  const Bytes s = WithTrailer(w.bytes());
  EXPECT_FALSE(ZlibInflate(s));
  CapturedMessages messages;
  EXPECT_EQ(Fresh(s, 10).result, Inflater::kStreamError);
  EXPECT_EQ(messages.texts.size(), 1u);
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

TEST(Inflate, LiteralPastTheOutputIsAnErrorOrTheEndOfText) {
  Bytes noise(3000);
  std::mt19937 rng(3);
  for (auto& b : noise) b = static_cast<uint8_t>(rng() % 16);  // compressible, so not stored
  const Bytes s = WithoutHeader(ZlibCompress(noise, 9, Z_HUFFMAN_ONLY));
  Inflater inf;
  EXPECT_THROW(Decode(inf, s, 1000), PngError);
  // Text is kept up to its room instead.
  Bytes out;
  EXPECT_EQ(inf.InflateBytes(s.data(), s.size(), 999, Inflater::WhenFull::Stop, out), 0);
  EXPECT_TRUE(out == Bytes(noise.begin(), noise.begin() + 1000));
}

TEST(Inflate, TruncatedStreamsThrow) {
  const Bytes raw = Sample(40000, 4);
  const Bytes s = WithoutHeader(ZlibCompress(raw));
  for (size_t cut : {size_t{0}, size_t{1}, s.size() / 3, s.size() - 6}) {
    Inflater inf;
    EXPECT_THROW(Decode(inf, Bytes(s.begin(), s.begin() + static_cast<long>(cut)), 40000), PngError)
        << cut;
  }
}

// The fixed-code tables built for the first stream serve the next ones unchanged.
TEST(Inflate, FixedTablesKeptForTheNextStream) {
  Inflater inf;
  for (unsigned seed : {5u, 6u, 7u}) {
    const Bytes raw = Sample(1000, seed);
    EXPECT_TRUE(Decode(inf, WithoutHeader(ZlibCompress(raw, 9, Z_FIXED)), 1000).data == raw)
        << seed;
  }
}

TEST(Inflate, BlockHeaderErrors) {
  BitWriter reserved;
  reserved.Bits(1, 1), reserved.Bits(3, 2);
  EXPECT_EQ(Fresh(WithTrailer(reserved.bytes()), 10).result, Inflater::kStreamError);

  // A stored block whose LEN runs past the data ends with what was decoded.
  const Outcome o = Fresh({0x01, 0x10, 0x00, 0xEF, 0xFF, 'a', 'b'}, 10);
  EXPECT_EQ(o.result, Inflater::kStreamError);
  EXPECT_TRUE(o.data.empty());
}

// Fixed codes: literal 'a', then length symbol 285 and distance 1.
Bytes FixedRun(bool extraLengthBits) {
  BitWriter w;
  w.Bits(1, 1), w.Bits(1, 2);
  w.Code(0x30 + 'a', 8);
  w.Code(0xC0 + 5, 8);                   // symbol 285
  if (extraLengthBits) w.Bits(997, 16);  // long-length mode: 997 + 3
  w.Code(0, 5);                          // distance 1
  w.Code(0, 7);                          // end of block
  return WithTrailer(w.bytes());
}

TEST(Inflate, LongLengthModeReadsSixteenMoreBits) {
  EXPECT_EQ(Fresh(FixedRun(false), 300).data, Bytes(259, 'a'));
  EXPECT_EQ(Fresh(FixedRun(true), 2000, true).data, Bytes(1001, 'a'));
}

TEST(Inflate, BackReferenceBeforeTheStartOrThroughAnUnusedCodeThrows) {
  BitWriter w;
  w.Bits(1, 1), w.Bits(1, 2);
  w.Code(0xC0 + 5, 8), w.Code(0, 5), w.Code(0, 7);
  EXPECT_THROW(Fresh(WithTrailer(w.bytes()), 300), PngError);
  // The unused half of a one-bit distance code.
  const DynamicBlock block(FullLiteralLengths(), SingleDistance(0));
  BitWriter u;
  block.Header(u, true);
  for (int i = 0; i < 4; ++i) block.Literal(u, 'x');
  block.Literal(u, 257);
  u.Code(1, 1);
  block.EndOfBlock(u);
  EXPECT_THROW(Fresh(WithTrailer(u.bytes()), 300), PngError);
  EXPECT_FALSE(ZlibInflate(WithTrailer(u.bytes())));
}

TEST(BuildCodeTable, ResultTellsHowTheCodeFillsTheSpace) {
  struct Case {
    std::vector<int> lengths;
    SymbolKind kind;
    long result;  // 0 complete, < 0 over-subscribed, > 0 the unused code space
    bool usable;
  };
  const Case cases[] = {
      {{1, 2, 3, 3}, SymbolKind::CodeLength, 0, true},
      {{1, 1, 1}, SymbolKind::CodeLength, -1, false},
      {{1, 0}, SymbolKind::Distance, 1, true},  // one one-bit code
      {{0, 0}, SymbolKind::Distance, 1, true},  // no distance code
      {{0, 0}, SymbolKind::LiteralLength, 1, false},
      {{1, 0}, SymbolKind::CodeLength, 1, false},
      {{2, 0}, SymbolKind::Distance, 3, false},
      {{2, 2, 2}, SymbolKind::Distance, 1, false},
  };
  for (const Case& c : cases) {
    CodeTable t;
    int longest = 0, shortest = 0;
    EXPECT_EQ(BuildCodeTable(t, c.lengths.data(), static_cast<int>(c.lengths.size()) - 1, longest,
                             shortest, c.kind),
              c.result);
    EXPECT_EQ(t.usable, c.usable);
  }
  CodeTable t;
  int longest = 0, shortest = 0;
  const int lengths[4] = {1, 2, 3, 3};
  BuildCodeTable(t, lengths, 3, longest, shortest, SymbolKind::CodeLength);
  EXPECT_EQ(shortest, 1);
  EXPECT_EQ(longest, 3);
}

}  // namespace
