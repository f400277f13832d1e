#include "skin/win32/FramePainter.h"

#include <algorithm>
#include <vector>

#include "skin/Compose.h"
#include "skin/win32/Canvas.h"

namespace dirsheet::skin::win32 {

using platform::win32::Brush;
using platform::win32::ClipGuard;
using platform::win32::Region;
using platform::win32::SelectGuard;

namespace {

constexpr UINT kCaptionTextFlags = DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS;  // 0x40024

// A region from rectangles in one call, instead of uniting them one by one.
Region RegionFromRects(const Shape& rects) {
  if (rects.empty()) return Region(CreateRectRgn(0, 0, 0, 0));
  std::vector<unsigned char> buf(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  auto* data = reinterpret_cast<RGNDATA*>(buf.data());
  data->rdh.dwSize = sizeof(RGNDATAHEADER);
  data->rdh.iType = RDH_RECTANGLES;
  data->rdh.nCount = DWORD(rects.size());
  data->rdh.nRgnSize = DWORD(rects.size() * sizeof(RECT));
  RECT bound = {rects[0].left, rects[0].top, rects[0].right, rects[0].bottom};
  auto* out = reinterpret_cast<RECT*>(data->Buffer);
  for (std::size_t i = 0; i < rects.size(); ++i) {
    const Rect& r = rects[i];
    out[i] = {r.left, r.top, r.right, r.bottom};
    bound.left = std::min<LONG>(bound.left, r.left);
    bound.top = std::min<LONG>(bound.top, r.top);
    bound.right = std::max<LONG>(bound.right, r.right);
    bound.bottom = std::max<LONG>(bound.bottom, r.bottom);
  }
  data->rdh.rcBound = bound;
  return Region(ExtCreateRegion(nullptr, DWORD(buf.size()), data));
}

}  // namespace

bool FramePainter::Draws() const {
  if (!window_ || !window_.Dc || !skin_.Loaded()) return false;
  if (!(window_.LiveStyle() & WS_DLGFRAME)) return false;
  return !(window_.IsMdiChild() && IsZoomed(window_.Handle));
}

void FramePainter::Paint(const ButtonStates& buttons) {
  if (!Draws()) return;
  const SIZE size = window_.Size();
  const int W = size.cx, H = size.cy;
  const SkinData& d = skin_.Data();
  // Places come from the active frame; the pieces from the frame in use.
  const FrameSkin& frame = window_.Active ? d.ActiveFrame : d.InactiveFrame;
  const FrameSlots slots = PlaceFramePieces(d.ActiveFrame, W, H);
  const Rect inner = InnerArea(d.ActiveFrame, W, H);
  PaintStrip(StripKind::Left, frame, slots, inner, buttons, W, H);
  PaintStrip(StripKind::Right, frame, slots, inner, buttons, W, H);
  if (!IsIconic(window_.Handle)) PaintStrip(StripKind::Bottom, frame, slots, inner, buttons, W, H);
  PaintStrip(StripKind::Caption, frame, slots, inner, buttons, W, H);
}

void FramePainter::PaintStrip(StripKind kind, const FrameSkin& frame, const FrameSlots& slots,
                              const Rect& inner, const ButtonStates& buttons, int W, int H) {
  const StripLayout strip = LayOutStrip(kind, skin_.Data().ActiveFrame, W, H);
  if (strip.OnWindow.Empty()) return;
  Canvas& canvas = strips_[std::size_t(kind)];
  if (!canvas.Fit(window_.Dc.get(), strip.OnWindow.Width(), strip.OnWindow.Height())) return;
  ComposeStrip(canvas.Pixels(), skin_.Picture(), frame, slots, strip);
  if (kind == StripKind::Caption) DrawCaptionContents(canvas, buttons, W);
  PutStrip(canvas, strip.OnWindow, inner);
}

// The caption text, the caption buttons and the window icon, in caption-strip coordinates.
void FramePainter::DrawCaptionContents(Canvas& canvas, const ButtonStates& buttons, int W) {
  const SkinData& d = skin_.Data();
  HDC mem = canvas.Dc();
  const Rect tr = CaptionTextRect(d, W);
  RECT text = {tr.left, tr.top, tr.right, tr.bottom};
  SetBkMode(mem, TRANSPARENT);
  SetTextColor(mem, COLORREF(window_.Active ? d.CaptionText.ActiveTextColor
                                            : d.CaptionText.InactiveTextColor));
  {
    HFONT font = resources_.CaptionFont();
    SelectGuard selected(mem, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(mem, resources_.CaptionText().c_str(), -1, &text,
              UINT(d.CaptionText.TextFormat) | kCaptionTextFlags);
  }
  canvas.Sync();
  const Rect all = canvas.Pixels().Bounds();
  for (const ButtonDraw& b : CaptionButtonDraws(d, window_.LiveStyle(), buttons, W))
    CopyPiece(canvas.Pixels(), skin_.Picture(), d.CaptionButtons[b.Button].Piece(b.State), b.X, b.Y,
              all, true);
  if (HICON icon = resources_.Icon()) {
    const int strip = d.ActiveFrame[kLeftTop].Width;  // the icon's window place less the strip's
    DrawIconEx(mem, d.Icon.IconLeft - strip, d.Icon.IconTop, icon, d.Icon.IconWidth,
               d.Icon.IconHeight, 0, nullptr, DI_NORMAL);
  }
  canvas.Sync();
}

// Puts a finished strip on the window in one copy. A strip with transparent pixels goes
// through a clip region made of its other pixels; the area inside the borders is never
// painted, so the client area and the menu bar keep their own pixels.
void FramePainter::PutStrip(Canvas& canvas, const Rect& at, const Rect& inner) {
  HDC dc = window_.Dc.get();
  Region clip;
  if (!IsOpaque(canvas.Pixels())) {
    const Shape runs = OpaqueRuns(canvas.Pixels(), at.left, at.top);
    if (runs.empty()) return;
    clip = RegionFromRects(MergeShape(runs));
  }
  ClipGuard clipped(dc, clip.get());
  if (!at.Intersect(inner).Empty())
    ExcludeClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
  BitBlt(dc, at.left, at.top, at.Width(), at.Height(), canvas.Dc(), 0, 0, SRCCOPY);
}

void FramePainter::ApplyRegion() {
  const SIZE size = window_.Size();
  if (size.cx == outlineSize_.cx && size.cy == outlineSize_.cy) return;
  const SkinData& d = skin_.Data();
  Region outline = RegionFromRects(
      MergeShape(AssembleWindowRegion(d.ActiveFrame, skin_.PieceShapes(), size.cx, size.cy)));
  // The system owns the region from here on. The size is noted first: handing the region
  // over recomputes the frame, and a size message sent meanwhile finds the outline made.
  outlineSize_ = size;
  if (SetWindowRgn(window_.Handle, outline.get(), TRUE))
    outline.release();
  else
    outlineSize_ = {-1, -1};
}

LRESULT FramePainter::OnNcCalcSize(WPARAM wParam, LPARAM lParam, int menuBarHeight,
                                   bool& handled) const {
  const DWORD style = window_.LiveStyle();
  if (window_.IsMdiChild() && (style & WS_MAXIMIZE)) {
    handled = false;
    return 0;
  }
  if (!(style & WS_DLGFRAME)) return 0;
  // Both forms: the one with the new window position and the single-rectangle form.
  RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                   : reinterpret_cast<RECT*>(lParam);
  const Rect c = SkinClientRect(skin_.Data().ActiveFrame, menuBarHeight, r->left, r->top,
                                r->right - r->left, r->bottom - r->top);
  const RECT client = {c.left, c.top, c.right, c.bottom};
  r[0] = client;
  if (wParam) r[1] = client;
  return 0;
}

void FramePainter::Release() {
  for (Canvas& c : strips_) c.Release();
  client_.Release();
  outlineSize_ = {-1, -1};  // a new skin or none: the outline is cut again
}

bool FramePainter::PaintClientBackground(HWND hwnd, UINT uMsg, WPARAM wParam) {
  const SkinData& d = skin_.Data();
  const PictureView& pic = skin_.Picture();
  // A tile that lies wholly outside the picture has nothing to repeat: no tile.
  const PieceRect tile =
      d.HasClientTile() ? CutToPicture(d.ClientTile, pic.Width, pic.Height) : PieceRect{};
  const bool tiled = tile.Width > 0 && tile.Height > 0;
  if (!tiled && d.ClientColor == -1) return false;
  PAINTSTRUCT ps = {};
  HDC dc;
  RECT area;
  if (uMsg == WM_PAINT) {
    dc = BeginPaint(hwnd, &ps);
    area = ps.rcPaint;
  } else {
    dc = reinterpret_cast<HDC>(wParam);
    GetClipBox(dc, &area);
  }
  if (!tiled) {
    Brush brush(CreateSolidBrush(COLORREF(d.ClientColor)));
    FillRect(dc, &area, brush.get());
  } else {
    // Copies of the tile line up with the client origin whatever area is painted.
    if (client_.Fit(dc, area.right - area.left, area.bottom - area.top)) {
      TilePiece(client_.Pixels(), pic, tile, client_.Pixels().Bounds(), -area.left, -area.top,
                false);
      BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, client_.Dc(),
             0, 0, SRCCOPY);
    }
  }
  if (uMsg == WM_PAINT) EndPaint(hwnd, &ps);
  return true;
}

}  // namespace dirsheet::skin::win32
