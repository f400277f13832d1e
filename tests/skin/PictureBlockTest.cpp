// The picture block in the forms other tools write: property bags built here the way the
// platform's serialization lays them out (names in ANSI or UTF-16, a picture persisted
// as the stream signature "lt\0\0" with its length, or as the image file alone), with
// decoys around the picture; and icon pictures made by ImageMagick.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "skin/Image.h"
#include "skin/PictureBlock.h"
#include "skin/SkinLoad.h"
#include "tests/skin/SkinTestFiles.h"

namespace dirsheet::skin {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::Bag;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes TestBmp() { return testing::EncodeBmp24(testing::MakeTestSkin().Picture); }

Bytes StartPng() { return ReadFile(DIRSHEET_SOURCE_DIR "/images/start.png"); }

// Image files of each kind, as far as finding them needs: a real BMP and PNG; a GIF and
// a JPEG with their signatures; an icon directory with one entry.
Bytes MinimalGif() { return {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0, 0, 0, ';'}; }
Bytes MinimalJpeg() { return {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 0xFF, 0xD9}; }
Bytes MinimalIcon() {
  Bytes ico(30, 0x55);  // the directory, then 8 bytes of image
  const Bytes dir = {0, 0, 1, 0, 1, 0, 2, 2, 0, 0, 1, 0, 32, 0, 8, 0, 0, 0, 22, 0, 0, 0};
  std::copy(dir.begin(), dir.end(), ico.begin());
  return ico;
}

// The loader reads the block with 23 zero bytes after it.
FoundPicture Extract(Bytes block) {
  block.resize(block.size() + 23, 0);
  return ExtractSkinPicture(block);
}

TEST(PropertyBagBlock, FindsThePicturePersistedAfterTheName) {
  struct Case {
    const char* what;
    Bag bag;
    Bytes expected;
    PictureSource source;
  };
  const Bytes bmp = TestBmp(), png = StartPng();
  ASSERT_FALSE(png.empty());
  std::vector<Case> cases;
  cases.push_back({"UTF-16 name, stream", Bag().U32(2).Name("SkinPicture", true).Stream(bmp), bmp,
                   PictureSource::NamedUtf16});
  cases.push_back({"ANSI name, stream", Bag().U32(2).Name("SkinPicture", false).Stream(bmp), bmp,
                   PictureSource::NamedAnsi});
  cases.push_back({"UTF-16 name, bare BMP", Bag().Name("SkinPicture", true).Raw(bmp), bmp,
                   PictureSource::NamedUtf16});
  cases.push_back({"ANSI name, bare PNG", Bag().Name("SkinPicture", false).Raw(png), png,
                   PictureSource::NamedAnsi});
  cases.push_back({"stream holding a PNG", Bag().Name("SkinPicture", true).Stream(png), png,
                   PictureSource::NamedUtf16});
  cases.push_back({"stream holding a GIF", Bag().Name("SkinPicture", true).Stream(MinimalGif()),
                   MinimalGif(), PictureSource::NamedUtf16});
  cases.push_back({"stream holding a JPEG", Bag().Name("SkinPicture", false).Stream(MinimalJpeg()),
                   MinimalJpeg(), PictureSource::NamedAnsi});
  cases.push_back({"stream holding an icon", Bag().Name("SkinPicture", true).Stream(MinimalIcon()),
                   MinimalIcon(), PictureSource::NamedUtf16});
  // Another property before it, whose text holds an image signature and a stream
  // signature whose length runs past the block: neither is taken.
  Bag decoy;
  decoy.U32(3)
      .Name("Caption", true)
      .Text("BM and lt")
      .Raw({'l', 't', 0, 0, 0xFF, 0xFF, 0xFF, 0x0F});
  decoy.Name("SkinPicture", true).Stream(bmp);
  cases.push_back({"after a decoy property", decoy, bmp, PictureSource::NamedUtf16});
  // A picture of another property before the name: the one after the name is the skin's.
  cases.push_back({"another picture first",
                   Bag().Name("Icon", true).Stream(png).Name("SkinPicture", true).Stream(bmp), bmp,
                   PictureSource::NamedUtf16});
  // No name: the first persisted picture in the block.
  cases.push_back(
      {"no name", Bag().U32(1).Raw({7, 7, 7}).Stream(bmp), bmp, PictureSource::FirstPicture});
  // Our own layout is still read as it was.
  cases.push_back(
      {"our own layout", Bag().Raw(testing::MakePictureBlock(bmp)), bmp, PictureSource::OwnLayout});

  for (const Case& c : cases) {
    const FoundPicture found = Extract(c.bag.bytes);
    EXPECT_EQ(found.File, c.expected) << c.what;
    EXPECT_EQ(found.Source, c.source) << c.what;
    EXPECT_TRUE(std::equal(c.expected.begin(), c.expected.end(),
                           c.bag.bytes.begin() + std::ptrdiff_t(found.Offset)))
        << c.what;
  }
}

TEST(PropertyBagBlock, BlocksWithoutAPictureAreRefused) {
  const Bytes bmp = TestBmp();
  Bytes cutBmp(bmp.begin(), bmp.begin() + 100);
  struct Case {
    const char* what;
    Bag bag;
  } cases[] = {
      {"the name and nothing after it",
       Bag().Name("Caption", true).Text("x").Name("SkinPicture", true).Text("none")},
      {"a picture only before the name", Bag().Stream(bmp).Name("SkinPicture", false).Text("none")},
      {"no name, no picture", Bag().U32(2).Name("Caption", true).Text("Hello")},
      {"a stream longer than the block",
       Bag().Name("SkinPicture", true).Raw({'l', 't', 0, 0}).U32(1 << 20).Raw(cutBmp)},
      {"a BMP longer than the block", Bag().Name("SkinPicture", true).Raw(cutBmp)},
      {"empty", Bag()},
  };
  for (const Case& c : cases) EXPECT_THROW(Extract(c.bag.bytes), SkinError) << c.what;
}

TEST(PropertyBagBlock, AWholeSkinFileLoadsFromIt) {
  const testing::TestSkin skin = testing::MakeTestSkin();
  const Bytes file = testing::SkinFileBytesInPropertyBag(skin, true);
  const LoadedSkinFile loaded = LoadSkinBytes(file.data(), file.size(), DecodePortablePicture);
  EXPECT_EQ(loaded.Picture.Source, PictureSource::NamedUtf16);
  EXPECT_EQ(loaded.Kind, ImageKind::Bmp);
  EXPECT_EQ(loaded.Pixels.Pixels, skin.Picture.Pixels);

  // The same file with the picture's bytes damaged: the picture does not decode.
  Bytes damaged = file;
  damaged.resize(damaged.size() - 200);
  EXPECT_THROW(LoadSkinBytes(damaged.data(), damaged.size(), DecodePortablePicture), SkinError);
}

// ---------------------------------------------------------------- icons

// Writes an RGBA picture as a PAM file and has ImageMagick turn it into an icon file.
bool MakeIconWithImageMagick(int w, int h, const std::vector<std::uint32_t>& argb,
                             const std::string& ico) {
  const std::string pam = ico + ".pam";
  std::ofstream out(pam, std::ios::binary);
  out << "P7\nWIDTH " << w << "\nHEIGHT " << h
      << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  for (std::uint32_t p : argb) {
    const char px[4] = {char(p >> 16), char(p >> 8), char(p), char(p >> 24)};
    out.write(px, 4);
  }
  out.close();
  const std::string cmd = "convert '" + pam + "' '" + ico + "' 2>/dev/null";
  return std::system(cmd.c_str()) == 0;
}

TEST(IconPicture, PixelsAndMaskOfAnIconImageMagickMade) {
  if (std::system("command -v convert >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "ImageMagick not installed";
  // Sizes below 256 are stored as bitmaps with their mask.
  for (auto [w, h] : {std::pair{5, 4}, std::pair{32, 32}, std::pair{48, 20}}) {
    std::vector<std::uint32_t> argb;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint32_t alpha = (x + 2 * y) % 3 == 0 ? 0 : 0xFF;
        argb.push_back(alpha << 24 | std::uint32_t(x * 7 % 256) << 16 |
                       std::uint32_t(y * 11 % 256) << 8 | 0x40);
      }
    const std::string ico = ::testing::TempDir() + "skin-icon-" + std::to_string(w) + ".ico";
    ASSERT_TRUE(MakeIconWithImageMagick(w, h, argb, ico));
    const Bytes file = ReadFile(ico);
    ASSERT_EQ(DetectImageKind(file.data(), file.size()), ImageKind::Icon);
    Image img;
    ASSERT_TRUE(DecodePortablePicture(file, img)) << w;
    ASSERT_EQ(img.Width, w);
    ASSERT_EQ(img.Height, h);
    int mismatches = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const std::uint32_t p = argb[std::size_t(y) * w + x];
        const std::uint32_t expected = (p >> 24) == 0 ? kTransparentColor : (p & 0xFFFFFF);
        mismatches += img.At(x, y) != expected;
      }
    EXPECT_EQ(mismatches, 0) << w << " x " << h;
    std::remove(ico.c_str());
    std::remove((ico + ".pam").c_str());
  }
}

// An icon whose image is a PNG (as 256-pixel icons are stored): the PNG's own pixels.
TEST(IconPicture, APngInsideAnIcon) {
  const Bytes png = StartPng();
  Bytes ico = {0, 0, 1, 0, 1, 0, 32, 32, 0, 0, 1, 0, 32, 0};
  for (std::uint32_t v : {std::uint32_t(png.size()), 22u})
    for (int i = 0; i < 4; ++i) ico.push_back(std::uint8_t(v >> (8 * i)));
  ico.insert(ico.end(), png.begin(), png.end());
  Image fromIcon, direct;
  ASSERT_TRUE(DecodePortablePicture(ico, fromIcon));
  ASSERT_TRUE(DecodePng(png.data(), png.size(), direct));
  EXPECT_EQ(fromIcon.Pixels, direct.Pixels);
}

TEST(IconPicture, BrokenIconsAreRefused) {
  Bytes ico = MinimalIcon();  // its one entry claims a bitmap of 8 bytes: too short
  Image img;
  EXPECT_FALSE(DecodePortablePicture(ico, img));
  ico[18] = 0xF0;  // the entry's data far beyond the file
  EXPECT_FALSE(DecodePortablePicture(ico, img));
  EXPECT_THROW(DecodeIcon(ico.data(), 4), SkinError);
}

}  // namespace
}  // namespace dirsheet::skin
