#include "skin/Compose.h"

#include <algorithm>
#include <cstring>

namespace dirsheet::skin {

namespace {

int Mod(std::int64_t v, std::int64_t m) { return int(((v % m) + m) % m); }

// Columns (or rows) of a piece that lie inside the picture: [from, to) in the piece's own
// coordinates; empty when from >= to.
void InsideSpan(std::int64_t pieceStart, std::int64_t pieceSize, int pictureSize,
                std::int64_t& from, std::int64_t& to) {
  from = std::max<std::int64_t>(0, -pieceStart);
  to = std::min<std::int64_t>(pieceSize, std::int64_t(pictureSize) - pieceStart);
}

}  // namespace

void PixelBuffer::Fill(std::uint32_t color) {
  for (int y = 0; y < Height; ++y) std::fill(Row(y), Row(y) + Width, color);
}

namespace {

// Copies n pixels, leaving the transparent colour out when keyed.
void CopyRun(std::uint32_t* to, const std::uint32_t* from, std::size_t n, bool keyed) {
  if (!keyed) {
    std::memcpy(to, from, n * sizeof *to);
    return;
  }
  for (std::size_t i = 0; i < n; ++i)
    if (from[i] != kTransparentColor) to[i] = from[i];
}

}  // namespace

void CopyPiece(PixelBuffer& dst, const PictureView& pic, const PieceRect& p, int x, int y,
               const Rect& clip, bool keyed) {
  std::int64_t cx0, cx1, cy0, cy1;
  InsideSpan(p.Left, p.Width, pic.Width, cx0, cx1);
  InsideSpan(p.Top, p.Height, pic.Height, cy0, cy1);
  const Rect bounds = clip.Intersect(dst.Bounds());
  const std::int64_t x0 = std::max<std::int64_t>(bounds.left, x + cx0);
  const std::int64_t x1 = std::min<std::int64_t>(bounds.right, x + cx1);
  const std::int64_t y0 = std::max<std::int64_t>(bounds.top, y + cy0);
  const std::int64_t y1 = std::min<std::int64_t>(bounds.bottom, y + cy1);
  if (x0 >= x1) return;
  for (std::int64_t ty = y0; ty < y1; ++ty) {
    const std::uint32_t* src = pic.Pixels + std::size_t(p.Top + (ty - y)) * std::size_t(pic.Width);
    CopyRun(dst.Row(int(ty)) + x0, src + (p.Left + (x0 - x)), std::size_t(x1 - x0), keyed);
  }
}

void TilePiece(PixelBuffer& dst, const PictureView& pic, const PieceRect& p, const Rect& area,
               int originX, int originY, bool keyed) {
  if (p.Width <= 0 || p.Height <= 0) return;
  std::int64_t cx0, cx1, cy0, cy1;
  InsideSpan(p.Left, p.Width, pic.Width, cx0, cx1);
  InsideSpan(p.Top, p.Height, pic.Height, cy0, cy1);
  if (cx0 >= cx1 || cy0 >= cy1) return;  // wholly outside the picture: nothing to draw
  const Rect r = area.Intersect(dst.Bounds());
  if (r.Empty()) return;
  const int firstColumn = Mod(std::int64_t(r.left) - originX, p.Width);
  for (int y = r.top; y < r.bottom; ++y) {
    const int py = Mod(std::int64_t(y) - originY, p.Height);
    if (py < cy0 || py >= cy1) continue;
    const std::uint32_t* src = pic.Pixels + std::size_t(p.Top + py) * std::size_t(pic.Width);
    std::uint32_t* row = dst.Row(y);
    // One copy of the piece's row after another, each cut to the picture's columns.
    int x = r.left;
    std::int64_t px = firstColumn;
    while (x < r.right) {
      const std::int64_t len = std::min<std::int64_t>(p.Width - px, r.right - x);
      const std::int64_t from = std::max(px, cx0), to = std::min(px + len, cx1);
      if (from < to)
        CopyRun(row + x + (from - px), src + (p.Left + from), std::size_t(to - from), keyed);
      x += int(len);
      px = 0;
    }
  }
}

void ComposeStrip(PixelBuffer& dst, const PictureView& pic, const FrameSkin& frame,
                  const FrameSlots& slots, const StripLayout& strip) {
  dst.Fill(kTransparentColor);
  const int dx = -strip.OnWindow.left, dy = -strip.OnWindow.top;
  // Copies of a middle piece across an area, lined up with the copies in its own slot.
  auto repeat = [&](int middle, const Rect& area) {
    int ox, oy;
    AnchoredOrigin(slots[middle], frame[middle].Width, frame[middle].Height, ox, oy);
    TilePiece(dst, pic, frame[middle], area, ox + dx, oy + dy, false);
  };
  repeat(strip.Middle(), slots[strip.Middle()].Area.Moved(dx, dy));
  for (int e : {strip.Pieces[0], strip.Pieces[2]}) {
    const PieceSlot& slot = slots[e];
    const Rect area = slot.Area.Moved(dx, dy);
    const PieceRect& piece = frame[e];
    const bool covers = piece.Width >= slot.Area.Width() && piece.Height >= slot.Area.Height();
    if (!covers) repeat(UnderfillPiece(e), area);
    int x, y;
    AnchoredOrigin(slot, piece.Width, piece.Height, x, y);
    CopyPiece(dst, pic, piece, x + dx, y + dy, area, !covers);
  }
}

Shape OpaqueRuns(const PixelBuffer& b, int dx, int dy) {
  Shape runs;
  for (int y = 0; y < b.Height; ++y) {
    const std::uint32_t* row = b.Row(y);
    int x = 0;
    while (x < b.Width) {
      while (x < b.Width && (row[x] & 0xFFFFFF) == kTransparentColor) ++x;
      const int start = x;
      while (x < b.Width && (row[x] & 0xFFFFFF) != kTransparentColor) ++x;
      if (x > start) runs.push_back({start + dx, y + dy, x + dx, y + dy + 1});
    }
  }
  return runs;
}

bool IsOpaque(const PixelBuffer& b) {
  for (int y = 0; y < b.Height; ++y) {
    const std::uint32_t* row = b.Row(y);
    if (std::any_of(row, row + b.Width,
                    [](std::uint32_t c) { return (c & 0xFFFFFF) == kTransparentColor; }))
      return false;
  }
  return true;
}

}  // namespace dirsheet::skin
