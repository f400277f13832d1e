// Frame geometry as pure functions: piece runs, the window outline, the client
// rectangle, strips, caption buttons, the border test and client tiling.
#include <gtest/gtest.h>

#include "skin/Geometry.h"
#include "tests/skin/SkinTestFiles.h"

namespace dirsheet::skin {
namespace {

using testing::MakeTestSkin;
using testing::TestSkin;
using testing::TestSkinOptions;

// Rasterizes a rectangle list into a W x H coverage mask; counts pixels outside it.
std::vector<int> Coverage(const Shape& rects, int W, int H, int* outside = nullptr) {
  std::vector<int> mask(std::size_t(W) * H, 0);
  for (const Rect& r : rects)
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        if (x < 0 || y < 0 || x >= W || y >= H) {
          if (outside) ++*outside;
          continue;
        }
        mask[std::size_t(y) * W + x] = 1;
      }
  return mask;
}

std::array<Shape, 12> Shapes(const TestSkin& s) {
  std::array<Shape, 12> shapes;
  for (int k = 0; k < 12; ++k) shapes[k] = PieceRuns(s.Picture, s.Data.ActiveFrame[k]);
  return shapes;
}

TEST(PieceRuns, MaximalRunsPerRowSkippingTheTransparentColour) {
  Image img;
  img.Width = 6;
  img.Height = 2;
  const std::uint32_t M = kTransparentColor, C = 0x112233;
  img.Pixels = {M, C, C, M, C, M,
                C, C, C, C, C, C};
  const Shape runs = PieceRuns(img, {0, 0, 6, 2});
  const Shape expected = {{1, 0, 3, 1}, {4, 0, 5, 1}, {0, 1, 6, 2}};
  EXPECT_EQ(runs, expected);
  // A piece cut out of the middle is in its own coordinates.
  EXPECT_EQ(PieceRuns(img, {3, 0, 2, 1}), (Shape{{1, 0, 2, 1}}));
  // All transparent: nothing.
  EXPECT_TRUE(PieceRuns(img, {0, 0, 1, 1}).empty());
}

TEST(PieceRuns, PiecesMustFitThePicture) {
  TestSkin s = MakeTestSkin();
  EXPECT_TRUE(PiecesFitPicture(s.Data, 76, 118));
  EXPECT_FALSE(PiecesFitPicture(s.Data, 75, 118));
  EXPECT_FALSE(PiecesFitPicture(s.Data, 76, 117));
  s.Data.CaptionButtons[3].States[2].Left = -1;
  EXPECT_FALSE(PiecesFitPicture(s.Data, 128, 128));
  s = MakeTestSkin();
  s.Data.ActiveFrame[4].Width = 0x7FFFFFFF;  // no overflow in the test itself
  EXPECT_FALSE(PiecesFitPicture(s.Data, 128, 128));
}

TEST(WindowRegion, OpaquePiecesGiveTheWholeRectangle) {
  TestSkinOptions o;
  o.RoundedCorners = false;
  const TestSkin s = MakeTestSkin(o);
  const auto shapes = Shapes(s);
  // Sizes where the middle pieces fit exactly and where the last copy is cut.
  for (auto [W, H] : {std::pair{200, 100}, {201, 103}, {37, 49}, {300, 29}}) {
    int outside = 0;
    const auto mask = Coverage(AssembleWindowRegion(s.Data.ActiveFrame, shapes, W, H), W, H, &outside);
    EXPECT_EQ(outside, 0) << W << "x" << H;
    EXPECT_EQ(std::count(mask.begin(), mask.end(), 0), 0) << W << "x" << H;
  }
}

TEST(WindowRegion, RoundedCornersAreLeftOut) {
  const TestSkin s = MakeTestSkin();
  const int W = 157, H = 91;
  const auto mask = Coverage(AssembleWindowRegion(s.Data.ActiveFrame, Shapes(s), W, H), W, H);
  auto at = [&](int x, int y) { return mask[std::size_t(y) * W + x]; };
  EXPECT_EQ(at(0, 0), 0);
  EXPECT_EQ(at(2, 0), 0);
  EXPECT_EQ(at(0, 2), 0);
  EXPECT_EQ(at(3, 0), 1);
  EXPECT_EQ(at(W - 1, 0), 0);
  EXPECT_EQ(at(W - 3, 0), 0);
  EXPECT_EQ(at(W - 4, 0), 1);
  EXPECT_EQ(at(0, 3), 1);
  EXPECT_EQ(at(0, H - 1), 1);
  EXPECT_EQ(at(W - 1, H - 1), 1);
  EXPECT_EQ(std::count(mask.begin(), mask.end(), 0), 12);  // two triangles of 6 pixels
}

TEST(WindowRegion, MergingKeepsTheAreaInFewRectangles) {
  TestSkinOptions o;
  o.RoundedCorners = false;
  const TestSkin opaque = MakeTestSkin(o);
  const Shape one = MergeShape(AssembleWindowRegion(opaque.Data.ActiveFrame, Shapes(opaque), 211, 97));
  EXPECT_EQ(one, (Shape{{0, 0, 211, 97}}));

  const TestSkin rounded = MakeTestSkin();
  const Shape raw = AssembleWindowRegion(rounded.Data.ActiveFrame, Shapes(rounded), 157, 91);
  const Shape merged = MergeShape(raw);
  EXPECT_EQ(Coverage(merged, 157, 91), Coverage(raw, 157, 91));
  EXPECT_LE(merged.size(), 8u);  // three corner rows with two runs each, then one band
  // Overlapping input rectangles are joined, not counted twice.
  EXPECT_EQ(MergeShape({{0, 0, 5, 2}, {3, 0, 8, 2}, {0, 2, 8, 3}}), (Shape{{0, 0, 8, 3}}));
}

TEST(WindowRegion, ZeroSizedMiddlePiecesDoNotLoop) {
  TestSkin s = MakeTestSkin();
  s.Data.ActiveFrame[1].Height = 0;
  s.Data.ActiveFrame[4].Width = 0;
  const auto rects = AssembleWindowRegion(s.Data.ActiveFrame, Shapes(s), 100, 60);
  EXPECT_FALSE(rects.empty());
}

TEST(ClientRect, InsideTheBordersAndBelowTheMenuBar) {
  const TestSkin s = MakeTestSkin();
  EXPECT_EQ(SkinClientRect(s.Data.ActiveFrame, 0, 10, 20, 200, 100), (Rect{14, 40, 206, 116}));
  EXPECT_EQ(SkinClientRect(s.Data.ActiveFrame, 16, 10, 20, 200, 100), (Rect{14, 56, 206, 116}));
  // A window smaller than its borders gets an empty client area at its place.
  const Rect tiny = SkinClientRect(s.Data.ActiveFrame, 0, 0, 0, 5, 10);
  EXPECT_TRUE(tiny.Empty());
  EXPECT_GE(tiny.right, tiny.left);
  EXPECT_GE(tiny.bottom, tiny.top);
}

TEST(Strips, PiecesAndRepeatAreasFollowTheWindowSize) {
  const TestSkin s = MakeTestSkin();
  const FrameSkin& f = s.Data.ActiveFrame;
  const StripLayout caption = CaptionStrip(f, 200, 100);
  EXPECT_EQ(caption.Width, 192);
  EXPECT_EQ(caption.Height, 20);
  EXPECT_EQ(caption.Repeat, (Rect{8, 0, 184, 20}));
  EXPECT_EQ(caption.Ends[1].X, 184);
  EXPECT_EQ(caption.WindowX, 4);
  const StripLayout right = RightStrip(f, 200, 100);
  EXPECT_EQ(right.WindowX, 196);
  EXPECT_EQ(right.Repeat, (Rect{0, 20, 4, 96}));
  EXPECT_EQ(right.Ends[0].Y, 96);
  const StripLayout bottom = BottomStrip(f, 200, 100);
  EXPECT_EQ(bottom.WindowY, 96);
  EXPECT_EQ(bottom.Width, 192);
  EXPECT_EQ(CaptionTextRect(s.Data, f, 200), (Rect{22, 2, 146, 18}));
}

TEST(CaptionButtons, SlotsFollowTheWindowStyle) {
  const TestSkin s = MakeTestSkin();
  const FrameSkin& f = s.Data.ActiveFrame;
  const std::array<int, 4> states = {1, 2, 0, 0};
  const std::uint32_t all = kStyleSysMenu | kStyleMinimizeBox | kStyleMaximizeBox;
  auto draws = CaptionButtonDraws(s.Data, f, all, states, 200);
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[0].Button, kMinimize);
  EXPECT_EQ(draws[0].State, 1);
  EXPECT_EQ(draws[0].X, 200 - 46 - 4);
  EXPECT_EQ(draws[1].Button, kMaximize);
  EXPECT_EQ(draws[1].State, 2);
  EXPECT_EQ(draws[2].Button, kClose);
  EXPECT_EQ(draws[2].X, 200 - 18 - 4);
  EXPECT_EQ(draws[2].Y, 4);

