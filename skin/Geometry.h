// Pure geometry of the skinned frame: where each frame piece goes on the window (its
// slot), the four strips the painter composes, piece shapes as pixel runs, the window
// outline as a list of rectangles, the client rectangle, the caption text and
// caption-button places, and the simple border hit test.
//
// Every place comes from the active frame: the outline and the client area are the active
// frame's, and the inactive frame is drawn into the same slots, so a window never shows
// a gap or paints over its client area when its inactive pieces have other sizes.
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
  Rect Intersect(const Rect& o) const;
  Rect Moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

using Shape = std::vector<Rect>;  // rectangles one pixel high, in the piece's own coordinates

// The piece's pixels that are not the transparent colour, as maximal runs per row. Pixels
// of a piece that lie outside the picture count as transparent: a piece partly outside
// is cut to the picture, one wholly outside has no pixels at all.
Shape PieceRuns(const PictureView& picture, const PieceRect& piece);

// True when some of the piece lies outside a picture of w x h pixels.
bool PieceOutsidePicture(const PieceRect& piece, int w, int h);

// The part of the piece inside a picture of w x h pixels (no size when none).
PieceRect CutToPicture(const PieceRect& piece, int w, int h);

// Where a frame piece goes: its slot on the window. An end piece is drawn once at the
// slot's corner named by `Anchor`; a middle piece is repeated across its slot from that
// corner (the window's outer edge: a piece wider or taller than its slot loses its inner
// side).
enum class Anchor { TopLeft, TopRight, BottomLeft, BottomRight };
struct PieceSlot {
  Rect Area;
  bool Repeated = false;
  Anchor At = Anchor::TopLeft;
};
using FrameSlots = std::array<PieceSlot, kFramePieces>;
FrameSlots PlaceFramePieces(const FrameSkin& active, int W, int H);

// The middle piece that fills what an end piece smaller than its slot leaves empty: the
// caption's middle for the top corners and the caption's ends, the bottom edge's middle
// for the bottom corners and the bottom edge's ends (the band the end piece sits in),
// the edge's own middle otherwise.
int UnderfillPiece(int endPiece);

// The top-left corner (x, y) of a piece of pw x ph pixels drawn at its slot's anchor.
void AnchoredOrigin(const PieceSlot& slot, int pw, int ph, int& x, int& y);

// The four strips of the frame, each composed in memory and put on the window at once.
enum class StripKind { Left, Right, Bottom, Caption };
struct StripLayout {
  Rect OnWindow;
  // The pieces in drawing order: one end, the middle, the other end (which wins where the
  // two ends overlap on a small window).
  std::array<int, 3> Pieces{};
  int Middle() const { return Pieces[1]; }
};
StripLayout LayOutStrip(StripKind kind, const FrameSkin& active, int W, int H);

// The area the borders enclose: the client area with the menu bar. Strips never paint it.
Rect InnerArea(const FrameSkin& active, int W, int H);

// The window outline for a window of W x H: the inner area and the twelve active-frame
// shapes at their slots.
Shape AssembleWindowRegion(const FrameSkin& active, const std::array<Shape, kFramePieces>& shapes,
                           int W, int H);

// The same area with runs that touch on a row joined and equal rows joined into bands:
// far fewer rectangles for the platform's region.
Shape MergeShape(const Shape& rects);

// Client rectangle of a window at (x, y) with size (cx, cy) inside the skin's borders.
Rect SkinClientRect(const FrameSkin& frame, int menuBarHeight, int x, int y, int cx, int cy);

// Caption text rectangle in caption-strip coordinates: TextLeft from the window's left
// edge, TextRightMargin from its right edge.
Rect CaptionTextRect(const SkinData& data, int W);

// Window style bits the frame logic looks at.
constexpr std::uint32_t kStyleMaximizeBox = 0x10000, kStyleMinimizeBox = 0x20000,
                        kStyleSizeFrame = 0x40000, kStyleSysMenu = 0x80000,
                        kStyleDlgFrame = 0x400000, kStyleMinimized = 0x20000000,
                        kStyleMaximized = 0x01000000;

using ButtonStates = std::array<ButtonState, kCaptionButtons>;

// A caption button to draw: which button's pieces, in which state, where in the caption
// strip.
struct ButtonDraw {
  int Button;
  ButtonState State;
  int X, Y;
};
std::vector<ButtonDraw> CaptionButtonDraws(const SkinData& data, std::uint32_t style,
                                           const ButtonStates& states, int W);

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
  kHitNowhere = 0,
  kHitClient = 1,
  kHitCaption = 2,
  kHitSysMenu = 3,
  kHitMenu = 5,
  kHitMinButton = 8,
  kHitMaxButton = 9,
  kHitLeft = 10,
  kHitRight = 11,
  kHitTop = 12,
  kHitTopLeft = 13,
  kHitTopRight = 14,
  kHitBottom = 15,
  kHitBottomLeft = 16,
  kHitBottomRight = 17,
  kHitBorder = 18,
  kHitClose = 20
};

// True when the window point lies in the skin's icon rectangle.
bool InIconRect(const IconSkin& icon, int x, int y);

// Border and icon test: a hit code, or 0 when the frame has no answer.
int BorderHitTest(const SkinData& data, std::uint32_t style, int W, int H, int x, int y);

}  // namespace dirsheet::skin
