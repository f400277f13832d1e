// LoadPNG and the decoder's entry point through crafted files: error numbers, retained
// chunks, the chunks that are skipped, the caps, what one file leaves for the next, and
// the conversion rules.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "CapturedMessages.h"
#include "DeflateWriter.h"
#include "PngBuilder.h"
#include "SuiteHelpers.h"
#include "png/PngError.h"

using namespace dirsheet::png;
using namespace dirsheet::png::testing;

namespace {

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "dirsheet_png_" + std::to_string(getpid()) + "_" + name;
}

struct Result {
  long error = 0;
  std::optional<DeviceBitmap> drawn;
  std::vector<uint8_t> rgb;
};

// Decodes `bytes` with transparency and alpha on against a solid own background colour.
Result DecodeBytes(const Bytes& bytes, long ownColour = 0x00336699, LoadPNG* reuse = nullptr) {
  LoadPNG local;
  LoadPNG& d = reuse ? *reuse : local;
  MemorySurface target;
  d.PicBox(&target);
  d.SetAlpha(true);
  d.SetTrans(true);
  d.SetOwnBkgndColor(false, ownColour);
  OpenPNGFromMemory(d, bytes.data(), bytes.size());
  Result r;
  r.error = d.ErrorNumber();
  r.drawn = target.Drawn();
  if (r.drawn) r.rgb = DeviceBitmapToRgb(*r.drawn);
  return r;
}

PngError::Kind KindOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const PngError& e) {
    return e.kind();
  }
  ADD_FAILURE() << "no PngError";
  return PngError::Kind::NoTarget;
}

Bytes Be16(unsigned v) { return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}; }

Bytes Grey8(uint32_t w, uint32_t h) {
  std::vector<Bytes> rows(h, Bytes(w, 0x80));
  return PngBuilder().Header(w, h, 8, 0).Image(rows).End().bytes();
}

Bytes TextData(const std::string& key, const std::string& value) {
  Bytes t(key.begin(), key.end());
  t.push_back(0);
  t.insert(t.end(), value.begin(), value.end());
  return t;
}

Bytes CompressedTextData(const std::string& key, const Bytes& stream) {
  Bytes z(key.begin(), key.end());
  z.insert(z.end(), {0, 0});
  z.insert(z.end(), stream.begin(), stream.end());
  return z;
}

TEST(LoadPNGErrors, SignatureEmptyAndMissingFilesGiveOne) {
  Bytes bad = Grey8(2, 2);
  bad[1] = 'Q';
  EXPECT_EQ(DecodeBytes(bad).error, 1);
  EXPECT_FALSE(DecodeBytes(bad).drawn);
  EXPECT_EQ(DecodeBytes({}).error, 1);

  // A missing file is an error number, and is not created by the attempt.
  const std::string missing = TempPath("missing.png");
  std::remove(missing.c_str());
  LoadPNG d;
  EXPECT_EQ(d.OpenPNG(missing), 0);
  EXPECT_EQ(d.ErrorNumber(), 1);
  EXPECT_EQ(std::fopen(missing.c_str(), "rb"), nullptr);
}

TEST(LoadPNGErrors, ChunksRunningPastTheFileGiveThree) {
  const Bytes good = Grey8(2, 2);
  EXPECT_EQ(DecodeBytes(Bytes(good.begin(), good.end() - 12)).error, 3);  // IEND cut off
  EXPECT_EQ(DecodeBytes(Bytes(good.begin(), good.begin() + 20)).error, 3);

  // IHDR shorter than 13 bytes, and a length of 2^31 or more.
  EXPECT_EQ(DecodeBytes(PngBuilder().Chunk("IHDR", Bytes(12, 1)).End().bytes()).error, 3);
  Bytes huge = good;
  huge[33] = 0x80;  // the length of the first chunk after IHDR
  EXPECT_EQ(DecodeBytes(huge).error, 3);
}

