#include "skin/Geometry.h"

#include <algorithm>

namespace dirsheet::skin {

Rect Rect::Intersect(const Rect& o) const {
  return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
          std::min(bottom, o.bottom)};
}

Shape PieceRuns(const PictureView& pic, const PieceRect& p) {
  Shape runs;
  // The part of the piece inside the picture, in the piece's own coordinates.
  const std::int64_t x0 = std::max<std::int64_t>(0, -std::int64_t(p.Left));
  const std::int64_t y0 = std::max<std::int64_t>(0, -std::int64_t(p.Top));
  const std::int64_t x1 = std::min<std::int64_t>(p.Width, std::int64_t(pic.Width) - p.Left);
  const std::int64_t y1 = std::min<std::int64_t>(p.Height, std::int64_t(pic.Height) - p.Top);
  for (std::int64_t y = y0; y < y1; ++y) {
    const std::uint32_t* row =
        pic.Pixels + std::size_t(p.Top + y) * std::size_t(pic.Width) + p.Left;
    std::int64_t x = x0;
    while (x < x1) {
      while (x < x1 && row[x] == kTransparentColor) ++x;
      const std::int64_t start = x;
      while (x < x1 && row[x] != kTransparentColor) ++x;
      if (x > start) runs.push_back({int(start), int(y), int(x), int(y) + 1});
    }
  }
  return runs;
}

bool PieceOutsidePicture(const PieceRect& p, int w, int h) {
  if (p.Width <= 0 || p.Height <= 0) return false;
  return p.Left < 0 || p.Top < 0 || std::int64_t(p.Left) + p.Width > w ||
         std::int64_t(p.Top) + p.Height > h;
}

PieceRect CutToPicture(const PieceRect& p, int w, int h) {
  const std::int64_t l = std::max<std::int64_t>(p.Left, 0), t = std::max<std::int64_t>(p.Top, 0);
  const std::int64_t r = std::min<std::int64_t>(std::int64_t(p.Left) + std::max(p.Width, 0), w);
  const std::int64_t b = std::min<std::int64_t>(std::int64_t(p.Top) + std::max(p.Height, 0), h);
  if (r <= l || b <= t) return {};
  return {std::int32_t(l), std::int32_t(t), std::int32_t(r - l), std::int32_t(b - t)};
}

// ---------------------------------------------------------------- slots and strips

FrameSlots PlaceFramePieces(const FrameSkin& a, int W, int H) {
  auto w = [&](int k) { return a[k].Width; };
  auto h = [&](int k) { return a[k].Height; };
  FrameSlots s;
  s[kLeftTop] = {{0, 0, w(kLeftTop), h(kLeftTop)}, false, Anchor::TopLeft};
  s[kLeftMiddle] = {{0, h(kLeftTop), w(kLeftMiddle), H - h(kLeftBottom)}, true};
  s[kLeftBottom] = {{0, H - h(kLeftBottom), w(kLeftBottom), H}, false, Anchor::BottomLeft};
  const int captionStart = w(kLeftTop), captionEnd = W - w(kRightTop);
  s[kCaptionLeft] = {
      {captionStart, 0, captionStart + w(kCaptionLeft), h(kCaptionLeft)}, false, Anchor::TopLeft};
  s[kCaptionMiddle] = {
      {captionStart + w(kCaptionLeft), 0, captionEnd - w(kCaptionRight), h(kCaptionMiddle)}, true};
  s[kCaptionRight] = {
      {captionEnd - w(kCaptionRight), 0, captionEnd, h(kCaptionRight)}, false, Anchor::TopRight};
  s[kRightTop] = {{W - w(kRightTop), 0, W, h(kRightTop)}, false, Anchor::TopRight};
  s[kRightMiddle] = {
      {W - w(kRightMiddle), h(kRightTop), W, H - h(kRightBottom)}, true, Anchor::TopRight};
  s[kRightBottom] = {{W - w(kRightBottom), H - h(kRightBottom), W, H}, false, Anchor::BottomRight};
  // The bottom edge runs between the two lower corners.
  const int bottomStart = w(kLeftBottom), bottomEnd = W - w(kRightBottom);
  s[kBottomLeft] = {{bottomStart, H - h(kBottomLeft), bottomStart + w(kBottomLeft), H},
                    false,
                    Anchor::BottomLeft};
  s[kBottomMiddle] = {
      {bottomStart + w(kBottomLeft), H - h(kBottomMiddle), bottomEnd - w(kBottomRight), H},
      true,
      Anchor::BottomLeft};
  s[kBottomRight] = {
      {bottomEnd - w(kBottomRight), H - h(kBottomRight), bottomEnd, H}, false, Anchor::BottomRight};
  return s;
}

