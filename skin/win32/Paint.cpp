// ClsSkinner: the resources made for the hooked window, frame painting and the message
// cases of the skinned window.
#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "skin/win32/ClsSkinner.h"

namespace dirsheet::skin::win32 {

namespace {

constexpr COLORREF kTransparent = RGB(255, 0, 255);
constexpr UINT kCaptionTextFlags = DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS;  // 0x40024
constexpr ULONG_PTR kDropShadow = 0x20000;

// A region from rectangles in one call, instead of uniting them one by one.
HRGN RegionFromRects(const Shape& rects) {
  if (rects.empty()) return CreateRectRgn(0, 0, 0, 0);
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
  return ExtCreateRegion(nullptr, DWORD(buf.size()), data);
}

HFONT MakeFont(const SkinFont& font) {
  LOGFONTA lf = {};
  static_assert(sizeof(LOGFONTA) == 60, "a skin font record holds a 60-byte logical font");
  std::memcpy(&lf, font.Raw.data(), sizeof lf);
  lf.lfFaceName[LF_FACESIZE - 1] = '\0';
  return CreateFontIndirectA(&lf);
}

}  // namespace

// ---------------------------------------------------------------- resources

void ClsSkinner::ReadCaptionText() {
  char text[256] = {};
  GetWindowTextA(hooked_, text, 256);
  captionText_ = text;  // cut at the first NUL
}

void ClsSkinner::FetchIcon() {
  icon_.reset();
  const int size = skin_.Icon.IconWidth;
  if (size <= 0) return;
  const WPARAM first = size > 20 ? ICON_BIG : ICON_SMALL;
  const WPARAM second = size > 20 ? ICON_SMALL : ICON_BIG;
  auto icon = reinterpret_cast<HICON>(SendMessageA(hooked_, WM_GETICON, first, 0));
  if (!icon) icon = reinterpret_cast<HICON>(SendMessageA(hooked_, WM_GETICON, second, 0));
  if (icon)
    icon_.reset(static_cast<HICON>(CopyImage(icon, IMAGE_ICON, size, size, LR_COPYFROMRESOURCE)));
}

void ClsSkinner::BuildSkinResources() {
  captionFont_.reset(MakeFont(skin_.CaptionText.Font));
  menuFont_.reset(MakeFont(skin_.MenuBar.Font));
  ReadCaptionText();
  FetchIcon();
  for (int i = 0; i < 4; ++i)
    buttonShape_[i].reset(RegionFromRects(PieceRuns(picture_, skin_.CaptionButtons[i].States[0])));
  RECT wr;
  GetWindowRect(hooked_, &wr);
  width_ = wr.right - wr.left;
  height_ = wr.bottom - wr.top;
  PlaceButtonShapes(width_);
  if (hasMenuBar_) LayoutMenuBar();
  if (!IsMdiChild() && skin_.DropShadow != 0) {
    savedClassStyle_ = GetClassLongPtrA(hooked_, GCL_STYLE);
    SetClassLongPtrA(hooked_, GCL_STYLE, savedClassStyle_ | kDropShadow);
    shadowApplied_ = true;
  }
}

void ClsSkinner::FreeSkinResources() {
  captionFont_.reset();
  menuFont_.reset();
  icon_.reset();
  for (auto& r : buttonShape_) r.reset();
  for (auto& r : placedButtonShape_) r.reset();
  RestoreClassStyle();
}

void ClsSkinner::RestoreClassStyle() {
  if (!shadowApplied_) return;
  if (hooked_ && IsWindow(hooked_)) SetClassLongPtrA(hooked_, GCL_STYLE, savedClassStyle_);
  shadowApplied_ = false;
}

void ClsSkinner::PlaceButtonShapes(int W) {
  for (int i = 0; i < 4; ++i) {
    if (!buttonShape_[i]) continue;
    HRGN placed = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(placed, static_cast<HRGN>(buttonShape_[i].get()), nullptr, RGN_COPY);
    int x, y;
    PlacedButtonOrigin(skin_, i, W, x, y);
    OffsetRgn(placed, x, y);
    placedButtonShape_[i].reset(placed);
  }
}

void ClsSkinner::ResetButtonStates() { buttonState_.fill(active_ ? 0 : 3); }

// ---------------------------------------------------------------- painting

// Fills `area` with copies of the piece through a pattern brush whose origin is the
// strip's own (0, 0); the last copy is cut at the area's edge.
void ClsSkinner::RepeatPiece(HDC dst, const PieceRect& p, const Rect& area) const {
  if (area.Empty() || p.Width <= 0 || p.Height <= 0) return;
  MemDc pieceDc(CreateCompatibleDC(skinDC_));
  GdiObject pieceBmp(CreateCompatibleBitmap(skinDC_, p.Width, p.Height));
  {
    SelectGuard sel(pieceDc.get(), pieceBmp.get());
    BitBlt(pieceDc.get(), 0, 0, p.Width, p.Height, skinDC_, p.Left, p.Top, SRCCOPY);
  }
  GdiObject brush(CreatePatternBrush(static_cast<HBITMAP>(pieceBmp.get())));
  SetBrushOrgEx(dst, 0, 0, nullptr);
  RECT r = {area.left, area.top, area.right, area.bottom};
  FillRect(dst, &r, static_cast<HBRUSH>(brush.get()));
}

// A strip is composed in a 32-bit DIB whose pixels the engine writes itself: pieces and
// caption buttons are copied from the decoded picture directly, and only the caption text
// and the icon go through GDI.
struct ClsSkinner::StripSurface {
  MemDc Dc;
  GdiObject Bitmap;
  std::uint32_t* Bits = nullptr;
  int Width = 0, Height = 0;
  HGDIOBJ Old = nullptr;

