// Composing frame strips, the menu bar and the client tiling in memory, straight from the
// skin picture's pixels: copies and repeats of pieces, cut to the picture (pixels of a
// piece that lie outside the picture are never drawn) and to the target.
#pragma once

#include <cstdint>

#include "skin/Geometry.h"
#include "skin/Image.h"
#include "skin/SkinFile.h"

namespace dirsheet::skin {

// Pixels being composed: top-down rows of 0x00RRGGBB, as in a 32-bit DIB, `Stride`
// pixels apart (0: `Width`).
struct PixelBuffer {
  std::uint32_t* Pixels = nullptr;
  int Width = 0, Height = 0;
  int Stride = 0;
  std::size_t RowPitch() const { return std::size_t(Stride ? Stride : Width); }
  std::uint32_t* Row(int y) { return Pixels + std::size_t(y) * RowPitch(); }
  const std::uint32_t* Row(int y) const { return Pixels + std::size_t(y) * RowPitch(); }
  std::uint32_t& At(int x, int y) { return Row(y)[x]; }
  std::uint32_t At(int x, int y) const { return Row(y)[x]; }
  Rect Bounds() const { return {0, 0, Width, Height}; }
  void Fill(std::uint32_t color);
};

// Copies the piece with its top-left corner at (x, y), only inside `clip`; with `keyed`
// the transparent colour is left out.
void CopyPiece(PixelBuffer& dst, const PictureView& picture, const PieceRect& piece, int x, int y,
               const Rect& clip, bool keyed);

// Fills `area` with copies of the piece laid side by side from (originX, originY) in both
// directions; copies are cut at the area's edges.
void TilePiece(PixelBuffer& dst, const PictureView& picture, const PieceRect& piece,
               const Rect& area, int originX, int originY, bool keyed);

// Composes one strip of the frame into `dst` (the strip's size): the strip starts all
// transparent, the middle piece is repeated across its slot and each end piece drawn at
// its slot's corner. `frame` is the frame in use; slots come from the active frame. An
// end piece smaller than its slot (an inactive piece of another size) is drawn over the
// middle piece of its band repeated across the slot (UnderfillPiece), so that no part of
// the slot stays empty.
void ComposeStrip(PixelBuffer& dst, const PictureView& picture, const FrameSkin& frame,
                  const FrameSlots& slots, const StripLayout& strip);

// The runs of pixels in `b` that are not the transparent colour, moved by (dx, dy).
Shape OpaqueRuns(const PixelBuffer& b, int dx, int dy);

// True when no pixel of `b` has the transparent colour.
bool IsOpaque(const PixelBuffer& b);

}  // namespace dirsheet::skin