TEST(LoadPNGErrors, NoImageDataGivesFourAndNothingIsDrawn) {
  const Result r = DecodeBytes(PngBuilder().Header(2, 2, 8, 0).Chunk("IDAT", {}).End().bytes());
  EXPECT_EQ(r.error, 4);
  EXPECT_FALSE(r.drawn);
}

TEST(LoadPNGErrors, MalformedDataThrowsATypedError) {
  using K = PngError::Kind;
  auto kind = [](const Bytes& b) { return KindOf([&b] { DecodeBytes(b); }); };
  // Too wide, too many pixels (a small file), an invalid pairing, an unknown interlace
  // method, rows missing.
  EXPECT_EQ(kind(PngBuilder().Header((1u << 24) + 1, 1, 8, 0).Image({{0}}).End().bytes()),
            K::LimitExceeded);
  EXPECT_EQ(kind(PngBuilder().Header(1u << 24, 1u << 10, 16, 6).Image({{0}}).End().bytes()),
            K::LimitExceeded);
  EXPECT_EQ(kind(PngBuilder().Header(4, 4, 8, 1).Image({{0}}).End().bytes()), K::Unsupported);
  EXPECT_EQ(kind(PngBuilder().Header(4, 4, 3, 0).Image({{0}}).End().bytes()), K::Unsupported);
  EXPECT_EQ(kind(PngBuilder().Header(1, 1, 8, 0, 2).Image({{0}}).End().bytes()), K::Unsupported);
  EXPECT_EQ(kind(PngBuilder().Header(4, 4, 8, 0).Image({{1, 2, 3, 4}}).End().bytes()),
            K::Truncated);
  EXPECT_EQ(kind(PngBuilder().Header(4, 4, 8, 0, 1).Image({{1, 2, 3, 4}}).End().bytes()),
            K::Truncated);
}

// A table the inflater refuses ends the decode with an error after its message: the
// still-compressed bytes are not taken for pixels.
TEST(LoadPNGErrors, RefusedDeflateTableFailsTheDecodeAfterTheMessage) {
  // Two distance codes of length 2: an incomplete code deflate does not allow.
  const DynamicBlock block(FullLiteralLengths(), {2, 2});
  BitWriter w;
  block.Header(w, true);
  for (int i = 0; i < 8; ++i) block.Literal(w, 0);
  block.EndOfBlock(w);
  Bytes z = {0x78, 0x01};
  z.insert(z.end(), w.bytes().begin(), w.bytes().end());
  z.insert(z.end(), 4, 0);
  const Bytes file = PngBuilder().Header(2, 2, 8, 0).Chunk("IDAT", z).End().bytes();

  CapturedMessages messages;
  LoadPNG d;
  MemorySurface target;
  d.PicBox(&target);
  EXPECT_EQ(KindOf([&] { OpenPNGFromMemory(d, file.data(), file.size()); }),
            PngError::Kind::BadData);
  EXPECT_EQ(messages.texts, std::vector<std::string>{"Error in tree creation (Static)"});
  EXPECT_FALSE(target.Drawn());
  EXPECT_EQ(d.Width(), 2);  // the header was read all the same
}