int UnderfillPiece(int end) {
  switch (end) {
    case kLeftTop:
    case kCaptionLeft:
    case kCaptionRight:
    case kRightTop:
      return kCaptionMiddle;
    case kLeftBottom:
    case kBottomLeft:
    case kBottomRight:
    case kRightBottom:
      return kBottomMiddle;
    default:
      return end;  // a middle piece fills its own slot
  }
}

void AnchoredOrigin(const PieceSlot& slot, int pw, int ph, int& x, int& y) {
  const bool right = slot.At == Anchor::TopRight || slot.At == Anchor::BottomRight;
  const bool bottom = slot.At == Anchor::BottomLeft || slot.At == Anchor::BottomRight;
  x = right ? slot.Area.right - pw : slot.Area.left;
  y = bottom ? slot.Area.bottom - ph : slot.Area.top;
}

StripLayout LayOutStrip(StripKind kind, const FrameSkin& a, int W, int H) {
  auto widest = [&](int k) { return std::max({a[k].Width, a[k + 1].Width, a[k + 2].Width}); };
  auto tallest = [&](int k) { return std::max({a[k].Height, a[k + 1].Height, a[k + 2].Height}); };
  switch (kind) {
    case StripKind::Left:
      return {{0, 0, widest(kLeftTop), H}, {kLeftBottom, kLeftMiddle, kLeftTop}};
    case StripKind::Right:
      return {{W - widest(kRightTop), 0, W, H}, {kRightBottom, kRightMiddle, kRightTop}};
    case StripKind::Bottom:
      return {{a[kLeftBottom].Width, H - tallest(kBottomLeft), W - a[kRightBottom].Width, H},
              {kBottomLeft, kBottomMiddle, kBottomRight}};
    case StripKind::Caption:
      break;
  }
  return {{a[kLeftTop].Width, 0, W - a[kRightTop].Width, tallest(kCaptionLeft)},
          {kCaptionLeft, kCaptionMiddle, kCaptionRight}};
}

Rect InnerArea(const FrameSkin& a, int W, int H) {
  return {a.LeftBorder(), a.CaptionHeight(), W - a.RightBorder(), H - a.BottomBorder()};
}

// ---------------------------------------------------------------- outline

namespace {

// Adds a shape moved to (dx, dy), cut to `clip` (window coordinates).
void AddShape(Shape& out, const Shape& s, int dx, int dy, const Rect& clip) {
  for (const Rect& r : s) {
    const Rect m = r.Moved(dx, dy).Intersect(clip);
    if (!m.Empty()) out.push_back(m);
  }
}

// Copies of a piece's shape across its slot from the slot's anchor corner, the last ones
// cut at the slot's edges.
void TileShape(Shape& out, const Shape& s, int pw, int ph, const PieceSlot& slot) {
  const Rect& area = slot.Area;
  if (pw <= 0 || ph <= 0 || area.Empty() || s.empty()) return;
  int x0, y0;
  AnchoredOrigin(slot, pw, ph, x0, y0);
  // Back to the first copy that reaches into the area.
  while (x0 > area.left) x0 -= pw;
  while (y0 > area.top) y0 -= ph;
  for (int y = y0; y < area.bottom; y += ph)
    for (int x = x0; x < area.right; x += pw) AddShape(out, s, x, y, area);
}

}  // namespace

