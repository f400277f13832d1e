// LoadPNG through crafted files: error numbers, retained chunks, conversion rules and
// the limits that keep malformed files harmless.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

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

Bytes Be16(unsigned v) { return {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}; }

Bytes Grey8(uint32_t w, uint32_t h) {
    std::vector<Bytes> rows(h, Bytes(w, 0x80));
    return PngBuilder().Header(w, h, 8, 0).Image(rows).End().bytes();
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
    auto kindOf = [](const Bytes& b) {
        try {
            DecodeBytes(b);
        } catch (const PngError& e) {
            return static_cast<int>(e.kind());
        }
        return -1;
    };
    using K = PngError::Kind;
    // Too wide, too much inflated data, an invalid pairing, rows missing.
    EXPECT_EQ(kindOf(PngBuilder().Header((1u << 24) + 1, 1, 8, 0).Image({{0}}).End().bytes()), int(K::LimitExceeded));
    EXPECT_EQ(kindOf(PngBuilder().Header(1u << 24, 1u << 10, 16, 6).Image({{0}}).End().bytes()), int(K::LimitExceeded));
    EXPECT_EQ(kindOf(PngBuilder().Header(4, 4, 8, 1).Image({{0}}).End().bytes()), int(K::Unsupported));
    EXPECT_EQ(kindOf(PngBuilder().Header(4, 4, 3, 0).Image({{0}}).End().bytes()), int(K::Unsupported));
    EXPECT_EQ(kindOf(PngBuilder().Header(4, 4, 8, 0).Image({{1, 2, 3, 4}}).End().bytes()), int(K::Truncated));
    EXPECT_EQ(kindOf(PngBuilder().Header(4, 4, 8, 0, 1).Image({{1, 2, 3, 4}}).End().bytes()), int(K::Truncated));
}

TEST(LoadPNGChunks, SplitImageDataAndWrongCrcsDecodeAlike) {
    const std::vector<Bytes> rows = {{10, 20, 30}, {40, 50, 60}};
    Bytes raw = {0, 10, 20, 30, 0, 40, 50, 60};
    const Bytes z = ZlibCompress(raw);
    const Bytes split = PngBuilder()
                            .Header(3, 2, 8, 0)
                            .Chunk("IDAT", Bytes(z.begin(), z.begin() + 3))
                            .Chunk("IDAT", {})
                            .Chunk("IDAT", Bytes(z.begin() + 3, z.end()), /*goodCrc=*/false)
                            .End()
                            .bytes();
    const Result a = DecodeBytes(split), b = DecodeBytes(PngBuilder().Header(3, 2, 8, 0).Image(rows).End().bytes());
    EXPECT_EQ(a.error, 0);
    EXPECT_EQ(a.rgb, b.rgb);
    EXPECT_EQ(a.rgb, (Bytes{10, 10, 10, 20, 20, 20, 30, 30, 30, 40, 40, 40, 50, 50, 50, 60, 60, 60}));
}

TEST(LoadPNGChunks, TextAccumulatesOverTwoFiles) {
    auto withText = [](const std::string& key, const std::string& value) {
        Bytes t(key.begin(), key.end());
        t.push_back(0);
        t.insert(t.end(), value.begin(), value.end());
        return PngBuilder().Header(1, 1, 8, 0).Chunk("tEXt", t).Image({{0}}).End().bytes();
    };
    LoadPNG d;
    DecodeBytes(withText("Title", "A"), 0, &d);
    DecodeBytes(withText("Author", "B"), 0, &d);
    EXPECT_EQ(d.Text(), std::string("Title\0A\0Author\0B\0", 17));
}