TEST(Limits, OversizedImagesAndFilesAreRefusedBeforeTheyAreRead) {
  // A small palette file that announces 16384 x 8192 pixels.
  const Bytes big = PngBuilder()
                        .Header(16384, 8192, 8, 3)
                        .Chunk("PLTE", {0, 0, 0})
                        .Image({Bytes(16, 0)})
                        .End()
                        .bytes();
  EXPECT_EQ(KindOf([&] { DecodePng(big.data(), big.size()); }), PngError::Kind::LimitExceeded);
  // A caller's own, smaller caps.
  DecodeOptions small;
  small.limits.maxSide = 16;
  const Bytes wide = Grey8(17, 1);
  EXPECT_EQ(KindOf([&] { DecodePng(wide.data(), wide.size(), small); }),
            PngError::Kind::LimitExceeded);
  const Bytes fits = Grey8(16, 16);
  EXPECT_NO_THROW(DecodePng(fits.data(), fits.size(), small));

  // A file beyond the input cap is refused from its size, and a device with no end
  // after the cap's worth of bytes.
  const std::string path = TempPath("large.png");
  const Bytes head = Grey8(1, 1);
  {
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(head.data(), 1, head.size(), f);
    std::fclose(f);
  }
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(DecodeLimits{}.maxInputBytes) + 1), 0);
  LoadPNG d;
  EXPECT_EQ(KindOf([&] { d.OpenPNG(path); }), PngError::Kind::LimitExceeded);
  std::remove(path.c_str());
  EXPECT_EQ(KindOf([] { ReadPngFile("/dev/zero", 1u << 20); }), PngError::Kind::LimitExceeded);
  EXPECT_EQ(ReadPngFile(TempPath("absent.png"), 1u << 20).size(), 0u);
}

TEST(LoadPNGChunks, SplitImageDataAndWrongCrcsDecodeAlike) {
  const std::vector<Bytes> rows = {{10, 20, 30}, {40, 50, 60}};
  Bytes raw = {0, 10, 20, 30, 0, 40, 50, 60};
  const Bytes z = ZlibCompress(raw);
  const Bytes split = PngBuilder()
                          .Header(3, 2, 8, 0)
                          .Chunk("IDAT", Bytes(z.begin(), z.begin() + 1))  // half the zlib header
                          .Chunk("IDAT", {})
                          .Chunk("IDAT", Bytes(z.begin() + 1, z.begin() + 3))
                          .Chunk("IDAT", Bytes(z.begin() + 3, z.end()), /*goodCrc=*/false)
                          .End()
                          .bytes();
  const Result a = DecodeBytes(split),
               b = DecodeBytes(PngBuilder().Header(3, 2, 8, 0).Image(rows).End().bytes());
  EXPECT_EQ(a.error, 0);
  EXPECT_EQ(a.rgb, b.rgb);
  EXPECT_EQ(a.rgb, (Bytes{10, 10, 10, 20, 20, 20, 30, 30, 30, 40, 40, 40, 50, 50, 50, 60, 60, 60}));
  // From a file, whose own bytes the pieces are gathered in.
  LoadPNG d;
  MemorySurface target;
  d.PicBox(&target);
  d.OpenPNG(PngBuilder::WriteBytes(TempPath("split.png"), split));
  ASSERT_TRUE(target.Drawn());
  EXPECT_EQ(DeviceBitmapToRgb(*target.Drawn()), a.rgb);
}

TEST(LoadPNGChunks, TextAccumulatesOverTwoFiles) {
  auto withText = [](const std::string& key, const std::string& value) {
    return PngBuilder()
        .Header(1, 1, 8, 0)
        .Chunk("tEXt", TextData(key, value))
        .Image({{0}})
        .End()
        .bytes();
  };
  LoadPNG d;
  DecodeBytes(withText("Title", "A"), 0, &d);
  DecodeBytes(withText("Author", "B"), 0, &d);
  EXPECT_EQ(d.Text(), std::string("Title\0A\0Author\0B\0", 17));
}

TEST(LoadPNGChunks, CompressedTextTimeAndGamma) {
  const std::string text = "compressed words, compressed words";
  LoadPNG d;
  DecodeBytes(
      PngBuilder()
          .Header(1, 1, 8, 0)
          .Chunk("zTXt", CompressedTextData("Key", ZlibCompress(Bytes(text.begin(), text.end()))))
          .Chunk("tIME", {0x07, 0xD7, 12, 31, 23, 59, 58})
          .Chunk("gAMA", {0, 0, 0xB1, 0x8F})
          .Image({{0}})
          .End()
          .bytes(),
      0, &d);
  EXPECT_EQ(d.zText(), std::string("Key\0", 4) + text + std::string(1, '\0'));
  EXPECT_EQ(d.ModiTime(), "31.12.2007 23:59:58");
  EXPECT_DOUBLE_EQ(d.gama(), 0.45455);
  DecodeBytes(PngBuilder()
                  .Header(1, 1, 8, 0)
                  .Chunk("tIME", {0x01, 0xF4, 3, 9, 8, 5, 0})
                  .Image({{0}})
                  .End()
                  .bytes(),
              0, &d);
  EXPECT_EQ(d.ModiTime(), "09.03.500 08:05:00");
}

