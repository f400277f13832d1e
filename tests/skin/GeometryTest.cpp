// Frame geometry as pure functions: piece runs, the window outline, the client
// rectangle, strips, caption buttons, the border test and client tiling.
#include <gtest/gtest.h>

#include <algorithm>

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
  for (int k = 0; k < 12; ++k) shapes[k] = PieceRuns(ViewOf(s.Picture), s.Data.ActiveFrame[k]);
  return shapes;
}

TEST(PieceRuns, MaximalRunsPerRowSkippingTheTransparentColour) {
  Image img;
  img.Width = 6;
  img.Height = 2;
  const std::uint32_t M = kTransparentColor, C = 0x112233;
  img.Pixels = {M, C, C, M, C, M, C, C, C, C, C, C};
  const Shape runs = PieceRuns(ViewOf(img), {0, 0, 6, 2});
  const Shape expected = {{1, 0, 3, 1}, {4, 0, 5, 1}, {0, 1, 6, 2}};
  EXPECT_EQ(runs, expected);
  // A piece cut out of the middle is in its own coordinates.
  EXPECT_EQ(PieceRuns(ViewOf(img), {3, 0, 2, 1}), (Shape{{1, 0, 2, 1}}));
  // All transparent: nothing.
  EXPECT_TRUE(PieceRuns(ViewOf(img), {0, 0, 1, 1}).empty());
}

TEST(PieceRuns, PiecesOutsideThePictureAreCutToIt) {
  Image img;
  img.Width = 4;
  img.Height = 3;
  const std::uint32_t C = 0x112233;
  img.Pixels.assign(12, C);
  const PictureView v = ViewOf(img);
  // Two columns left of the picture and one row below it: only the inside part has runs,
  // in the piece's own coordinates.
  EXPECT_EQ(PieceRuns(v, {-2, 1, 4, 3}), (Shape{{2, 0, 4, 1}, {2, 1, 4, 2}}));
  EXPECT_EQ(PieceRuns(v, {3, 2, 5, 5}), (Shape{{0, 0, 1, 1}}));
  // Wholly outside, or of no size: nothing.
  EXPECT_TRUE(PieceRuns(v, {4, 0, 3, 3}).empty());
  EXPECT_TRUE(PieceRuns(v, {0, -3, 3, 3}).empty());
  EXPECT_TRUE(PieceRuns(v, {-2147483647 - 1, 0, 2147483647, 3}).empty());
  EXPECT_TRUE(PieceRuns(v, {0, 0, -5, 3}).empty());

  EXPECT_FALSE(PieceOutsidePicture({0, 0, 4, 3}, 4, 3));
  EXPECT_TRUE(PieceOutsidePicture({1, 0, 4, 3}, 4, 3));
  EXPECT_TRUE(PieceOutsidePicture({0, -1, 1, 1}, 4, 3));
  EXPECT_FALSE(PieceOutsidePicture({9, 9, 0, 0}, 4, 3));  // no pixels at all
  EXPECT_EQ(CutToPicture({-2, 1, 4, 9}, 4, 3), (PieceRect{0, 1, 2, 2}));
  EXPECT_EQ(CutToPicture({5, 1, 4, 9}, 4, 3), (PieceRect{}));
}

TEST(PieceSizes, AreBroughtIntoRange) {
  TestSkin s = MakeTestSkin();
  s.Data.ActiveFrame[kLeftMiddle].Width = -7;
  s.Data.InactiveFrame[kCaptionMiddle].Height = 2147483647;
  s.Data.CaptionButtons[kClose].States[2].Width = -1;
  s.Data.MenuBar.Hot[kBarRight].Height = 1 << 20;
  s.Data.Icon.IconWidth = -3;
  const SkinData d = WithLimitedSizes(s.Data);
  EXPECT_EQ(d.ActiveFrame.LeftBorder(), 0);
  EXPECT_EQ(d.InactiveFrame[kCaptionMiddle].Height, kMaxPieceSide);
  EXPECT_EQ(d.CaptionButtons[kClose].States[2].Width, 0);
  EXPECT_EQ(d.MenuBar.Hot[kBarRight].Height, kMaxPieceSide);
  EXPECT_EQ(d.Icon.IconWidth, 0);
  EXPECT_EQ(d.ActiveFrame[kCaptionMiddle], s.Data.ActiveFrame[kCaptionMiddle]);  // the rest as read
}