Shape AssembleWindowRegion(const FrameSkin& a, const std::array<Shape, kFramePieces>& shapes, int W,
                           int H) {
  Shape out;
  const Rect inner = InnerArea(a, W, H);
  if (!inner.Empty()) out.push_back(inner);
  const FrameSlots slots = PlaceFramePieces(a, W, H);
  for (int k = 0; k < kFramePieces; ++k) {
    const PieceSlot& slot = slots[k];
    if (slot.Repeated) {
      TileShape(out, shapes[k], a[k].Width, a[k].Height, slot);
    } else {
      int x, y;
      AnchoredOrigin(slot, a[k].Width, a[k].Height, x, y);
      AddShape(out, shapes[k], x, y, slot.Area);
    }
  }
  return out;
}

Shape MergeShape(const Shape& rects) {
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
      same = bands[prevStart + k].left == joined[i + k].left &&
             bands[prevStart + k].right == joined[i + k].right;
    if (same) {
      for (std::size_t k = 0; k < count; ++k) bands[prevStart + k].bottom = joined[i].bottom;
    } else {
      prevStart = bands.size();
      prevCount = count;
      bands.insert(bands.end(), joined.begin() + std::ptrdiff_t(i),
                   joined.begin() + std::ptrdiff_t(j));
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

Rect CaptionTextRect(const SkinData& d, int W) {
  const auto& t = d.CaptionText;
  const int strip = d.ActiveFrame[kLeftTop].Width;  // the caption strip's left edge
  return {ClampedSum(std::int64_t(t.TextLeft) - strip), t.TextTop,
          ClampedSum(std::int64_t(W) - t.TextRightMargin - strip),
          ClampedSum(std::int64_t(t.TextTop) + t.TextHeight)};
}

std::vector<ButtonDraw> CaptionButtonDraws(const SkinData& d, std::uint32_t style,
                                           const ButtonStates& st, int W) {
  std::vector<ButtonDraw> out;
  if (!(style & kStyleSysMenu)) return out;
  // Caption-strip x of a button: its window x less the strip's own left edge.
  const int strip = d.ActiveFrame[kLeftTop].Width;
  auto at = [&](int slotButton) {
    return ClampedSum(std::int64_t(W) - d.CaptionButtons[slotButton].OffsetX - strip);
  };
  const bool minBox = style & kStyleMinimizeBox, maxBox = style & kStyleMaximizeBox;
  if (minBox || maxBox) {
    // The minimize slot keeps button 0's place even when it shows the restore pieces.
    const int minPieces = (style & kStyleMinimized) ? kRestore : kMinimize;
    out.push_back({minPieces, minBox ? st[kMinimize] : ButtonState::Inactive, at(kMinimize),
                   d.CaptionButtons[kMinimize].OffsetY});
    const int maxButton = (style & kStyleMaximized) ? kRestore : kMaximize;
    out.push_back({maxButton, maxBox ? st[maxButton] : ButtonState::Inactive, at(maxButton),
                   d.CaptionButtons[maxButton].OffsetY});
  }
  out.push_back({kClose, st[kClose], at(kClose), d.CaptionButtons[kClose].OffsetY});
  return out;
}

bool InIconRect(const IconSkin& ic, int x, int y) {
  return x >= ic.IconLeft && x < std::int64_t(ic.IconLeft) + ic.IconWidth && y >= ic.IconTop &&
         y < std::int64_t(ic.IconTop) + ic.IconHeight;
}

int BorderHitTest(const SkinData& d, std::uint32_t style, int W, int H, int x, int y) {
  const FrameSkin& f = d.ActiveFrame;
  if ((style & kStyleDlgFrame) && InIconRect(d.Icon, x, y)) return kHitSysMenu;
  if (!(style & kStyleSizeFrame)) return kHitNowhere;
  const bool left = x < f[kLeftTop].Width;
  const bool right = x > W - f[kRightTop].Width;
  const bool top = y < f[kCaptionLeft].Height;
  const bool bottom = y > H - f[kBottomLeft].Height;
  if (left) return top ? kHitTopLeft : bottom ? kHitBottomLeft : kHitLeft;
  if (right) return top ? kHitTopRight : bottom ? kHitBottomRight : kHitRight;
  if (bottom) return kHitBottom;
  return kHitNowhere;
}

}  // namespace dirsheet::skin
