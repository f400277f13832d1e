// Filters, the predictor and the two shapes of the scanline stage.
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
    const Case cases[] = {{7, 7, 7, 7}, {10, 20, 20, 10}, {20, 10, 15, 15}, {10, 30, 10, 30},
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
                const int a = i >= step ? want[i - step] : 0, b = prior[i], c = i >= step ? prior[i - step] : 0;
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

ImageHeader Header(long w, long h, long depth, long type, long interlace) {
    ImageHeader hd;
    hd.width = w;
    hd.height = h;
    hd.bitDepth = depth;
    hd.colourType = type;
    hd.interlace = interlace;
    return hd;
}

TEST(Scanlines, SixteenBitRgbaFiltersWithAStepOfEight) {
    EXPECT_EQ(FilterStep(Header(1, 1, 16, 6, 0)), 8u);
    EXPECT_EQ(FilterStep(Header(1, 1, 1, 0, 0)), 1u);
    // Sub over two 16-bit RGBA pixels adds the pixel 8 bytes to the left.
    Bytes data = {1, 1, 2, 3, 4, 5, 6, 7, 8, 1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(UnfilterRows(data, Header(2, 1, 16, 6, 0)), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(Scanlines, OneByOneAndThreeByThreeInterlaced) {
    // 1 x 1: pass 1 only.
    EXPECT_EQ(Deinterlace({0, 77}, Header(1, 1, 8, 0, 1)), Bytes{77});
    // 3 x 3 grey: pass 1 (0,0); pass 4 row 0 col 2; pass 5 row 2 cols 0, 2; pass 6 rows 0
    // and 2 col 1; pass 7 row 1, all columns. Passes 2 and 3 are empty.
    const Bytes stream = {0, 1, 0, 3, 0, 7, 9, 0, 2, 0, 8, 0, 4, 5, 6};
    EXPECT_EQ(Deinterlace(stream, Header(3, 3, 8, 0, 1)), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_THROW(Deinterlace(Bytes(stream.begin(), stream.end() - 1), Header(3, 3, 8, 0, 1)), PngError);
}

TEST(Scanlines, PackedRowsStayPackedWhileInterlacedOnesAreWidened) {
    // 2-bit grey, 3 x 1: non-interlaced keeps one packed byte per row.
    EXPECT_EQ(UnfilterRows({0, 0b00011011}, Header(3, 1, 2, 0, 0)), Bytes{0b00011011});
    // Interlaced: pass 1 column 0, pass 4 column 2, pass 6 column 1, one byte per pixel.
    EXPECT_EQ(Deinterlace({0, 0b00000000, 0, 0b10000000, 0, 0b01000000}, Header(3, 1, 2, 0, 1)), (Bytes{0, 1, 2}));
}

TEST(Scanlines, ShortDataThrows) {
    EXPECT_THROW(UnfilterRows({0, 1, 2}, Header(2, 2, 8, 0, 0)), PngError);
    EXPECT_EQ(UnfilterRows({5, 1, 2}, Header(2, 1, 8, 0, 0)), (Bytes{1, 2}));  // unknown filter type passes
}

}  // namespace
