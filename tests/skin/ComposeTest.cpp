// Composing from the skin picture's pixels: copies and repeats cut to the picture and to
// their target, and whole strips of frames whose inactive pieces have other sizes.
#include <gtest/gtest.h>

#include <vector>

#include "skin/Compose.h"
#include "tests/skin/SkinTestFiles.h"

namespace dirsheet::skin {
namespace {

// A 4 x 3 picture whose pixel (x, y) is 0x10 * (y + 1) + x, with one transparent pixel.
Image SmallPicture() {
  Image img;
  img.Width = 4;
  img.Height = 3;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) img.Pixels.push_back(std::uint32_t(0x10 * (y + 1) + x));
  img.Pixels[1] = kTransparentColor;  // (1, 0)
  return img;
}

struct Buffer {
  Buffer(int w, int h, std::uint32_t fill) : px(std::size_t(w) * h, fill), buf{px.data(), w, h} {}
  std::vector<std::uint32_t> px;
  PixelBuffer buf;
  std::uint32_t At(int x, int y) const { return buf.At(x, y); }
};

constexpr std::uint32_t kEmpty = 0xABCDEF;

TEST(CopyPiece, CutToThePictureTheClipAndTheTarget) {
  const Image img = SmallPicture();
  Buffer b(8, 5, kEmpty);
  // One column left of the picture, one row below it.
  CopyPiece(b.buf, ViewOf(img), {-1, 1, 3, 3}, 5, 1, b.buf.Bounds(), false);
  const std::vector<std::uint32_t> row1 = {kEmpty, 0x20, 0x21}, row2 = {kEmpty, 0x30, 0x31},
                                   row3 = {kEmpty, kEmpty, kEmpty};
  for (int x = 0; x < 3; ++x) {
    EXPECT_EQ(b.At(5 + x, 1), row1[x]) << x;
    EXPECT_EQ(b.At(5 + x, 2), row2[x]) << x;
    EXPECT_EQ(b.At(5 + x, 3), row3[x]) << x;
  }
  // Cut at the target's right edge and at a clip rectangle; keyed copies leave the
  // transparent colour out.
  Buffer c(3, 2, kEmpty);
  CopyPiece(c.buf, ViewOf(img), {0, 0, 4, 1}, 1, 0, Rect{0, 0, 3, 1}, true);
  EXPECT_EQ(c.At(0, 0), kEmpty);
  EXPECT_EQ(c.At(1, 0), 0x10u);
  EXPECT_EQ(c.At(2, 0), kEmpty);  // the transparent pixel, left out
  CopyPiece(c.buf, ViewOf(img), {0, 0, 4, 1}, 1, 0, Rect{0, 0, 3, 1}, false);
  EXPECT_EQ(c.At(2, 0), kTransparentColor);
  EXPECT_EQ(c.At(1, 1), kEmpty);  // outside the clip
  // Wholly outside the picture: nothing.
  Buffer d(3, 3, kEmpty);
  CopyPiece(d.buf, ViewOf(img), {4, 0, 3, 3}, 0, 0, d.buf.Bounds(), false);
  CopyPiece(d.buf, ViewOf(img), {-2147483647 - 1, 0, 3, 3}, 0, 0, d.buf.Bounds(), false);
  EXPECT_EQ(d.px, std::vector<std::uint32_t>(9, kEmpty));
}

TEST(TilePiece, CopiesStartAtTheOriginInBothDirections) {
  const Image img = SmallPicture();
  Buffer b(9, 4, kEmpty);
  // A 3 x 2 piece whose third column lies outside the picture, repeated from (1, 1).
  TilePiece(b.buf, ViewOf(img), {2, 1, 3, 2}, Rect{0, 1, 9, 4}, 1, 1, false);
  const std::uint32_t o = kEmpty;
  const std::vector<std::uint32_t> expected = {
      o, o,    o,    o, o,    o,    o, o,    o,     // row 0: outside the area
      o, 0x22, 0x23, o, 0x22, 0x23, o, 0x22, 0x23,  // piece row 0 (x = 0 is its third column)
      o, 0x32, 0x33, o, 0x32, 0x33, o, 0x32, 0x33,  // piece row 1
      o, 0x22, 0x23, o, 0x22, 0x23, o, 0x22, 0x23,  // piece row 0 again
  };
  EXPECT_EQ(b.px, expected);
  // An area starting 5 pixels past the origin starts 5 pixels into the first copy.
  Buffer t(2, 1, kEmpty);
  TilePiece(t.buf, ViewOf(img), {0, 2, 4, 1}, t.buf.Bounds(), -5, 0, false);
  EXPECT_EQ(t.px, (std::vector<std::uint32_t>{0x31, 0x32}));
  // In a buffer whose rows are longer than its width (a canvas kept from a larger paint),
  // nothing is written past the width.
  std::vector<std::uint32_t> wide(3 * 6, kEmpty);
  PixelBuffer narrow{wide.data(), 4, 3, 6};
  TilePiece(narrow, ViewOf(img), {0, 2, 4, 1}, narrow.Bounds(), 0, 0, false);
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(wide[std::size_t(y) * 6 + 3], 0x33u) << y;
    EXPECT_EQ(wide[std::size_t(y) * 6 + 4], kEmpty) << y;
  }
  // Keyed repeats leave the transparent colour out.
  Buffer k(4, 1, kEmpty);
  TilePiece(k.buf, ViewOf(img), {0, 0, 2, 1}, k.buf.Bounds(), 0, 0, true);
  EXPECT_EQ(k.px, (std::vector<std::uint32_t>{0x10, kEmpty, 0x10, kEmpty}));
}