TEST(LoadPNGChunks, CompressedTextTimeAndGamma) {
    const std::string text = "compressed words, compressed words";
    Bytes z = {'K', 'e', 'y', 0, 0};
    const Bytes packed = ZlibCompress(Bytes(text.begin(), text.end()));
    z.insert(z.end(), packed.begin(), packed.end());
    LoadPNG d;
    DecodeBytes(PngBuilder()
                    .Header(1, 1, 8, 0)
                    .Chunk("zTXt", z)
                    .Chunk("tIME", {0x07, 0xD7, 12, 31, 23, 59, 58})
                    .Chunk("gAMA", {0, 0, 0xB1, 0x8F})
                    .Image({{0}})
                    .End()
                    .bytes(),
                0, &d);
    EXPECT_EQ(d.zText(), std::string("Key\0", 4) + text + std::string(1, '\0'));
    EXPECT_EQ(d.ModiTime(), "31.12.2007 23:59:58");
    EXPECT_DOUBLE_EQ(d.gama(), 0.45455);
    DecodeBytes(PngBuilder().Header(1, 1, 8, 0).Chunk("tIME", {0x01, 0xF4, 3, 9, 8, 5, 0}).Image({{0}}).End().bytes(), 0,
                &d);
    EXPECT_EQ(d.ModiTime(), "09.03.500 08:05:00");
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
        {16, 2, rgb16, {}, 33023},                       // 32768 / 65535 * 255 = 127.5 rounds to 128
        {2, 0, Be16(2), {}, 170 * 0x010101},             // grey ramp entry
        {16, 0, Be16(256), {}, 0},                       // beyond the 256-entry ramp
        {8, 3, {1}, {1, 2, 3, 4, 5, 6}, 0x060504},       // palette entry 1
        {8, 3, {2}, {1, 2, 3, 4, 5, 6}, 0},              // index beyond the palette
        {8, 2, Be16(1), {}, 0},                          // wrong length
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

TEST(LoadPNGDrawing, AlphaBlendsWithTheDecodersRounding) {
    const long blue100 = 100L << 16;
    EXPECT_EQ(DecodeBytes(OneRgba(0, 0, 200, 128), blue100).rgb, (Bytes{0, 0, 150}));
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
    EXPECT_EQ(target.Drawn()->pixels, (Bytes{9, 8, 7, 0}));

    // The own colour 0 falls back to the bKGD colour.
    const Bytes withBkgd = PngBuilder().Header(1, 1, 8, 6).Chunk("bKGD", {0, 1, 0, 2, 0, 3}).Image({{0, 0, 0, 0}}).End().bytes();
    EXPECT_EQ(DecodeBytes(withBkgd, 0).rgb, (Bytes{1, 2, 3}));
}

TEST(LoadPNGDrawing, PaletteRules) {
    // A one-entry palette at 1 bit draws black and white; indices beyond a palette are black.
    const Bytes oneEntry = PngBuilder().Header(2, 1, 1, 3).Chunk("PLTE", {200, 100, 50}).Image({{0x40}}).End().bytes();
    EXPECT_EQ(DecodeBytes(oneEntry).rgb, (Bytes{0, 0, 0, 255, 255, 255}));
    const Bytes beyond = PngBuilder().Header(2, 1, 8, 3).Chunk("PLTE", {200, 100, 50}).Image({{0, 7}}).End().bytes();
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

TEST(LoadPNGDrawing, TransparentGreyAndPaletteImagesAreDrawnUpright) {
    // Top pixel transparent, bottom pixel opaque white.
    const Bytes grey = PngBuilder().Header(1, 2, 8, 0).Chunk("tRNS", Be16(0)).Image({{0}, {255}}).End().bytes();
    EXPECT_EQ(DecodeBytes(grey, 0x00332211).rgb, (Bytes{0x11, 0x22, 0x33, 255, 255, 255}));
    const Bytes pal =
        PngBuilder().Header(1, 2, 8, 3).Chunk("PLTE", {9, 9, 9, 255, 255, 255}).Chunk("tRNS", {0}).Image({{0}, {1}}).End().bytes();
    EXPECT_EQ(DecodeBytes(pal, 0x00332211).rgb, (Bytes{0x11, 0x22, 0x33, 255, 255, 255}));
}

TEST(LoadPNGDrawing, SixteenBitSamplesDrawFromTheHighByteAndKeyOnTheFullValue) {
    const Bytes grey = PngBuilder().Header(2, 1, 16, 0).Image({{0x12, 0xFF, 0x12, 0x00}}).End().bytes();
    const Result r = DecodeBytes(grey);
    EXPECT_EQ(r.rgb, (Bytes{0x12, 0x12, 0x12, 0x12, 0x12, 0x12}));
    const Bytes keyed = PngBuilder().Header(2, 1, 16, 0).Chunk("tRNS", {0x12, 0x00}).Image({{0x12, 0xFF, 0x12, 0x00}}).End().bytes();
    EXPECT_EQ(DecodeBytes(keyed, 0x00010203).rgb, (Bytes{0x12, 0x12, 0x12, 3, 2, 1}));
    const Bytes rgb = PngBuilder()
                          .Header(2, 1, 16, 2)
                          .Chunk("tRNS", {0, 1, 0, 2, 0, 3})
                          .Image({{0, 1, 0, 2, 0, 3, 0, 1, 0, 2, 0, 4}})
                          .End()
                          .bytes();
    EXPECT_EQ(DecodeBytes(rgb, 0x00ABCDEF).rgb, (Bytes{0xEF, 0xCD, 0xAB, 0, 0, 0}));
}

TEST(LoadPNGDrawing, TwoBitGreyInterlacedAndNotDrawTheSameGreys) {
    const std::vector<Bytes> samples = {{0, 1, 2}, {3, 2, 1}, {1, 0, 3}};
    std::vector<Bytes> packed;
    for (const Bytes& s : samples) packed.push_back({static_cast<uint8_t>(s[0] << 6 | s[1] << 4 | s[2] << 2)});
    const Bytes plain = PngBuilder().Header(3, 3, 2, 0).Image(packed).End().bytes();
    const Bytes inter =
        PngBuilder().Header(3, 3, 2, 0, 1).Chunk("IDAT", ZlibCompress(InterlacedScanlines(samples, 2))).End().bytes();
    const Result a = DecodeBytes(plain), b = DecodeBytes(inter);
    ASSERT_EQ(a.error, 0);
    EXPECT_EQ(a.rgb, b.rgb);
    EXPECT_EQ(a.drawn->header.biBitCount, 8);
    EXPECT_EQ(a.rgb[3 * 3], 255);      // sample 3
    EXPECT_EQ(a.rgb[3 * 1], 85);       // sample 1
    EXPECT_EQ(a.drawn->colours[2].red, 170);
}

TEST(LoadPNGDrawing, NothingCarriesOverToTheNextImage) {
    LoadPNG d;
    DecodeBytes(OneRgba(1, 2, 3, 4), 0, &d);
    EXPECT_TRUE(d.HaveAlpha());
    DecodeBytes(Grey8(1, 1), 0, &d);
    EXPECT_FALSE(d.HaveAlpha());
    // A palette image without PLTE draws black, not with the previous file's palette.
    DecodeBytes(PngBuilder().Header(1, 1, 8, 3).Chunk("PLTE", {9, 8, 7}).Image({{0}}).End().bytes(), 0, &d);
    EXPECT_EQ(DecodeBytes(PngBuilder().Header(1, 1, 8, 3).Image({{0}}).End().bytes(), 0, &d).rgb, (Bytes{0, 0, 0}));
}

}  // namespace