  StripSurface(HDC like, int w, int h) : Width(w), Height(h) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    Bitmap.reset(CreateDIBSection(like, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    Dc.reset(CreateCompatibleDC(like));
    if (Bitmap && Dc && bits) {
      Bits = static_cast<std::uint32_t*>(bits);
      Old = SelectObject(Dc.get(), Bitmap.get());
    }
  }
  ~StripSurface() {
    if (Old) SelectObject(Dc.get(), Old);
  }
  bool Ok() const { return Bits != nullptr; }
  std::uint32_t& At(int x, int y) { return Bits[std::size_t(y) * Width + x]; }
};

namespace {

int Mod(int v, int m) { return ((v % m) + m) % m; }

}  // namespace

// Copies a piece into the strip at (x, y), cut at the strip's edges; with `keyed` the
// transparent colour is left out.
void ClsSkinner::CopyPiece(StripSurface& dst, const PieceRect& p, int x, int y, bool keyed) const {
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + p.Width, dst.Width), y1 = std::min(y + p.Height, dst.Height);
  for (int ty = y0; ty < y1; ++ty) {
    const std::uint32_t* src = &picture_.Pixels[std::size_t(p.Top + ty - y) * picture_.Width + p.Left - x];
    std::uint32_t* row = &dst.At(0, ty);
    for (int tx = x0; tx < x1; ++tx) {
      const std::uint32_t c = src[tx];
      if (!keyed || c != kTransparentColor) row[tx] = c;
    }
  }
}

// Repeats a piece over `area`; copies start at the strip's own origin (0, 0) and the last
// copy is cut at the area's edge.
void ClsSkinner::RepeatInStrip(StripSurface& dst, const PieceRect& p, const Rect& area) const {
  if (p.Width <= 0 || p.Height <= 0) return;
  const int x0 = std::max(area.left, 0), y0 = std::max(area.top, 0);
  const int x1 = std::min(area.right, dst.Width), y1 = std::min(area.bottom, dst.Height);
  for (int y = y0; y < y1; ++y) {
    const std::uint32_t* src = &picture_.Pixels[std::size_t(p.Top + Mod(y, p.Height)) * picture_.Width + p.Left];
    std::uint32_t* row = &dst.At(0, y);
    for (int x = x0; x < x1; ++x) row[x] = src[Mod(x, p.Width)];
  }
}

void ClsSkinner::ComposeStrip(HDC target, const FrameSkin& f, const StripLayout& s, bool caption,
                              int W) {
  StripSurface strip(target, s.Width, s.Height);
  if (!strip.Ok()) return;
  // Whatever no piece covers stays transparent.
  std::fill(strip.Bits, strip.Bits + std::size_t(s.Width) * s.Height, kTransparentColor);
  RepeatInStrip(strip, f[s.RepeatPiece], s.Repeat);
  for (const PiecePlace& e : s.Ends) CopyPiece(strip, f[e.Piece], e.X, e.Y, false);
  if (caption) {
    HDC mem = strip.Dc.get();
    const Rect tr = CaptionTextRect(skin_, f, W);
    RECT text = {tr.left, tr.top, tr.right, tr.bottom};
    SetBkMode(mem, TRANSPARENT);
    SetTextColor(mem, COLORREF(active_ ? skin_.CaptionText.ActiveTextColor
                                       : skin_.CaptionText.InactiveTextColor));
    HGDIOBJ oldFont = SelectObject(mem, captionFont_ ? captionFont_.get() : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(mem, captionText_.c_str(), -1, &text,
              UINT(skin_.CaptionText.TextFormat) | kCaptionTextFlags);
    SelectObject(mem, oldFont);
    GdiFlush();
    PaintCaptionButtons(strip, f, W);
    if (icon_) {
      // The icon's window position less the strip's own origin.
      DrawIconEx(mem, skin_.Icon.IconLeft - f[0].Width, skin_.Icon.IconTop, icon_.get(),
                 skin_.Icon.IconWidth, skin_.Icon.IconHeight, 0, nullptr, DI_NORMAL);
    }
  }
  GdiFlush();
  PutStrip(target, f, s, strip);
}

// Puts a finished strip on the window with the transparent colour left out. Parts that
// come from pieces without transparent pixels are copied as they are; the others are
// copied through a clip region made of their non-transparent runs.
void ClsSkinner::PutStrip(HDC target, const FrameSkin& f, const StripLayout& s,
                          StripSurface& strip) const {
  const auto& opaque = (&f == &skin_.ActiveFrame) ? activeOpaque_ : inactiveOpaque_;
  HDC mem = strip.Dc.get();
  auto put = [&](const Rect& part, bool solid) {
    const Rect r{std::max(part.left, 0), std::max(part.top, 0), std::min(part.right, s.Width),
                 std::min(part.bottom, s.Height)};
    if (r.Empty()) return;
    if (solid) {
      BitBlt(target, s.WindowX + r.left, s.WindowY + r.top, r.Width(), r.Height(), mem, r.left,
             r.top, SRCCOPY);
      return;
    }
    Shape runs;
    for (int y = r.top; y < r.bottom; ++y) {
      int x = r.left;
      while (x < r.right) {
        while (x < r.right && (strip.At(x, y) & 0xFFFFFF) == kTransparentColor) ++x;
        const int start = x;
        while (x < r.right && (strip.At(x, y) & 0xFFFFFF) != kTransparentColor) ++x;
        if (x > start) runs.push_back({s.WindowX + start, s.WindowY + y, s.WindowX + x, s.WindowY + y + 1});
      }
    }
    if (runs.empty()) return;
    GdiObject clip(RegionFromRects(MergeShape(std::move(runs))));
    SelectClipRgn(target, static_cast<HRGN>(clip.get()));
    BitBlt(target, s.WindowX + r.left, s.WindowY + r.top, r.Width(), r.Height(), mem, r.left, r.top,
           SRCCOPY);
    SelectClipRgn(target, nullptr);
  };
  put(s.Repeat, opaque[s.RepeatPiece]);
  for (const PiecePlace& e : s.Ends) {
    const PieceRect& p = f[e.Piece];
    put(Rect{e.X, e.Y, e.X + p.Width, e.Y + p.Height}, opaque[e.Piece]);
  }
}

void ClsSkinner::PaintCaptionButtons(StripSurface& strip, const FrameSkin& f, int W) {
  const DWORD style = DWORD(GetWindowLongA(hooked_, GWL_STYLE));
  for (const ButtonDraw& b : CaptionButtonDraws(skin_, f, style, buttonState_, W))
    CopyPiece(strip, skin_.CaptionButtons[b.Button].States[b.State], b.X, b.Y, true);
}

void ClsSkinner::PaintFrame() {
  if (!hooked_ || !windowDC_ || !skinDC_) return;
  const LONG style = GetWindowLongA(hooked_, GWL_STYLE);
  if (!(style & WS_DLGFRAME)) return;
  if (IsMdiChild() && IsZoomed(hooked_)) return;
  RECT wr;
  GetWindowRect(hooked_, &wr);
  const int W = wr.right - wr.left, H = wr.bottom - wr.top;
  width_ = W;
  height_ = H;
  const FrameSkin& f = active_ ? skin_.ActiveFrame : skin_.InactiveFrame;
  if (hasMenuBar_ && !IsIconic(hooked_)) PaintMenuBar(menuMode_ ? openItem_ : hotItem_, menuMode_);
  auto strip = [&](const StripLayout& s, bool caption) {
    if (s.Width > 0 && s.Height > 0) ComposeStrip(windowDC_, f, s, caption, W);
  };
  strip(LeftStrip(f, W, H), false);
  strip(RightStrip(f, W, H), false);
  if (!IsIconic(hooked_)) strip(BottomStrip(f, W, H), false);
  strip(CaptionStrip(f, W, H), true);
}

// ---------------------------------------------------------------- handlers

bool ClsSkinner::HasHandler(int position) const { return position >= 1 && position <= 3; }

void ClsSkinner::OnIntercept(int position, bool bBefore, bool& bHandled, LRESULT& lReturn,
                             HWND lng_hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LONG_PTR&) {
  if (position == 1) SkinWindowHandler(bBefore, bHandled, lReturn, lng_hWnd, uMsg, wParam, lParam);
  else if (position == 3) MdiClientHandler(bBefore, bHandled, lReturn, lng_hWnd, uMsg, wParam, lParam);
}

void ClsSkinner::OnCallback(int position, const ULONG_PTR*, int) {
  if (position == 2) HoverTimerTick();
}

void ClsSkinner::SkinWindowHandler(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hwnd,
                                   UINT uMsg, WPARAM wParam, LPARAM lParam) {
  bHandled = true;
  switch (uMsg) {
    case WM_NCHITTEST:
      lReturn = OnNcHitTest(lParam, bHandled);
      break;
    case WM_SYSCOMMAND:
      PaintFrame();
      bHandled = false;
      break;
    case WM_NCACTIVATE:
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
      OnActivate(bBefore, wParam, lReturn);
      bHandled = false;
      break;
    case WM_NCLBUTTONDOWN:
      if (bBefore) OnNcLButtonDown(wParam, lParam, bHandled, lReturn);
      break;
    case WM_NCLBUTTONUP:
      OnNcLButtonUp(lParam);
      break;
    case WM_NCMOUSEMOVE:
      OnNcMouseMove(wParam, lParam, bHandled, lReturn);
      break;
    case WM_ENTERIDLE:
      OnEnterIdle(wParam, lParam, bHandled);
      break;
    case WM_HOTKEY:
      OnHotKey(wParam, bHandled);
      break;
    case WM_MENUSELECT:
      OnMenuSelect(wParam, lParam, bHandled);
      break;
    case WM_SYSKEYDOWN:
    case WM_SYSCHAR:
    case WM_MENUCHAR:
      OnKeyboardAccess(uMsg, wParam, lParam, bHandled, lReturn);
      break;
    case kSwitchMessage:
      if (!bBefore) OnSwitchMessage(lParam);
      break;
    case WM_SHOWWINDOW:
      if (!bBefore) OnShowWindow();
      bHandled = false;
      break;
    case WM_GETICON:
      // Asked for its icon (the shell does so after a caption change): the menu and the
      // caption text are read again and the frame repainted.
      if (!bBefore) OnGetIcon();
      bHandled = false;
      break;
    case 0xAE:
      PaintFrame();
      break;
    case WM_NCCALCSIZE:
      lReturn = OnNcCalcSize(wParam, lParam, bHandled);
      break;
    case WM_NCPAINT:
      if (windowDC_) ReleaseDC(hooked_, windowDC_);
      windowDC_ = GetWindowDC(hooked_);
      PaintFrame();
      lReturn = 0;
      break;
    case WM_SETICON:
      FetchIcon();
      PaintFrame();
      break;
    case WM_STYLECHANGED:
      OnStyleChanged(wParam);
      break;
    case WM_ERASEBKGND:
    case WM_PAINT:
      bHandled = paintClientArea_ && !mdiClient_ && PaintClientBackground(hwnd, uMsg, wParam);
      if (bHandled && uMsg == WM_ERASEBKGND) lReturn = 1;
      break;
    case WM_SIZE:
      // Without the dialog-frame bit the window has no skinned frame to fit.
      if (GetWindowLongA(hwnd, GWL_STYLE) & WS_DLGFRAME) {
        OnSize();
        bHandled = false;
      }
      break;
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(wParam, lParam, lReturn);
      bHandled = false;
      break;
    case WM_DESTROY:
      if (bBefore) {
        RestoreClassStyle();
        // Hot keys and the hover timer go with the window, whatever happens afterwards.
        EndMenuMode();
        StopHoverTimer();
        bHandled = false;
      } else {
        UnHookForm(hwnd);
      }
      break;
    case WM_CREATE:
      if (!bBefore && !mdiClient_) {
        mdiClient_ = FindWindowExA(hwnd, nullptr, "MDIClient", nullptr);
        if (mdiClient_) PrepareMdiClient(mdiClient_);
      }
      bHandled = false;
      break;
    default:
      // Menu-bar tracking and keyboard access: the window's own handling for now.
      bHandled = false;
      break;
  }
}

void ClsSkinner::MdiClientHandler(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hwnd,
                                  UINT uMsg, WPARAM wParam, LPARAM lParam) {
  bHandled = false;
  if ((uMsg == WM_ERASEBKGND || uMsg == WM_PAINT) && paintClientArea_) {
    bHandled = PaintClientBackground(hwnd, uMsg, wParam);
    if (bHandled && uMsg == WM_ERASEBKGND) lReturn = 1;
  } else if (uMsg == WM_MDISETMENU) {
    OnMdiSetMenu(bBefore, wParam);
  }
}

void ClsSkinner::OnSize() {
  buttonState_.fill(0);
  RECT wr;
  GetWindowRect(hooked_, &wr);
  const int W = wr.right - wr.left, H = wr.bottom - wr.top;
  width_ = W;
  height_ = H;
  UpdateMdiButtons(W);
  SetWindowRgn(hooked_, RegionFromRects(MergeShape(AssembleWindowRegion(skin_.ActiveFrame, pieceShape_, W, H))),
               TRUE);  // the system owns the region from here on
  PlaceButtonShapes(W);
}

LRESULT ClsSkinner::OnNcCalcSize(WPARAM wParam, LPARAM lParam, bool& bHandled) {
  const LONG style = GetWindowLongA(hooked_, GWL_STYLE);
  if (IsMdiChild() && (style & WS_MAXIMIZE)) {
    bHandled = false;
    return 0;
  }
  if (!(style & WS_DLGFRAME)) return 0;
  // Both forms: the one with the new window position and the single-rectangle form.
  RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                   : reinterpret_cast<RECT*>(lParam);
  const Rect c = SkinClientRect(skin_.ActiveFrame, MenuBarHeight(), r->left, r->top,
                                r->right - r->left, r->bottom - r->top);
  const RECT client = {c.left, c.top, c.right, c.bottom};
  r[0] = client;
  if (wParam) r[1] = client;
  return 0;
}

void ClsSkinner::OnActivate(bool bBefore, WPARAM wParam, LRESULT& lReturn) {
  active_ = wParam != 0;
  buttonState_.fill(active_ ? 0 : 3);
  if (bBefore) InvalidateRect(hooked_, nullptr, TRUE);
  SendMessageA(hooked_, WM_NCPAINT, 1, 0);
  lReturn = 1;
}

void ClsSkinner::OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam, LRESULT& lReturn) {
  auto* mmi = reinterpret_cast<MINMAXINFO*>(lParam);
  if (!mmi) return;
  const LONG minW = skin_.MinTrackSize[0], minH = skin_.MinTrackSize[1];
  if (mmi->ptMinTrackSize.x == 0 && mmi->ptMinTrackSize.y == 0) {
    mmi->ptMinTrackSize = {minW, minH};
    lReturn = DefWindowProcA(hooked_, WM_GETMINMAXINFO, wParam, lParam);
  } else {
    // The platform fills in its own small default first; the skin's minimum still holds
    // so that the frame's fixed pieces never overlap.
    mmi->ptMinTrackSize.x = std::max(mmi->ptMinTrackSize.x, minW);
    mmi->ptMinTrackSize.y = std::max(mmi->ptMinTrackSize.y, minH);
  }
}

bool ClsSkinner::PaintClientBackground(HWND hwnd, UINT uMsg, WPARAM wParam) {
  const bool tile = skin_.HasClientTile();
  if (!tile && skin_.ClientColor == -1) return false;
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
  if (!tile) {
    GdiObject brush(CreateSolidBrush(COLORREF(skin_.ClientColor)));
    FillRect(dc, &area, static_cast<HBRUSH>(brush.get()));
  } else {
    const PieceRect& t = skin_.ClientTile;
    const Rect a{area.left, area.top, area.right, area.bottom};
    const TileCopy copy = ClientTileCopy(t.Width, t.Height, a);
    if (copy.MemWidth > 0 && copy.MemHeight > 0) {
      MemDc mem(CreateCompatibleDC(dc));
      GdiObject bmp(CreateCompatibleBitmap(dc, copy.MemWidth, copy.MemHeight));
      SelectGuard sel(mem.get(), bmp.get());
      RepeatPiece(mem.get(), t, Rect{0, 0, copy.MemWidth, copy.MemHeight});
      BitBlt(dc, a.left, a.top, a.Width(), a.Height(), mem.get(), copy.SrcX, copy.SrcY, SRCCOPY);
    }
  }
  if (uMsg == WM_PAINT) EndPaint(hwnd, &ps);
  return true;
}

void ClsSkinner::OnStyleChanged(WPARAM wParam) {
  if (LONG(wParam) == GWL_STYLE) style_ = GetWindowLongA(hooked_, GWL_STYLE);
  if (LONG(wParam) == GWL_EXSTYLE) exStyle_ = GetWindowLongA(hooked_, GWL_EXSTYLE);
  ReadCaptionText();
  ReadMenuAfterStyleChange();
  PaintFrame();
}

}  // namespace dirsheet::skin::win32