// Opaque solid pieces: active ones 0x0000kk, inactive ones 0x00kk00 by piece index.
struct FramePicture {
  Image Picture;
  FrameSkin Active, Inactive;
};

FramePicture MakeFrames(const std::array<int, 12>& inactiveScale) {
  FramePicture f;
  f.Picture.Width = 200;
  f.Picture.Height = 100;
  f.Picture.Pixels.assign(200 * 100, kTransparentColor);
  auto fill = [&](const PieceRect& p, std::uint32_t c) {
    for (int y = p.Top; y < p.Top + p.Height; ++y)
      for (int x = p.Left; x < p.Left + p.Width; ++x)
        f.Picture.Pixels[std::size_t(y) * 200 + x] = c;
  };
  // Active: a caption of 20, borders of 4, corners 8 wide (wider than the edges).
  const int sizes[12][2] = {{8, 20}, {4, 6}, {8, 4}, {10, 20}, {6, 20}, {10, 20},
                            {8, 20}, {4, 6}, {8, 4}, {10, 4},  {6, 4},  {10, 4}};
  for (int k = 0; k < 12; ++k) {
    f.Active[k] = {16 * k, 0, sizes[k][0], sizes[k][1]};
    fill(f.Active[k], std::uint32_t(0x10 + k));
    // Inactive pieces scaled by inactiveScale[k] in percent.
    f.Inactive[k] = {16 * k, 40, std::max(1, sizes[k][0] * inactiveScale[k] / 100),
                     std::max(1, sizes[k][1] * inactiveScale[k] / 100)};
    fill(f.Inactive[k], std::uint32_t(0x1000 + 0x100 * k));
  }
  return f;
}

// Every pixel of a strip that lies in a slot of the active frame is drawn, with a piece
// of the frame in use; nothing is drawn outside the slots.
void ExpectSlotsFilled(const FramePicture& f, const FrameSkin& frame, std::uint32_t pieceMask,
                       int W, int H) {
  const FrameSlots slots = PlaceFramePieces(f.Active, W, H);
  for (StripKind kind :
       {StripKind::Left, StripKind::Right, StripKind::Bottom, StripKind::Caption}) {
    const StripLayout strip = LayOutStrip(kind, f.Active, W, H);
    Buffer b(strip.OnWindow.Width(), strip.OnWindow.Height(), 0);
    ComposeStrip(b.buf, ViewOf(f.Picture), frame, slots, strip);
    int holes = 0, spills = 0, foreign = 0;
    for (int y = 0; y < b.buf.Height; ++y)
      for (int x = 0; x < b.buf.Width; ++x) {
        const int wx = x + strip.OnWindow.left, wy = y + strip.OnWindow.top;
        bool inSlot = false;
        for (int k : strip.Pieces) inSlot = inSlot || slots[k].Area.Contains(wx, wy);
        const std::uint32_t c = b.At(x, y);
        if (inSlot && c == kTransparentColor) ++holes;
        if (!inSlot && c != kTransparentColor) ++spills;
        if (c != kTransparentColor && (c & ~pieceMask) != 0) ++foreign;
      }
    EXPECT_EQ(holes, 0) << "strip " << int(kind);
    EXPECT_EQ(spills, 0) << "strip " << int(kind);
    EXPECT_EQ(foreign, 0) << "strip " << int(kind);
  }
}

