#include "skin/Geometry.h"

#include <algorithm>

namespace dirsheet::skin {

bool PiecesFitPicture(const SkinData& data, int pw, int ph) {
  for (const PieceRect& p : data.AllPieces()) {
    if (p.Left < 0 || p.Top < 0 || p.Width < 0 || p.Height < 0) return false;
    if (std::int64_t(p.Left) + p.Width > pw || std::int64_t(p.Top) + p.Height > ph) return false;
  }
  return true;
}

Shape PieceRuns(const Image& img, const PieceRect& p) {
  Shape runs;
  for (int y = 0; y < p.Height; ++y) {
    int x = 0;
    while (x < p.Width) {
      while (x < p.Width && img.At(p.Left + x, p.Top + y) == kTransparentColor) ++x;
      const int start = x;
      while (x < p.Width && img.At(p.Left + x, p.Top + y) != kTransparentColor) ++x;
      if (x > start) runs.push_back({start, y, x, y + 1});
    }
  }
  return runs;
}

bool PieceIsOpaque(const Image& img, const PieceRect& p) {
  for (int y = 0; y < p.Height; ++y)
    for (int x = 0; x < p.Width; ++x)
      if (img.At(p.Left + x, p.Top + y) == kTransparentColor) return false;
  return true;
}

namespace {

// Adds a shape moved to (dx, dy), cut to cutW x cutH of its own area.
void AddShape(Shape& out, const Shape& s, int dx, int dy, int cutW, int cutH) {
  for (const Rect& r : s) {
    Rect m{r.left, r.top, std::min(r.right, cutW), std::min(r.bottom, cutH)};
    if (m.Empty()) continue;
    out.push_back({m.left + dx, m.top + dy, m.right + dx, m.bottom + dy});
  }
}

constexpr int kNoCut = 1 << 30;

// Middle piece repeated down from y0 at x while whole copies fit above `limit`
// (the bottom piece's top), the last copy cut at the limit.
void RepeatDown(Shape& out, const Shape& s, int x, int y0, int step, int limit) {
  if (step <= 0) return;
  int y = y0;
  for (; y < limit - step; y += step) AddShape(out, s, x, y, kNoCut, kNoCut);
  if (y < limit) AddShape(out, s, x, y, kNoCut, limit - y);
}

void RepeatAcross(Shape& out, const Shape& s, int y, int x0, int step, int limit) {
  if (step <= 0) return;
  int x = x0;
  for (; x + step < limit; x += step) AddShape(out, s, x, y, kNoCut, kNoCut);
  if (x < limit) AddShape(out, s, x, y, limit - x, kNoCut);
}

}  // namespace

Shape AssembleWindowRegion(const FrameSkin& f, const std::array<Shape, 12>& s, int W, int H) {
  Shape out;
  Rect inner{f[0].Width, f[3].Height, W - f[6].Width, H - f[9].Height};
  if (!inner.Empty()) out.push_back(inner);
  RepeatDown(out, s[1], 0, f[0].Height, f[1].Height, H - f[2].Height);
  RepeatAcross(out, s[4], 0, f[0].Width + f[3].Width, f[4].Width, W - f[5].Width - f[6].Width);
  RepeatDown(out, s[7], W - f[7].Width, f[6].Height, f[7].Height, H - f[8].Height);
  RepeatAcross(out, s[10], H - f[10].Height, f[0].Width + f[9].Width, f[10].Width,
               W - f[11].Width - f[6].Width);
  AddShape(out, s[0], 0, 0, kNoCut, kNoCut);
  AddShape(out, s[2], 0, H - f[2].Height, kNoCut, kNoCut);
  AddShape(out, s[3], f[0].Width, 0, kNoCut, kNoCut);
  AddShape(out, s[5], W - f[6].Width - f[5].Width, 0, kNoCut, kNoCut);
  AddShape(out, s[6], W - f[6].Width, 0, kNoCut, kNoCut);
  AddShape(out, s[8], W - f[8].Width, H - f[8].Height, kNoCut, kNoCut);
  AddShape(out, s[9], f[2].Width, H - f[9].Height, kNoCut, kNoCut);
  AddShape(out, s[11], W - f[8].Width - f[11].Width, H - f[11].Height, kNoCut, kNoCut);
  return out;
}

Shape MergeShape(Shape rects) {
  // Cut every rectangle into one-pixel rows, then sort and join runs row by row.
  Shape rows;
  for (const Rect& r : rects)
    for (int y = r.top; y < r.bottom; ++y) rows.push_back({r.left, y, r.right, y + 1});
  std::sort(rows.begin(), rows.end(), [](const Rect& a, const Rect& b) {
    return a.top != b.top ? a.top < b.top : a.left < b.left;
  });
  Shape joined;
  for (const Rect& r : rows) {
    if (r.Empty()) continue;
    if (!joined.empty() && joined.back().top == r.top && r.left <= joined.back().right)
      joined.back().right = std::max(joined.back().right, r.right);
    else
      joined.push_back(r);
  }
  // Rows with the same runs as the row above extend that band.
  Shape bands;
  std::size_t prevStart = 0, prevCount = 0;
  for (std::size_t i = 0; i < joined.size();) {
    std::size_t j = i;
    while (j < joined.size() && joined[j].top == joined[i].top) ++j;
    const std::size_t count = j - i;
    bool same = prevCount == count && bands[prevStart].bottom == joined[i].top;
    for (std::size_t k = 0; same && k < count; ++k)
      same = bands[prevStart + k].left == joined[i + k].left && bands[prevStart + k].right == joined[i + k].right;
    if (same) {
      for (std::size_t k = 0; k < count; ++k) bands[prevStart + k].bottom = joined[i].bottom;
    } else {
      prevStart = bands.size();
      prevCount = count;
      bands.insert(bands.end(), joined.begin() + std::ptrdiff_t(i), joined.begin() + std::ptrdiff_t(j));
    }
    i = j;
  }
  return bands;
}

Rect SkinClientRect(const FrameSkin& f, int menuBarHeight, int x, int y, int cx, int cy) {
  Rect r{x + f.LeftBorder(), y + f.CaptionHeight() + menuBarHeight, x + cx - f.RightBorder(),
         y + cy - f.BottomBorder()};
  // A window smaller than its borders gets an empty client area, never an inverted one.
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  return r;
}

StripLayout LeftStrip(const FrameSkin& f, int W, int H) {
  StripLayout s;
  s.Width = f[1].Width; s.Height = H;
  s.RepeatPiece = 1;
  s.Repeat = {0, f[0].Height, f[1].Width, H - f[2].Height};
  s.Ends[0] = {2, 0, H - f[2].Height};
  s.Ends[1] = {0, 0, 0};
  s.WindowX = 0; s.WindowY = 0;
  return s;
}

StripLayout RightStrip(const FrameSkin& f, int W, int H) {
  StripLayout s;
  s.Width = f[7].Width; s.Height = H;
  s.RepeatPiece = 7;
  s.Repeat = {0, f[6].Height, f[7].Width, H - f[8].Height};
  s.Ends[0] = {8, 0, H - f[8].Height};
  s.Ends[1] = {6, 0, 0};
  s.WindowX = W - f[7].Width; s.WindowY = 0;
  return s;
}

StripLayout BottomStrip(const FrameSkin& f, int W, int H) {
  StripLayout s;
  const int D = W - f[0].Width - f[6].Width;
  s.Width = D; s.Height = f[10].Height;
  s.RepeatPiece = 10;
  s.Repeat = {f[9].Width, 0, D - f[11].Width, f[10].Height};
  s.Ends[0] = {9, 0, 0};
  s.Ends[1] = {11, D - f[11].Width, 0};
  s.WindowX = f[2].Width; s.WindowY = H - f[10].Height;
  return s;
}

StripLayout CaptionStrip(const FrameSkin& f, int W, int H) {
  StripLayout s;
  const int D = W - f[0].Width - f[6].Width;
  s.Width = D; s.Height = f[4].Height;
  s.RepeatPiece = 4;
  s.Repeat = {f[3].Width, 0, D - f[5].Width, f[4].Height};
  s.Ends[0] = {3, 0, 0};
  s.Ends[1] = {5, D - f[5].Width, 0};
  s.WindowX = f[0].Width; s.WindowY = 0;
  return s;
}

Rect CaptionTextRect(const SkinData& d, const FrameSkin& f, int W) {
  const auto& t = d.CaptionText;
  return {ClampedSum(std::int64_t(t.TextLeft) - f[0].Width), t.TextTop,
          ClampedSum(std::int64_t(W) - t.TextRightMargin - f[6].Width),
          ClampedSum(std::int64_t(t.TextTop) + t.TextHeight)};
}

std::vector<ButtonDraw> CaptionButtonDraws(const SkinData& d, const FrameSkin& f,
                                           std::uint32_t style, const std::array<int, 4>& st,
                                           int W) {
  std::vector<ButtonDraw> out;
  if (!(style & kStyleSysMenu)) return out;
  // Caption-strip x of a button: its window x less the strip's own origin.
  auto place = [&](int button, int state) {
    out.push_back({button, state,
                   ClampedSum(std::int64_t(W) - d.CaptionButtons[button].OffsetX - f[0].Width),
                   d.CaptionButtons[button].OffsetY});
  };
  const bool minBox = style & kStyleMinimizeBox, maxBox = style & kStyleMaximizeBox;
  if (minBox || maxBox) {
    const int minPieces = (style & kStyleMinimized) ? kRestore : kMinimize;
    // The minimize slot keeps button 0's place even when it shows the restore pieces.
    out.push_back({minPieces, minBox ? st[kMinimize] : 3,
                   ClampedSum(std::int64_t(W) - d.CaptionButtons[kMinimize].OffsetX - f[0].Width),
                   d.CaptionButtons[kMinimize].OffsetY});
    const int maxButton = (style & kStyleMaximized) ? kRestore : kMaximize;
    place(maxButton, maxBox ? st[maxButton] : 3);
  }
  place(kClose, st[kClose]);
  return out;
}

int BorderHitTest(const SkinData& d, std::uint32_t style, int W, int H, int x, int y) {
  const auto& ic = d.Icon;
  const FrameSkin& f = d.ActiveFrame;
  if ((style & kStyleDlgFrame) && x >= ic.IconLeft && x < std::int64_t(ic.IconLeft) + ic.IconWidth &&
      y >= ic.IconTop && y < std::int64_t(ic.IconTop) + ic.IconHeight)
    return kHitSysMenu;
  if (!(style & kStyleSizeFrame)) return kHitNowhere;
  const bool left = x < f[0].Width, right = x > W - f[6].Width;
  const bool top = y < f[3].Height, bottom = y > H - f[9].Height;
  if (left) return top ? kHitTopLeft : bottom ? kHitBottomLeft : kHitLeft;
  if (right) return top ? kHitTopRight : bottom ? kHitBottomRight : kHitRight;
  if (bottom) return kHitBottom;
  return kHitNowhere;
}

namespace {
int FloorTo(int v, int step) {
  int q = v / step;
  if (v % step != 0 && v < 0) --q;
  return q * step;
}
}  // namespace

TileCopy ClientTileCopy(int tw, int th, const Rect& a) {
  if (tw <= 0 || th <= 0) return {a.Width(), a.Height(), 0, 0};
  const int gx = FloorTo(a.left, tw), gy = FloorTo(a.top, th);
  return {a.Width() + (a.left - gx), a.Height() + (a.top - gy), a.left - gx, a.top - gy};
}

}  // namespace dirsheet::skin
