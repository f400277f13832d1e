// Generated PNG files of every colour type, bit depth and interlace method, at sizes the
// suite never reaches (tall, narrow, odd widths up to 300), written by libpng's writer
// and by zlib with random filters, strategies and IDAT splits, each decoded here and by
// libpng and compared pixel for pixel.
#include <gtest/gtest.h>

#include <zlib.h>

#include "LibpngOracle.h"
#include "PngGenerator.h"
#include "SuiteHelpers.h"

using namespace dirsheet::png;
using namespace dirsheet::png::testing;

namespace {

struct Case {
  std::string name;
  PictureLayout layout;
  bool trns = false;
  Encoding encoding;
  bool text = false;
  unsigned seed = 0;
};

const char* WriterName(Writer w) {
  return w == Writer::Libpng ? "libpng" : w == Writer::Zlib ? "zlib" : "onedistance";
}

Case Make(const PictureLayout& s, Writer writer, unsigned seed, std::mt19937& rng) {
  static const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  static const int levels[] = {0, 1, 6, 9};
  static const int pieces[] = {0, -1, 1, 7};
  Case c;
  c.layout = s;
  c.seed = seed;
  c.trns = (s.colourType == 0 || s.colourType == 2 || s.colourType == 3) && rng() % 2 == 0;
  c.text = rng() % 6 == 0;
  c.encoding.writer = writer;
  c.encoding.strategy = strategies[rng() % 5];
  c.encoding.level = writer == Writer::Libpng ? 9 : levels[rng() % 4];
  c.encoding.idatPiece = pieces[rng() % 4];
  c.name = "t" + std::to_string(s.colourType) + "d" + std::to_string(s.depth) +
           (s.interlace ? "i" : "n") + "_" + std::to_string(s.width) + "x" +
           std::to_string(s.height) + "_" + WriterName(writer) + "_" + std::to_string(seed);
  return c;
}

std::vector<Case> Cases() {
  static const int formats[][2] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                   {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  std::mt19937 rng(20261208);
  std::vector<Case> cases;
  unsigned seed = 0;
  auto size = [&rng] {
    // Widths 1 to 300, odd ones often; heights up to 400, tall ones often.
    const unsigned kind = rng() % 3;
    const int w = kind == 0   ? 1 + 2 * static_cast<int>(rng() % 150)
                  : kind == 1 ? 1 + static_cast<int>(rng() % 300)
                              : 150 + static_cast<int>(rng() % 151);
    const int h =
        rng() % 2 == 0 ? 100 + static_cast<int>(rng() % 300) : 1 + static_cast<int>(rng() % 60);
    return std::make_pair(w, h);
  };
  for (const auto& f : formats)
    for (int interlace = 0; interlace < 2; ++interlace)
      for (Writer writer :
           {Writer::Zlib, Writer::Zlib, Writer::Zlib, Writer::Libpng, Writer::SingleDistance}) {
        const auto wh = size();
        cases.push_back(
            Make(PictureLayout{wh.first, wh.second, f[1], f[0], interlace}, writer, seed++, rng));
      }
  // Tall interlaced images of 1, 2 and 4 bits whose passes hold more data than a
  // filter byte per image row accounts for.
  const PictureLayout tall[] = {{200, 133, 1, 0, 1},
                                {100, 161, 2, 0, 1},
                                {300, 793, 4, 0, 1},
                                {500, 400, 1, 3, 1},
                                {500, 400, 2, 3, 1}};
  for (const PictureLayout& s : tall) cases.push_back(Make(s, Writer::Libpng, seed++, rng));
  return cases;
}

class Generated : public ::testing::TestWithParam<Case> {};

TEST_P(Generated, DecodesAsLibpngDoes) {
  const Case& c = GetParam();
  std::mt19937 rng(c.seed);
  Picture picture = RandomPicture(c.layout, c.trns, rng);
  if (c.text) {
    // Long texts; the compressed one inflates to far more than 12 times its size.
    std::string words;
    while (words.size() < 70000) words += "text chunk " + std::to_string(words.size() % 97) + "; ";
    picture.text = {{"Comment", std::string(5000, 'c')}, {"Title", "tall"}};
    picture.compressed = {{"Description", words}};
  }
  const Bytes file = EncodePng(picture, c.encoding, rng);
  const auto oracle = LibpngDecode(file);
  ASSERT_TRUE(oracle) << "libpng rejects the generated file";

  EXPECT_TRUE(DecodeRgba(file) == oracle->rgba) << "RGBA differs";
  const uint32_t background = 0x00204060;
  const Drawn drawn = DecodeDrawn(file, background);
  ASSERT_EQ(drawn.errorNumber, 0);
  EXPECT_TRUE(DrawnAsBlended(drawn.rgb, *oracle, file, background))
      << "drawn at " << drawn.bits << " bits";
  if (c.text) {
    LoadPNG d;
    MemorySurface target;
    d.PicBox(&target);
    OpenPNGFromMemory(d, file.data(), file.size());
    EXPECT_EQ(d.Text(), oracle->text);
    EXPECT_EQ(d.zText(), oracle->compressedText);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, Generated, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return info.param.name;
                         });

}  // namespace