TEST(ComposeStrip, TheActiveFrameDrawsEachPieceAtItsPlace) {
  const FramePicture f = MakeFrames({100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100});
  const int W = 120, H = 80;
  ExpectSlotsFilled(f, f.Active, 0xFF, W, H);
  const FrameSlots slots = PlaceFramePieces(f.Active, W, H);
  const StripLayout left = LayOutStrip(StripKind::Left, f.Active, W, H);
  Buffer b(left.OnWindow.Width(), left.OnWindow.Height(), 0);
  ComposeStrip(b.buf, ViewOf(f.Picture), f.Active, slots, left);
  EXPECT_EQ(b.buf.Width, 8);  // as wide as the wider corner, not the edge
  EXPECT_EQ(b.At(7, 0), 0x10u);
  EXPECT_EQ(b.At(3, 40), 0x11u);
  EXPECT_EQ(b.At(4, 40), kTransparentColor);  // beside the edge: the client area
  EXPECT_EQ(b.At(7, 79), 0x12u);
}

TEST(ComposeStrip, InactivePiecesOfOtherSizesLeaveNoGap) {
  // Smaller, larger and mixed inactive pieces: the slots stay the active ones.
  for (const std::array<int, 12>& scale :
       {std::array<int, 12>{50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50, 50},
        std::array<int, 12>{150, 200, 150, 120, 150, 120, 150, 200, 150, 120, 300, 120},
        std::array<int, 12>{50, 150, 100, 30, 100, 200, 150, 50, 60, 100, 40, 150}}) {
    const FramePicture f = MakeFrames(scale);
    ExpectSlotsFilled(f, f.Inactive, 0xFF00, 150, 90);
  }
}

TEST(ComposeStrip, PiecesOutsideThePictureDrawNothingThere) {
  FramePicture f = MakeFrames({100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100});
  f.Active[kCaptionRight].Left = 196;  // its last 6 columns outside the 200-pixel picture
  for (int y = 0; y < 20; ++y)
    for (int x = 196; x < 200; ++x) f.Picture.Pixels[std::size_t(y) * 200 + x] = 0x15;
  f.Active[kRightTop].Top = 100;  // wholly outside
  const int W = 120, H = 80;
  const FrameSlots slots = PlaceFramePieces(f.Active, W, H);
  for (StripKind kind : {StripKind::Caption, StripKind::Right}) {
    const StripLayout strip = LayOutStrip(kind, f.Active, W, H);
    Buffer b(strip.OnWindow.Width(), strip.OnWindow.Height(), 0);
    ComposeStrip(b.buf, ViewOf(f.Picture), f.Active, slots, strip);
    const Rect piece =
        kind == StripKind::Caption ? slots[kCaptionRight].Area : slots[kRightTop].Area;
    const Rect r = piece.Moved(-strip.OnWindow.left, -strip.OnWindow.top);
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const bool inside = kind == StripKind::Caption && x - r.left < 4;
        EXPECT_EQ(b.At(x, y), inside ? 0x15u : kTransparentColor) << x << "," << y;
      }
  }
}

TEST(OpaqueRuns, TheStripsPixelsThatAreNotTransparent) {
  Buffer b(5, 2, 0x1);
  b.buf.At(0, 0) = kTransparentColor;
  b.buf.At(3, 0) = kTransparentColor;
  EXPECT_FALSE(IsOpaque(b.buf));
  EXPECT_EQ(OpaqueRuns(b.buf, 10, 20),
            (Shape{{11, 20, 13, 21}, {14, 20, 15, 21}, {10, 21, 15, 22}}));
  Buffer all(2, 2, 0x2);
  EXPECT_TRUE(IsOpaque(all.buf));
}

}  // namespace
}  // namespace dirsheet::skin
