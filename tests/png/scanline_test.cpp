// Filters, the predictor, and the rows of both interlace methods as the scanline stage
// hands them on.
#include <gtest/gtest.h>

#include "png/PngError.h"
#include "png/Scanlines.h"

using namespace dirsheet::png;
using Bytes = std::vector<uint8_t>;

namespace {

TEST(Paeth, TiesGoLeftThenUpThenUpperLeft) {
  struct Case {
    int left, up, upLeft, expected;
  };
  const Case cases[] = {{7, 7, 7, 7}, {10, 20, 20, 10}, {20, 10, 15, 15},     {10, 30, 10, 30},
                        {0, 0, 0, 0}, {255, 0, 0, 255}, {100, 200, 250, 100}, {50, 60, 40, 60}};
  for (const Case& c : cases) EXPECT_EQ(PaethPredictor(c.left, c.up, c.upLeft), c.expected);
}

// The filters against a byte-by-byte reading of the format, for every pixel width.
TEST(Filters, UndoEveryTypeForEveryStep) {
  for (size_t step : {1u, 2u, 3u, 4u, 6u, 8u})
    for (size_t n : {step * 5, step * 5 + 1}) {
      Bytes prior(n), raw(n);
      for (size_t i = 0; i < n; ++i) {
        prior[i] = static_cast<uint8_t>(i * 37 + step);
        raw[i] = static_cast<uint8_t>(i * 101 + 7 * step);
      }
      for (int type = 0; type <= 6; ++type) {
        Bytes row = raw;
        UnfilterRow(row.data(), n, type, prior.data(), step);
        Bytes want = raw;
        for (size_t i = 0; i < n; ++i) {
          const int a = i >= step ? want[i - step] : 0, b = prior[i],
                    c = i >= step ? prior[i - step] : 0;
          int add = 0;
          if (type == 1) add = a;
          if (type == 2) add = b;
          if (type == 3) add = (a + b) / 2;
          if (type == 4) add = PaethPredictor(a, b, c);
          want[i] = static_cast<uint8_t>(raw[i] + add);
        }
        EXPECT_EQ(row, want) << "type " << type << " step " << step << " length " << n;
      }
    }
}

ImageHeader Header(long w, long h, long depth, long type, long interlace);

// Rows of every filter type in a row, Paeth after Paeth included, as the reader hands
// them on, against the same rows undone one at a time.
TEST(Filters, ReaderUndoesRowRunsAsSingleRows) {
  const long formats[][3] = {{8, 0, 1}, {8, 4, 2}, {8, 2, 3}, {8, 6, 4}, {16, 2, 6}, {16, 6, 8}};
  for (const auto& f : formats)
    for (long w : {1L, 2L, 7L, 33L}) {
      const ImageHeader h = Header(w, 12, f[0], f[1], 0);
      const size_t n = static_cast<size_t>(w * f[2]);
      Bytes data;
      const int types[12] = {4, 4, 4, 1, 4, 3, 3, 4, 4, 2, 0, 4};
      for (int r = 0; r < 12; ++r) {
        data.push_back(static_cast<uint8_t>(types[r]));
        for (size_t i = 0; i < n; ++i)
          data.push_back(static_cast<uint8_t>((i * 29 + r * 71) ^ (i >> 2)));
      }
      std::vector<Bytes> want;
      Bytes prior(n, 0);
      for (int r = 0; r < 12; ++r) {
        Bytes row(data.begin() + static_cast<long>(r * (n + 1) + 1),
                  data.begin() + static_cast<long>((r + 1) * (n + 1)));
        UnfilterRow(row.data(), n, types[r], prior.data(), FilterStep(h));
        want.push_back(row);
        prior = row;
      }
      struct Rows : RowSink {
        void Row(const Pass& pass, uint64_t, const uint8_t* row) override {
          rows.emplace_back(row, row + pass.rowBytes);
        }
        std::vector<Bytes> rows;
      } sink;
      WalkRows(data.data(), data.size(), h, sink);
      EXPECT_EQ(sink.rows, want) << "width " << w << " step " << f[2];
    }
}

ImageHeader Header(long w, long h, long depth, long type, long interlace) {
  ImageHeader hd;
  hd.width = w;
  hd.height = h;
  hd.bitDepth = depth;
  hd.colourType = type;
  hd.interlace = interlace;
  return hd;
}

// The interlaced data size counted pixel by pixel: every pass row that holds a pixel has
// a filter byte and whole bytes of its packed pixels.
TEST(Scanlines, InterlacedSizeIsTheSumOfThePassRows) {
  const int starts[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                            {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
  for (long depth : {1L, 2L, 4L, 8L, 16L})
    for (long w = 1; w <= 21; ++w)
      for (long h : {1L, 2L, 5L, 8L, 13L, 133L}) {
        uint64_t total = 0;
        for (const auto& p : starts) {
          long columns = 0;
          for (long x = p[0]; x < w; x += p[1]) ++columns;
          for (long y = p[2]; y < h && columns; y += p[3]) total += 1 + (columns * depth + 7) / 8;
        }
        EXPECT_EQ(ScanlineBytes(Header(w, h, depth, 0, 1)), total)
            << w << "x" << h << " at " << depth;
        EXPECT_EQ(ScanlineBytes(Header(w, h, depth, 0, 0)),
                  static_cast<uint64_t>(h * (1 + (w * depth + 7) / 8)));
      }
}

// Records where each row lands.
class Recorder : public RowSink {
 public:
  void Row(const Pass& pass, uint64_t y, const uint8_t* row) override {
    for (uint64_t k = 0; k < pass.width; ++k)
      placed.push_back({pass.xStart + static_cast<long>(k) * pass.xStep,
                        pass.yStart + static_cast<long>(y) * pass.yStep, row[k]});
  }
  struct Pixel {
    long x, y;
    int value;
    bool operator==(const Pixel& o) const { return x == o.x && y == o.y && value == o.value; }
  };
  std::vector<Pixel> placed;
};

TEST(Scanlines, OneByOneAndThreeByThreeInterlaced) {
  // 1 x 1: pass 1 only.
  Bytes one = {0, 77};
  Recorder r1;
  WalkRows(one.data(), one.size(), Header(1, 1, 8, 0, 1), r1);
  EXPECT_EQ(r1.placed, (std::vector<Recorder::Pixel>{{0, 0, 77}}));
  // 3 x 3 grey: pass 1 (0,0); pass 4 row 0 col 2; pass 5 row 2 cols 0, 2; pass 6 rows 0
  // and 2 col 1; pass 7 row 1, all columns. Passes 2 and 3 are empty.
  Bytes stream = {0, 1, 0, 3, 0, 7, 9, 0, 2, 0, 8, 0, 4, 5, 6};
  Recorder r3;
  WalkRows(stream.data(), stream.size(), Header(3, 3, 8, 0, 1), r3);
  EXPECT_EQ(r3.placed, (std::vector<Recorder::Pixel>{{0, 0, 1},
                                                     {2, 0, 3},
                                                     {0, 2, 7},
                                                     {2, 2, 9},
                                                     {1, 0, 2},
                                                     {1, 2, 8},
                                                     {0, 1, 4},
                                                     {1, 1, 5},
                                                     {2, 1, 6}}));
  EXPECT_THROW(WalkRows(stream.data(), stream.size() - 1, Header(3, 3, 8, 0, 1), r3), PngError);
}

TEST(Scanlines, RowsAreUndoneAgainstThePreviousRowOfTheirPass) {
  // 16-bit RGBA filters with a step of 8; the second row adds the first (Up).
  Bytes data = {1, 1, 2, 3, 4, 5, 6, 7, 8, 1, 1, 1, 1, 1, 1, 1, 1,
                2, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0};
  struct Rows : RowSink {
    void Row(const Pass& pass, uint64_t, const uint8_t* row) override {
      rows.emplace_back(row, row + pass.rowBytes);
    }
    std::vector<Bytes> rows;
  } sink;
  WalkRows(data.data(), data.size(), Header(2, 2, 16, 6, 0), sink);
  ASSERT_EQ(sink.rows.size(), 2u);
  EXPECT_EQ(sink.rows[0], (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 2, 3, 4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(sink.rows[1], (Bytes{2, 3, 4, 5, 6, 7, 8, 9, 2, 3, 4, 5, 6, 7, 8, 9}));
  // An unknown filter type passes the row through; missing rows throw.
  Bytes odd = {5, 1, 2};
  WalkRows(odd.data(), odd.size(), Header(2, 1, 8, 0, 0), sink);
  EXPECT_EQ(sink.rows.back(), (Bytes{1, 2}));
  EXPECT_THROW(WalkRows(odd.data(), odd.size(), Header(2, 2, 8, 0, 0), sink), PngError);
}

}  // namespace