// Ancillary chunks too short for their value, or whose text does not inflate, are
// skipped as libpng skips them: the image decodes and the property keeps its value.
TEST(LoadPNGChunks, MalformedAncillaryChunksAreSkipped) {
  const Bytes good = ZlibCompress(Bytes{'o', 'k'});
  Bytes truncated = good;
  truncated.resize(truncated.size() / 2);
  const Bytes file = PngBuilder()
                         .Header(1, 1, 8, 0)
                         .Chunk("gAMA", {0, 0, 0xB1, 0x8F})
                         .Chunk("gAMA", {})
                         .Chunk("gAMA", {0, 1, 2})
                         .Chunk("tIME", {0x07, 0xD7, 12, 31, 23, 59, 58})
                         .Chunk("tIME", {0x07, 0xD7, 1, 1, 0, 0})
                         .Chunk("zTXt", {})
                         .Chunk("zTXt", CompressedTextData("Bad", {0xFF, 0xFF, 0xFF, 0xFF}))
                         .Chunk("zTXt", CompressedTextData("Cut", truncated))
                         .Chunk("zTXt", CompressedTextData("Good", good))
                         .Image({{7}})
                         .End()
                         .bytes();
  LoadPNG d;
  const Result r = DecodeBytes(file, 0, &d);
  EXPECT_EQ(r.rgb, (Bytes{7, 7, 7}));
  EXPECT_DOUBLE_EQ(d.gama(), 0.45455);
  EXPECT_EQ(d.ModiTime(), "31.12.2007 23:59:58");
  EXPECT_EQ(d.zText(), std::string("Good\0ok\0", 8));
}

TEST(LoadPNGChunks, TextIsCappedAndCompressedTextKeptWholeUpToTheCap) {
  // 1,500 chunks of 1000 bytes: the text stops at the cap and the image still decodes.
  PngBuilder many;
  many.Header(1, 1, 8, 0);
  for (int i = 0; i < 1500; ++i) many.Chunk("tEXt", TextData("K", std::string(998, 'a' + i % 26)));
  LoadPNG d;
  EXPECT_EQ(DecodeBytes(many.Image({{9}}).End().bytes(), 0, &d).rgb, (Bytes{9, 9, 9}));
  EXPECT_EQ(d.Text().size(), kMaxTextBytes);
  EXPECT_EQ(d.Text().substr(0, 4), std::string("K\0aa", 4));
  // A second file adds nothing once the cap is reached.
  DecodeBytes(PngBuilder()
                  .Header(1, 1, 8, 0)
                  .Chunk("tEXt", TextData("More", "x"))
                  .Image({{0}})
                  .End()
                  .bytes(),
              0, &d);
  EXPECT_EQ(d.Text().size(), kMaxTextBytes);

  // 300 KB of text in a few hundred bytes: far beyond 12 times its compressed size.
  const std::string words(300000, 'w');
  const Bytes zt = CompressedTextData("Big", ZlibCompress(Bytes(words.begin(), words.end())));
  ASSERT_LT(zt.size() * 12, words.size());
  LoadPNG z;
  DecodeBytes(PngBuilder().Header(1, 1, 8, 0).Chunk("zTXt", zt).Image({{0}}).End().bytes(), 0, &z);
  EXPECT_EQ(z.zText(), std::string("Big\0", 4) + words + std::string(1, '\0'));
  // Four of them reach the cap: the text is cut there.
  PngBuilder four;
  four.Header(1, 1, 8, 0);
  for (int i = 0; i < 4; ++i) four.Chunk("zTXt", zt);
  LoadPNG capped;
  DecodeBytes(four.Image({{0}}).End().bytes(), 0, &capped);
  EXPECT_EQ(capped.zText().size(), kMaxTextBytes);
}