TEST(WindowRegion, OpaquePiecesGiveTheWholeRectangle) {
  TestSkinOptions o;
  o.RoundedCorners = false;
  const TestSkin s = MakeTestSkin(o);
  const auto shapes = Shapes(s);
  // Sizes where the middle pieces fit exactly and where the last copy is cut.
  for (auto [W, H] : {std::pair{200, 100}, {201, 103}, {37, 49}, {300, 29}}) {
    int outside = 0;
    const auto mask =
        Coverage(AssembleWindowRegion(s.Data.ActiveFrame, shapes, W, H), W, H, &outside);
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
  const Shape one =
      MergeShape(AssembleWindowRegion(opaque.Data.ActiveFrame, Shapes(opaque), 211, 97));
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

TEST(Strips, PlacesFollowTheWindowSize) {
  const TestSkin s = MakeTestSkin();
  const FrameSkin& f = s.Data.ActiveFrame;
  const FrameSlots slots = PlaceFramePieces(f, 200, 100);
  EXPECT_EQ(LayOutStrip(StripKind::Caption, f, 200, 100).OnWindow, (Rect{4, 0, 196, 20}));
  EXPECT_EQ(slots[kCaptionMiddle].Area, (Rect{12, 0, 188, 20}));
  EXPECT_EQ(slots[kCaptionRight].Area, (Rect{188, 0, 196, 20}));
  EXPECT_EQ(LayOutStrip(StripKind::Right, f, 200, 100).OnWindow, (Rect{196, 0, 200, 100}));
  EXPECT_EQ(slots[kRightMiddle].Area, (Rect{196, 20, 200, 96}));
  EXPECT_EQ(slots[kRightBottom].Area, (Rect{196, 96, 200, 100}));
  EXPECT_EQ(LayOutStrip(StripKind::Bottom, f, 200, 100).OnWindow, (Rect{4, 96, 196, 100}));
  EXPECT_EQ(InnerArea(f, 200, 100), (Rect{4, 20, 196, 96}));
  EXPECT_EQ(CaptionTextRect(s.Data, 200), (Rect{22, 2, 146, 18}));
}

// Frames drawn by other tools: corners wider than their edges, left and right sides of
// different widths, ends of other sizes than their middles. The pieces' slots and the
// area inside the borders cover the window once, with no gap and no overlap, whenever the
// corners are as high as the caption and the bottom edge.
TEST(Strips, SlotsOfAnAsymmetricFrameCoverTheWindowOnce) {
  unsigned seed = 12345;
  auto next = [&](int lo, int hi) {
    seed = seed * 1103515245u + 12345u;
    return lo + int((seed >> 16) % unsigned(hi - lo + 1));
  };
  for (int round = 0; round < 200; ++round) {
    FrameSkin f;
    const int caption = next(1, 40), bottom = next(1, 12);
    auto set = [&](int k, int w, int h) { f[k] = {0, 0, w, h}; };
    set(kLeftTop, next(1, 20), caption);
    set(kLeftMiddle, next(1, 12), next(1, 9));
    set(kLeftBottom, next(1, 20), bottom);
    set(kCaptionLeft, next(0, 30), caption);
    set(kCaptionMiddle, next(1, 30), caption);
    set(kCaptionRight, next(0, 30), caption);
    set(kRightTop, next(1, 20), caption);
    set(kRightMiddle, next(1, 12), next(1, 9));
    set(kRightBottom, next(1, 20), bottom);
    set(kBottomLeft, next(0, 30), bottom);
    set(kBottomMiddle, next(1, 30), bottom);
    set(kBottomRight, next(0, 30), bottom);
    const int W = 140 + next(0, 200), H = 90 + next(0, 120);
    std::vector<int> count(std::size_t(W) * H, 0);
    auto cover = [&](const Rect& r) {
      for (int y = std::max(r.top, 0); y < std::min(r.bottom, H); ++y)
        for (int x = std::max(r.left, 0); x < std::min(r.right, W); ++x)
          ++count[std::size_t(y) * W + x];
    };
    for (const PieceSlot& slot : PlaceFramePieces(f, W, H)) cover(slot.Area);
    cover(InnerArea(f, W, H));
    const auto wrong = std::count_if(count.begin(), count.end(), [](int c) { return c != 1; });
    ASSERT_EQ(wrong, 0) << "round " << round << ": " << W << " x " << H;
  }
}

TEST(CaptionButtons, SlotsFollowTheWindowStyle) {
  const TestSkin s = MakeTestSkin();
  const ButtonStates states = {ButtonState::Hot, ButtonState::Pressed, ButtonState::Normal,
                               ButtonState::Normal};
  const std::uint32_t all = kStyleSysMenu | kStyleMinimizeBox | kStyleMaximizeBox;
  auto draws = CaptionButtonDraws(s.Data, all, states, 200);
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[0].Button, kMinimize);
  EXPECT_EQ(draws[0].State, ButtonState::Hot);
  EXPECT_EQ(draws[0].X, 200 - 46 - 4);
  EXPECT_EQ(draws[1].Button, kMaximize);
  EXPECT_EQ(draws[1].State, ButtonState::Pressed);
  EXPECT_EQ(draws[2].Button, kClose);
  EXPECT_EQ(draws[2].X, 200 - 18 - 4);
  EXPECT_EQ(draws[2].Y, 4);

  draws = CaptionButtonDraws(s.Data, all | kStyleMaximized, states, 200);
  EXPECT_EQ(draws[1].Button, kRestore);
  draws = CaptionButtonDraws(s.Data, all | kStyleMinimized, states, 200);
  EXPECT_EQ(draws[0].Button, kRestore);
  EXPECT_EQ(draws[0].X, 200 - 46 - 4);  // still in the minimize slot
  draws = CaptionButtonDraws(s.Data, kStyleSysMenu | kStyleMaximizeBox, states, 200);
  EXPECT_EQ(draws[0].State, ButtonState::Inactive);  // no minimize box: drawn inactive
  draws = CaptionButtonDraws(s.Data, kStyleSysMenu, states, 200);
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].Button, kClose);
  EXPECT_TRUE(CaptionButtonDraws(s.Data, all & ~kStyleSysMenu, states, 200).empty());

  // With a left border other than the right one, a button still lies OffsetX from the
  // window's right edge (the caption strip starts at the left corner's width).
  TestSkin wide = MakeTestSkin();
  wide.Data.ActiveFrame[kLeftTop].Width = 11;
  EXPECT_EQ(CaptionButtonDraws(wide.Data, all, states, 200)[2].X, 200 - 18 - 11);
  EXPECT_EQ(CaptionTextRect(wide.Data, 200), (Rect{26 - 11, 2, 200 - 50 - 11, 18}));
}

TEST(BorderHitTest, ZonesOfTheFrame) {
  const TestSkin s = MakeTestSkin();
  const std::uint32_t sizing = kStyleDlgFrame | kStyleSizeFrame;
  const int W = 200, H = 100;
  struct Case {
    int x, y, code;
  } cases[] = {
      {8, 5, kHitSysMenu},        {1, 1, kHitTopLeft},    {1, 50, kHitLeft},
      {1, 99, kHitBottomLeft},    {199, 1, kHitTopRight}, {199, 50, kHitRight},
      {199, 99, kHitBottomRight}, {100, 99, kHitBottom},  {100, 50, kHitNowhere},
      {100, 1, kHitNowhere},
  };
  for (const Case& c : cases)
    EXPECT_EQ(BorderHitTest(s.Data, sizing, W, H, c.x, c.y), c.code) << c.x << "," << c.y;
  EXPECT_EQ(BorderHitTest(s.Data, kStyleDlgFrame, W, H, 1, 50), kHitNowhere);
  EXPECT_EQ(BorderHitTest(s.Data, kStyleSizeFrame, W, H, 2, 5), kHitTopLeft);
}

}  // namespace
}  // namespace dirsheet::skin
