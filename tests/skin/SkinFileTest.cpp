// The skin file reader against hand-made files: every field at its place, the signature,
// short files, the picture block and the BMP decoder.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "skin/Image.h"
#include "skin/PictureBlock.h"
#include "skin/SkinFile.h"
#include "tests/skin/SkinTestFiles.h"

namespace dirsheet::skin {
namespace {

// A 1534-byte header and record in which every Int32 field holds its own file offset,
// written independently of the reader's own layout code.
std::vector<std::uint8_t> OffsetTaggedRecord() {
  std::vector<std::uint8_t> b(kPictureBlockOffset, 0);
  std::memcpy(b.data(), "SKIN#", 5);
  auto put32 = [&](std::size_t at) {
    for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(at >> (8 * i));
  };
  auto put16 = [&](std::size_t at) {
    b[at] = std::uint8_t(at);
    b[at + 1] = std::uint8_t(at >> 8);
  };
  put16(5);
  put16(7);
  put16(9);
  for (std::size_t o = 11; o < 11 + 384; o += 4) put32(o);  // both frames
  for (int i = 0; i < 4; ++i)
    for (std::size_t o = 0; o < 72; o += 4) put32(395 + 72 * i + o);
  for (std::size_t o : {683, 687, 691, 695, 699, 703, 768}) put32(o);
  for (int i = 0; i < 61; ++i) b[707 + i] = std::uint8_t(i + 1);  // caption font
  put16(772);
  for (std::size_t o : {774, 778, 782, 786}) put32(o);
  b[790] = 0xAB;
  for (std::size_t o = 791; o < 791 + 160; o += 4) put32(o);  // menu pieces and colours
  for (int i = 0; i < 61; ++i) b[951 + i] = std::uint8_t(100 + i);
  put32(1012);
  put32(1016);
  put16(1020);
  for (std::size_t o : {1022, 1026, 1030, 1034, 1038, 1042, 1046, 1050}) put32(o);
  b[1054] = 'a';
  b[1093] = 'b';
  b[1094] = 'c';
  b[1133] = 'd';
  b[1134] = 'e';
  b[1533] = 'f';
  return b;
}

void ExpectPiece(const PieceRect& p, int at) {
  EXPECT_EQ(p.Left, at);
  EXPECT_EQ(p.Top, at + 4);
  EXPECT_EQ(p.Width, at + 8);
  EXPECT_EQ(p.Height, at + 12);
}

TEST(SkinFileReader, ReadsEveryFieldAtItsOffset) {
  const auto bytes = OffsetTaggedRecord();
  const SkinFileContents c = ReadSkinFile(bytes.data(), bytes.size());
  EXPECT_EQ(c.Header.Reserved1, 5);
  EXPECT_EQ(c.Header.Reserved3, 9);
  const SkinData& d = c.Data;
  for (int k = 0; k < 12; ++k) {
    ExpectPiece(d.ActiveFrame[k], 11 + 16 * k);
    ExpectPiece(d.InactiveFrame[k], 203 + 16 * k);
  }
  for (int i = 0; i < 4; ++i) {
    for (int s = 0; s < 4; ++s) ExpectPiece(d.CaptionButtons[i].States[s], 395 + 72 * i + 16 * s);
    EXPECT_EQ(d.CaptionButtons[i].OffsetX, 395 + 72 * i + 64);
    EXPECT_EQ(d.CaptionButtons[i].OffsetY, 395 + 72 * i + 68);
  }
  const auto& t = d.CaptionText;
  EXPECT_EQ(t.TextLeft, 683);
  EXPECT_EQ(t.TextTop, 687);
  EXPECT_EQ(t.TextRightMargin, 691);
  EXPECT_EQ(t.TextHeight, 695);
  EXPECT_EQ(t.ActiveTextColor, 699);
  EXPECT_EQ(t.InactiveTextColor, 703);
  EXPECT_EQ(t.Font.Raw[0], 1);
  EXPECT_EQ(t.Font.Raw[60], 61);
  EXPECT_EQ(t.TextFormat, 768);
  EXPECT_EQ(d.Icon.Reserved1, 772);
  EXPECT_EQ(d.Icon.IconLeft, 774);
  EXPECT_EQ(d.Icon.IconTop, 778);
  EXPECT_EQ(d.Icon.IconWidth, 782);
  EXPECT_EQ(d.Icon.IconHeight, 786);
  EXPECT_EQ(d.Icon.Reserved2, 0xAB);
  for (int k = 0; k < 3; ++k) {
    ExpectPiece(d.MenuBar.Bar[k], 791 + 16 * k);
    ExpectPiece(d.MenuBar.Hot[k], 839 + 16 * k);
    ExpectPiece(d.MenuBar.Pressed[k], 887 + 16 * k);
  }
  EXPECT_EQ(d.MenuBar.NormalItemColor, 935);
  EXPECT_EQ(d.MenuBar.HotItemColor, 939);
  EXPECT_EQ(d.MenuBar.PressedItemColor, 943);
  EXPECT_EQ(d.MenuBar.DisabledItemColor, 947);
  EXPECT_EQ(d.MenuBar.Font.Raw[0], 100);
  EXPECT_EQ(d.MenuBar.Reserved, 1012);
  EXPECT_EQ(d.MenuColor, 1016);
  EXPECT_EQ(d.DropShadow, 1020);
  EXPECT_EQ(d.MinTrackSize[0], 1022);
  EXPECT_EQ(d.MinTrackSize[1], 1026);
  ExpectPiece(d.ClientTile, 1030);
  EXPECT_EQ(d.ClientColor, 1046);
  EXPECT_EQ(d.Reserved, 1050);
  EXPECT_EQ(d.InfoText1[0], 'a');
  EXPECT_EQ(d.InfoText1[39], 'b');
  EXPECT_EQ(d.InfoText2[0], 'c');
  EXPECT_EQ(d.InfoText2[39], 'd');
  EXPECT_EQ(d.InfoText3[0], 'e');
  EXPECT_EQ(d.InfoText3[399], 'f');
  EXPECT_TRUE(c.PictureBlock.empty());

  // Writing the record back gives the same bytes.
  EXPECT_EQ(WriteSkinHeaderAndData(c.Header, c.Data), bytes);
}

TEST(SkinFileReader, RejectsWrongSignatureAndShortFiles) {
  auto bytes = testing::SkinFileBytes(testing::MakeTestSkin());
  auto lower = bytes;
  std::memcpy(lower.data(), "skin#", 5);
  EXPECT_THROW(ReadSkinFile(lower.data(), lower.size()), SignatureError);

  // A file cut inside the record is a plain read failure, not a signature failure.
  for (std::size_t size : {0, 3, 11, 500, 1533}) {
    try {
      ReadSkinFile(bytes.data(), size);
      ADD_FAILURE() << "size " << size << " accepted";
    } catch (const SignatureError&) {
      ADD_FAILURE() << "size " << size << " reported as a bad signature";
    } catch (const SkinError&) {
    }
  }

  // Exactly header and record: read, but its empty picture block holds no picture
  // (the loader pads the block with 23 zeros).
  const SkinFileContents c = ReadSkinFile(bytes.data(), kPictureBlockOffset);
  std::vector<std::uint8_t> padded(23, 0);
  EXPECT_TRUE(c.PictureBlock.empty());
  EXPECT_THROW(ExtractSkinPicture(padded), SkinError);
}

TEST(SkinFileReader, FindsTheSkinPictureInItsBlock) {
  testing::TestSkin skin = testing::MakeTestSkin();
  const auto bmp = testing::EncodeBmp24(skin.Picture);

  // As written by MakePictureBlock, padded as the loader pads it.
  auto block = testing::MakePictureBlock(bmp);
  block.resize(block.size() + 23, 0);
  EXPECT_EQ(ExtractSkinPicture(block).File, bmp);

  // A bare image file as the value, after another property.
  std::vector<std::uint8_t> bare = {2, 0, 0, 0, 4,   0,   'I', 'n', 'f', 'o',
                                    3, 0, 0, 0, 'x', 'y', 'z', 11,  0};
  for (char ch : std::string("SkinPicture")) bare.push_back(std::uint8_t(ch));
  const std::uint32_t n = std::uint32_t(bmp.size());
  for (int i = 0; i < 4; ++i) bare.push_back(std::uint8_t(n >> (8 * i)));
  bare.insert(bare.end(), bmp.begin(), bmp.end());
  EXPECT_EQ(ExtractSkinPicture(bare).File, bmp);

  // A stream longer than its property does not parse as our layout; the BMP after the
  // name is still found, within the block.
  auto overlong = testing::MakePictureBlock(bmp);
  overlong[4 + 2 + 11 + 4 + 4 + 2] ^= 0x40;  // the stream's image length, +4 MB
  const FoundPicture found = ExtractSkinPicture(overlong);
  EXPECT_EQ(found.File, bmp);
  EXPECT_EQ(found.Source, PictureSource::NamedAnsi);

  // Broken blocks: a value cut short, a block with no such property and no picture, a
  // value that is no image.
  auto cut = testing::MakePictureBlock(bmp);
  cut.resize(cut.size() / 2);
  EXPECT_THROW(ExtractSkinPicture(cut), SkinError);
  std::vector<std::uint8_t> other = {1, 0, 0, 0, 4, 0, 'I', 'n', 'f', 'o', 1, 0, 0, 0, 'x'};
  EXPECT_THROW(ExtractSkinPicture(other), SkinError);
  std::vector<std::uint8_t> noImage = {1, 0, 0, 0, 11, 0};
  for (char ch : std::string("SkinPicture")) noImage.push_back(std::uint8_t(ch));
  noImage.insert(noImage.end(), {3, 0, 0, 0, 'a', 'b', 'c'});
  EXPECT_THROW(ExtractSkinPicture(noImage), SkinError);
}

TEST(SkinFileReader, DetectsImageKinds) {
  const std::uint8_t png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  const std::uint8_t gif[] = {'G', 'I', 'F', '8', '9', 'a'};
  const std::uint8_t jpg[] = {0xFF, 0xD8, 0xFF, 0xE0};
  EXPECT_EQ(DetectImageKind(png, sizeof png), ImageKind::Png);
  EXPECT_EQ(DetectImageKind(gif, sizeof gif), ImageKind::Gif);
  EXPECT_EQ(DetectImageKind(jpg, sizeof jpg), ImageKind::Jpeg);
  EXPECT_EQ(DetectImageKind(png, 4), ImageKind::Unknown);
}

TEST(BmpDecoder, ReadsTheDepthsAndOrientations) {
  Image img;
  img.Width = 5;  // rows need padding
  img.Height = 3;
  for (int i = 0; i < 15; ++i) img.Pixels.push_back(std::uint32_t(i * 0x010203 + 0x100000));
  auto bmp24 = testing::EncodeBmp24(img);
  Image back = DecodeBmp(bmp24.data(), bmp24.size());
  EXPECT_EQ(back.Width, 5);
  EXPECT_EQ(back.Height, 3);
  EXPECT_EQ(back.Pixels, img.Pixels);

  // A top-down 8-bit picture with a 2-colour palette, hand-made.
  std::vector<std::uint8_t> b(14 + 40 + 8 + 4 * 2, 0);
  b[0] = 'B';
  b[1] = 'M';
  b[10] = 14 + 40 + 8;
  b[14] = 40;
  b[18] = 3;  // width 3
  b[22] = 0xFE;
  b[23] = b[24] = b[25] = 0xFF;  // height -2: top-down
  b[26] = 1;
  b[28] = 8;
  b[46] = 2;
  b[54] = 0xFF;
  b[55] = 0x00;
  b[56] = 0xFF;  // palette 0: magenta (B, G, R)
  b[58] = 0x10;
  b[59] = 0x20;
  b[60] = 0x30;  // palette 1
  const std::uint8_t rows[8] = {0, 1, 0, 0, 1, 1, 0, 0};
  std::memcpy(&b[62], rows, 8);
  back = DecodeBmp(b.data(), b.size());
  EXPECT_EQ(back.At(0, 0), 0xFF00FFu);
  EXPECT_EQ(back.At(1, 0), 0x302010u);
  EXPECT_EQ(back.At(0, 1), 0x302010u);
  EXPECT_EQ(back.At(2, 1), 0xFF00FFu);

  // Broken: pixels cut short, index beyond the palette, a huge size.
  auto cut = bmp24;
  cut.resize(cut.size() - 4);
  EXPECT_THROW(DecodeBmp(cut.data(), cut.size()), SkinError);
  b[64] = 7;
  EXPECT_THROW(DecodeBmp(b.data(), b.size()), SkinError);
  auto huge = bmp24;
  huge[20] = 0x7F;  // width 0x7F0005
  EXPECT_THROW(DecodeBmp(huge.data(), huge.size()), SkinError);
}

TEST(SkinPicture, PngGoesThroughTheProgramsDecoder) {
  std::ifstream in(DIRSHEET_SOURCE_DIR "/images/start.png", std::ios::binary);
  const std::vector<std::uint8_t> png((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
  ASSERT_FALSE(png.empty());
  ASSERT_EQ(DetectImageKind(png.data(), png.size()), ImageKind::Png);
  Image img;
  ASSERT_TRUE(DecodePng(png.data(), png.size(), img));
  EXPECT_EQ(img.Width, 32);
  EXPECT_EQ(img.Height, 32);
  EXPECT_EQ(img.At(16, 16), 0xFFFFFFu);  // the white arrow in the middle

  auto cut = png;
  cut.resize(cut.size() / 2);
  EXPECT_FALSE(DecodePng(cut.data(), cut.size(), img));
  auto broken = png;
  for (std::size_t i = 60; i < broken.size() - 20; i += 7) broken[i] ^= 0x5A;
  EXPECT_FALSE(DecodePng(broken.data(), broken.size(), img));
}

TEST(SkinPicture, PngWithShortImageDataIsRefused) {
  // A damaged PNG whose inflated data is shorter than its header says (found by fuzzing).
  std::ifstream in(DIRSHEET_SOURCE_DIR "/tests/fuzz/skin/png-short-image-data.skin",
                   std::ios::binary);
  const std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
  ASSERT_GT(file.size(), kPictureBlockOffset);
  SkinFileContents c = ReadSkinFile(file.data(), file.size());
  c.PictureBlock.resize(c.PictureBlock.size() + 23, 0);
  const auto png = ExtractSkinPicture(c.PictureBlock).File;
  ASSERT_EQ(DetectImageKind(png.data(), png.size()), ImageKind::Png);
  Image img;
  EXPECT_FALSE(DecodePng(png.data(), png.size(), img));
}

TEST(SkinFileReader, WholeTestSkinRoundTrips) {
  const testing::TestSkin skin = testing::MakeTestSkin({});
  const auto bytes = testing::SkinFileBytes(skin);
  const SkinFileContents c = ReadSkinFile(bytes.data(), bytes.size());
  EXPECT_EQ(c.Data.ActiveFrame.Pieces, skin.Data.ActiveFrame.Pieces);
  EXPECT_EQ(c.Data.CaptionText.Font.FaceName(), "Tahoma");
  EXPECT_EQ(c.Data.CaptionText.Font.Height(), -12);
  EXPECT_EQ(c.Data.CaptionText.Font.Weight(), 700);
  const auto file = ExtractSkinPicture(c.PictureBlock).File;
  const Image img = DecodeBmp(file.data(), file.size());
  EXPECT_EQ(img.Pixels, skin.Picture.Pixels);
}

}  // namespace
}  // namespace dirsheet::skin