TEST(LoadPNGChunks, BackgroundColourRules) {
  struct Case {
    int depth, type;
    Bytes bkgd;
    Bytes plte;
    long colour;
  };
  Bytes rgb16 = Be16(65535);
  for (auto v : {Be16(32768), Be16(0)}) rgb16.insert(rgb16.end(), v.begin(), v.end());
  const Case cases[] = {
      {16, 2, rgb16, {}, 33023},                  // 32768 / 65535 * 255 = 127.5 rounds to 128
      {2, 0, Be16(2), {}, 170 * 0x010101},        // grey ramp entry
      {16, 0, Be16(256), {}, 0},                  // beyond the 256-entry ramp
      {8, 3, {1}, {1, 2, 3, 4, 5, 6}, 0x060504},  // palette entry 1
      {8, 3, {2}, {1, 2, 3, 4, 5, 6}, 0},         // index beyond the palette
      {8, 2, Be16(1), {}, 0},                     // wrong length
  };
  for (const Case& c : cases) {
    PngBuilder b;
    b.Header(1, 1, c.depth, c.type);
    if (!c.plte.empty()) b.Chunk("PLTE", c.plte);
    b.Chunk("bKGD", c.bkgd).Image({Bytes(8, 0)}).End();
    LoadPNG d;
    try {
      DecodeBytes(b.bytes(), 0, &d);
    } catch (const PngError&) {
    }
    EXPECT_TRUE(d.HasBKGDChunk());
    EXPECT_EQ(d.BkgdColor(), c.colour) << c.depth << "/" << c.type;
  }
}

// One RGBA pixel over a solid own background.
Bytes OneRgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
  return PngBuilder().Header(1, 1, 8, 6).Image({{r, g, b, a}}).End().bytes();
}

TEST(LoadPNGState, NothingCarriesOverToTheNextImage) {
  // A file with every per-image property, then one with none.
  const Bytes first = PngBuilder()
                          .Header(1, 1, 8, 6)
                          .Chunk("bKGD", {0, 10, 0, 20, 0, 30})
                          .Chunk("tRNS", Be16(0))
                          .Chunk("gAMA", {0, 0, 0xB1, 0x8F})
                          .Chunk("tIME", {0x07, 0xD7, 12, 31, 23, 59, 58})
                          .Image({{1, 2, 3, 4}})
                          .End()
                          .bytes();
  const Bytes second = PngBuilder().Header(1, 1, 8, 2).Image({{0, 0, 0}}).End().bytes();
  LoadPNG d;
  DecodeBytes(first, 0, &d);
  ASSERT_TRUE(d.HasBKGDChunk() && d.HaveTransparence() && d.HaveAlpha());
  DecodeBytes(second, 0, &d);
  EXPECT_FALSE(d.HasBKGDChunk());
  EXPECT_EQ(d.BkgdColor(), 0);
  EXPECT_FALSE(d.HaveTransparence());
  EXPECT_FALSE(d.HaveAlpha());
  EXPECT_EQ(d.gama(), 0.0);
  EXPECT_EQ(d.ModiTime(), "");
  EXPECT_EQ(d.ColorType(), 2);

  // The first file's bKGD does not colour the next file's blend.
  const Bytes clear = OneRgba(9, 9, 9, 0);
  EXPECT_EQ(DecodeBytes(first, 0, &d).rgb, (Bytes{10, 20, 30}));
  EXPECT_EQ(DecodeBytes(clear, 0, &d).rgb, (Bytes{0, 0, 0}));

  // A palette image without PLTE draws black, not with the previous file's palette.
  DecodeBytes(PngBuilder().Header(1, 1, 8, 3).Chunk("PLTE", {9, 8, 7}).Image({{0}}).End().bytes(),
              0, &d);
  EXPECT_EQ(DecodeBytes(PngBuilder().Header(1, 1, 8, 3).Image({{0}}).End().bytes(), 0, &d).rgb,
            (Bytes{0, 0, 0}));

  // A failed open leaves no header behind; the error number stays until the next failure.
  Bytes bad = second;
  bad[0] = 0;
  DecodeBytes(bad, 0, &d);
  EXPECT_EQ(d.ErrorNumber(), 1);
  EXPECT_EQ(d.Width(), 0);
  DecodeBytes(second, 0, &d);
  EXPECT_EQ(d.ErrorNumber(), 1);
}

