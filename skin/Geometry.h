// Pure geometry of the skinned frame: piece shapes as pixel runs, the window outline as a
// list of rectangles, the client rectangle, the strips the painter composes, the caption
// text and caption-button places, the simple border hit test and the client tiling.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "skin/Image.h"
#include "skin/SkinFile.h"

namespace dirsheet::skin {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

using Shape = std::vector<Rect>;  // rectangles one pixel high, in the piece's own coordinates

// True when every piece of the skin lies inside a picture of the given size.
bool PiecesFitPicture(const SkinData& data, int pictureWidth, int pictureHeight);

// The piece's pixels that are not the transparent colour, as maximal runs per row.
// The piece must lie inside the image (see PiecesFitPicture).
Shape PieceRuns(const Image& picture, const PieceRect& piece);

// True when the piece has no pixel of the transparent colour.
bool PieceIsOpaque(const Image& picture, const PieceRect& piece);

// The window outline for a window of W x H from the twelve active-frame shapes.
Shape AssembleWindowRegion(const FrameSkin& frame, const std::array<Shape, 12>& shapes, int W, int H);

// The same area with runs that touch on a row joined and equal rows joined into bands:
// far fewer rectangles for the platform's region.
Shape MergeShape(Shape rects);

// Client rectangle of a window at (x, y) with size (cx, cy) inside the skin's borders.
Rect SkinClientRect(const FrameSkin& frame, int menuBarHeight, int x, int y, int cx, int cy);

// One of the four strips: its size, the area repeated with one piece, two single pieces
// (the far end first, then the near end, which wins where they overlap) and where the
// strip lies on the window.
struct PiecePlace { int Piece; int X, Y; };
struct StripLayout {
  int Width = 0, Height = 0;
  int RepeatPiece = 0;
  Rect Repeat;
  PiecePlace Ends[2];
  int WindowX = 0, WindowY = 0;
};
StripLayout LeftStrip(const FrameSkin& f, int W, int H);
StripLayout RightStrip(const FrameSkin& f, int W, int H);
StripLayout BottomStrip(const FrameSkin& f, int W, int H);
StripLayout CaptionStrip(const FrameSkin& f, int W, int H);

// Caption text rectangle in caption-strip coordinates.
Rect CaptionTextRect(const SkinData& data, const FrameSkin& f, int W);

// Window style bits the frame logic looks at.
constexpr std::uint32_t kStyleMaximizeBox = 0x10000, kStyleMinimizeBox = 0x20000,
                        kStyleSizeFrame = 0x40000, kStyleSysMenu = 0x80000,
                        kStyleDlgFrame = 0x400000, kStyleMinimized = 0x20000000,
                        kStyleMaximized = 0x01000000;

// A caption button to draw: which button's pieces, in which state, where in the caption
// strip.
struct ButtonDraw { int Button; int State; int X, Y; };
std::vector<ButtonDraw> CaptionButtonDraws(const SkinData& data, const FrameSkin& f,
                                           std::uint32_t style, const std::array<int, 4>& states,
                                           int W);

// Offsets from the skin file are any Int32: sums with them are clamped, never wrapped.
inline int ClampedSum(std::int64_t v) {
  return v < -(1 << 30) ? -(1 << 30) : v > (1 << 30) ? (1 << 30) : int(v);
}

// Where button i's hit shape lies on the window.
inline void PlacedButtonOrigin(const SkinData& d, int i, int W, int& x, int& y) {
  x = ClampedSum(std::int64_t(W) - d.CaptionButtons[i].OffsetX);
  y = d.CaptionButtons[i].OffsetY;
}

// Hit codes of the platform used by the frame.
enum HitCode {
  kHitNowhere = 0, kHitClient = 1, kHitCaption = 2, kHitSysMenu = 3, kHitMinButton = 8,
  kHitMaxButton = 9, kHitLeft = 10, kHitRight = 11, kHitTop = 12, kHitTopLeft = 13,
  kHitTopRight = 14, kHitBottom = 15, kHitBottomLeft = 16, kHitBottomRight = 17,
  kHitBorder = 18, kHitClose = 20
};

// Border and icon test: a hit code, or 0 when the frame has no answer.
int BorderHitTest(const SkinData& data, std::uint32_t style, int W, int H, int x, int y);

// The client tiling: the memory image size and the point of it copied to (l, t) so that
// the tile pattern lines up with the client origin.
struct TileCopy { int MemWidth, MemHeight, SrcX, SrcY; };
TileCopy ClientTileCopy(int tileWidth, int tileHeight, const Rect& area);

}  // namespace dirsheet::skin