  draws = CaptionButtonDraws(s.Data, f, all | kStyleMaximized, states, 200);
  EXPECT_EQ(draws[1].Button, kRestore);
  draws = CaptionButtonDraws(s.Data, f, all | kStyleMinimized, states, 200);
  EXPECT_EQ(draws[0].Button, kRestore);
  EXPECT_EQ(draws[0].X, 200 - 46 - 4);  // still in the minimize slot
  draws = CaptionButtonDraws(s.Data, f, kStyleSysMenu | kStyleMaximizeBox, states, 200);
  EXPECT_EQ(draws[0].State, 3);  // no minimize box: drawn inactive
  draws = CaptionButtonDraws(s.Data, f, kStyleSysMenu, states, 200);
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].Button, kClose);
  EXPECT_TRUE(CaptionButtonDraws(s.Data, f, all & ~kStyleSysMenu, states, 200).empty());
}

TEST(BorderHitTest, ZonesOfTheFrame) {
  const TestSkin s = MakeTestSkin();
  const std::uint32_t sizing = kStyleDlgFrame | kStyleSizeFrame;
  const int W = 200, H = 100;
  struct Case { int x, y, code; } cases[] = {
      {8, 5, kHitSysMenu},      {1, 1, kHitTopLeft},      {1, 50, kHitLeft},
      {1, 99, kHitBottomLeft},  {199, 1, kHitTopRight},   {199, 50, kHitRight},
      {199, 99, kHitBottomRight}, {100, 99, kHitBottom},  {100, 50, kHitNowhere},
      {100, 1, kHitNowhere},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BorderHitTest(s.Data, sizing, W, H, c.x, c.y), c.code) << c.x << "," << c.y;
  EXPECT_EQ(BorderHitTest(s.Data, kStyleDlgFrame, W, H, 1, 50), kHitNowhere);
  EXPECT_EQ(BorderHitTest(s.Data, kStyleSizeFrame, W, H, 2, 5), kHitTopLeft);
}

TEST(ClientTiling, CopiesLineUpWithTheClientOrigin) {
  // An area starting 5 pixels in starts 5 pixels into the first tile.
  TileCopy c = ClientTileCopy(16, 16, {5, 5, 40, 30});
  EXPECT_EQ(c.SrcX, 5);
  EXPECT_EQ(c.SrcY, 5);
  EXPECT_EQ(c.MemWidth, 40);
  EXPECT_EQ(c.MemHeight, 30);
  c = ClientTileCopy(16, 10, {35, 20, 36, 21});
  EXPECT_EQ(c.SrcX, 3);
  EXPECT_EQ(c.SrcY, 0);
  c = ClientTileCopy(16, 16, {-3, 0, 10, 10});  // rounds down, not towards zero
  EXPECT_EQ(c.SrcX, 13);
  c = ClientTileCopy(0, 16, {5, 5, 10, 10});
  EXPECT_EQ(c.SrcX, 0);
}

}  // namespace
}  // namespace dirsheet::skin