TEST(LoadPNGDrawing, AlphaBlendsWithTheDecodersRounding) {
  const long blue100 = 100L << 16;
  EXPECT_EQ(DecodeBytes(OneRgba(0, 0, 200, 128), blue100).rgb, (Bytes{0, 0, 150}));
  // Red 100 at alpha 200 over red 0: 20000 / 255 is 78.4, drawn as 79 ((20000 + 255) >> 8);
  // blue 100 behind alpha 55: 5500 / 255 is 21.6, drawn as 22.
  EXPECT_EQ(DecodeBytes(OneRgba(100, 0, 0, 200), blue100).rgb, (Bytes{79, 0, 22}));
  EXPECT_EQ(DecodeBytes(OneRgba(7, 8, 9, 255), blue100).rgb, (Bytes{7, 8, 9}));
  EXPECT_EQ(DecodeBytes(OneRgba(7, 8, 9, 0), blue100).rgb, (Bytes{0, 0, 100}));
  EXPECT_EQ(DecodeBytes(OneRgba(7, 8, 9, 0), blue100).drawn->header.biBitCount, 24);

  // Without SetAlpha the colours are drawn unblended at 32 bits, bottom row first.
  LoadPNG d;
  MemorySurface target;
  d.PicBox(&target);
  const Bytes file = OneRgba(7, 8, 9, 0);
  OpenPNGFromMemory(d, file.data(), file.size());
  EXPECT_TRUE(d.HaveAlpha());
  EXPECT_EQ(target.Drawn()->header.biBitCount, 32);
  EXPECT_EQ(target.Drawn()->header.biHeight, 1);
  EXPECT_EQ(Bytes(target.Drawn()->pixels.begin(), target.Drawn()->pixels.end()),
            (Bytes{9, 8, 7, 0}));

  // The own colour 0 falls back to the bKGD colour.
  const Bytes withBkgd = PngBuilder()
                             .Header(1, 1, 8, 6)
                             .Chunk("bKGD", {0, 1, 0, 2, 0, 3})
                             .Image({{0, 0, 0, 0}})
                             .End()
                             .bytes();
  EXPECT_EQ(DecodeBytes(withBkgd, 0).rgb, (Bytes{1, 2, 3}));
}

TEST(LoadPNGDrawing, PaletteRules) {
  // A one-entry palette at 1 bit draws black and white; indices beyond a palette are black.
  const Bytes oneEntry =
      PngBuilder().Header(2, 1, 1, 3).Chunk("PLTE", {200, 100, 50}).Image({{0x40}}).End().bytes();
  EXPECT_EQ(DecodeBytes(oneEntry).rgb, (Bytes{0, 0, 0, 255, 255, 255}));
  const Bytes beyond =
      PngBuilder().Header(2, 1, 8, 3).Chunk("PLTE", {200, 100, 50}).Image({{0, 7}}).End().bytes();
  EXPECT_EQ(DecodeBytes(beyond).rgb, (Bytes{200, 100, 50, 0, 0, 0}));
  // With a shorter tRNS the remaining entries stay opaque.
  const Bytes trns = PngBuilder()
                         .Header(3, 1, 8, 3)
                         .Chunk("PLTE", {200, 100, 50, 1, 2, 3})
                         .Chunk("tRNS", {0})
                         .Image({{0, 1, 9}})
                         .End()
                         .bytes();
  EXPECT_EQ(DecodeBytes(trns, 0x00332211).rgb, (Bytes{0x11, 0x22, 0x33, 1, 2, 3, 0, 0, 0}));
}

TEST(LoadPNGDrawing, SixteenBitSamplesDrawFromTheHighByteAndKeyOnTheFullValue) {
  const Bytes grey =
      PngBuilder().Header(2, 1, 16, 0).Image({{0x12, 0xFF, 0x12, 0x00}}).End().bytes();
  EXPECT_EQ(DecodeBytes(grey).rgb, (Bytes{0x12, 0x12, 0x12, 0x12, 0x12, 0x12}));
  const Bytes keyed = PngBuilder()
                          .Header(2, 1, 16, 0)
                          .Chunk("tRNS", {0x12, 0x00})
                          .Image({{0x12, 0xFF, 0x12, 0x00}})
                          .End()
                          .bytes();
  EXPECT_EQ(DecodeBytes(keyed, 0x00010203).rgb, (Bytes{0x12, 0x12, 0x12, 3, 2, 1}));
  const Bytes rgb = PngBuilder()
                        .Header(2, 1, 16, 2)
                        .Chunk("tRNS", {0, 1, 0, 2, 0, 3})
                        .Image({{0, 1, 0, 2, 0, 3, 0, 1, 0, 2, 0, 4}})
                        .End()
                        .bytes();
  EXPECT_EQ(DecodeBytes(rgb, 0x00ABCDEF).rgb, (Bytes{0xEF, 0xCD, 0xAB, 0, 0, 0}));
}

TEST(LoadPNGDrawing, GreyImagesDrawWithTheirRamp) {
  const std::vector<Bytes> samples = {{0, 1, 2}, {3, 2, 1}, {1, 0, 3}};
  std::vector<Bytes> packed;
  for (const Bytes& s : samples)
    packed.push_back({static_cast<uint8_t>(s[0] << 6 | s[1] << 4 | s[2] << 2)});
  const Bytes plain = PngBuilder().Header(3, 3, 2, 0).Image(packed).End().bytes();
  const Bytes inter = PngBuilder()
                          .Header(3, 3, 2, 0, 1)
                          .Chunk("IDAT", ZlibCompress(InterlacedScanlines(samples, 2)))
                          .End()
                          .bytes();
  const Result a = DecodeBytes(plain), b = DecodeBytes(inter);
  ASSERT_EQ(a.error, 0);
  EXPECT_EQ(a.rgb, b.rgb);
  EXPECT_EQ(a.drawn->header.biBitCount, 8);
  EXPECT_EQ(a.rgb[3 * 3], 255);  // sample 3
  EXPECT_EQ(a.rgb[3 * 1], 85);   // sample 1
  EXPECT_EQ(a.drawn->colours[2].red, 170);
  // An 8-bit grey image is an 8-bit bitmap with the identity ramp; 1 and 4 bits stay packed.
  const Result g8 = DecodeBytes(Grey8(5, 1));
  EXPECT_EQ(g8.drawn->header.biBitCount, 8);
  EXPECT_EQ(g8.drawn->colours[200].green, 200);
  EXPECT_EQ(DecodeBytes(PngBuilder().Header(9, 1, 1, 0).Image({{0xAA, 0x80}}).End().bytes())
                .drawn->header.biBitCount,
            1);
  EXPECT_EQ(DecodeBytes(PngBuilder().Header(3, 1, 4, 0).Image({{0x1F, 0x80}}).End().bytes())
                .drawn->header.biBitCount,
            4);
}

}  // namespace
