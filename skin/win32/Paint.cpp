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
  if (shadowApplied_) {
    if (hooked_ && IsWindow(hooked_)) SetClassLongPtrA(hooked_, GCL_STYLE, savedClassStyle_);
    shadowApplied_ = false;
  }
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

int ClsSkinner::ButtonAt(int x, int y) const {
  const LONG style = GetWindowLongA(hooked_, GWL_STYLE);
  if (!(style & WS_SYSMENU)) return -1;
  const int first = (style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) ? 0 : 3;
  for (int i = first; i < 4; ++i)
    if (placedButtonShape_[i] && PtInRegion(static_cast<HRGN>(placedButtonShape_[i].get()), x, y))
      return i;
  return -1;
}

// ---------------------------------------------------------------- painting

void ClsSkinner::DrawPiece(HDC dst, const PieceRect& p, int x, int y, bool transparent) const {
  if (p.Width <= 0 || p.Height <= 0) return;
  if (transparent)
    GdiTransparentBlt(dst, x, y, p.Width, p.Height, skinDC_, p.Left, p.Top, p.Width, p.Height,
                      kTransparent);
  else
    BitBlt(dst, x, y, p.Width, p.Height, skinDC_, p.Left, p.Top, SRCCOPY);
}

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

void ClsSkinner::ComposeStrip(HDC target, const FrameSkin& f, const StripLayout& s, HDC mem,
                              HBITMAP bmp, bool caption, int W) {
  SelectGuard sel(mem, bmp);
  // Whatever no piece covers stays transparent.
  GdiObject clear(CreateSolidBrush(kTransparent));
  RECT all = {0, 0, s.Width, s.Height};
  FillRect(mem, &all, static_cast<HBRUSH>(clear.get()));
  RepeatPiece(mem, f[s.RepeatPiece], s.Repeat);
  for (const PiecePlace& e : s.Ends) DrawPiece(mem, f[e.Piece], e.X, e.Y, false);
  if (caption) {
    const Rect tr = CaptionTextRect(skin_, f, W);
    RECT text = {tr.left, tr.top, tr.right, tr.bottom};
    SetBkMode(mem, TRANSPARENT);
    SetTextColor(mem, COLORREF(active_ ? skin_.CaptionText.ActiveTextColor
                                       : skin_.CaptionText.InactiveTextColor));
    HGDIOBJ oldFont = SelectObject(mem, captionFont_ ? captionFont_.get() : GetStockObject(DEFAULT_GUI_FONT));
    DrawTextA(mem, captionText_.c_str(), -1, &text,
              UINT(skin_.CaptionText.TextFormat) | kCaptionTextFlags);
    SelectObject(mem, oldFont);
    PaintCaptionButtons(mem, f, W);
    if (icon_) {
      // The icon's window position less the strip's own origin.
      DrawIconEx(mem, skin_.Icon.IconLeft - f[0].Width, skin_.Icon.IconTop, icon_.get(),
                 skin_.Icon.IconWidth, skin_.Icon.IconHeight, 0, nullptr, DI_NORMAL);
    }
  }
  GdiTransparentBlt(target, s.WindowX, s.WindowY, s.Width, s.Height, mem, 0, 0, s.Width, s.Height,
                    kTransparent);
}

void ClsSkinner::PaintCaptionButtons(HDC strip, const FrameSkin& f, int W) {
  const DWORD style = DWORD(GetWindowLongA(hooked_, GWL_STYLE));
  for (const ButtonDraw& b : CaptionButtonDraws(skin_, f, style, buttonState_, W))
    DrawPiece(strip, skin_.CaptionButtons[b.Button].States[b.State], b.X, b.Y, true);
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
  const bool minimized = IsIconic(hooked_);
  if (hasMenuBar_ && !minimized) PaintMenuBar(menuMode_ ? openItem_ : hotItem_, menuMode_);

  MemDc mem(CreateCompatibleDC(windowDC_));
  auto strip = [&](const StripLayout& s, bool caption) {
    if (s.Width <= 0 || s.Height <= 0) return;
    GdiObject bmp(CreateCompatibleBitmap(windowDC_, s.Width, s.Height));
    if (bmp) ComposeStrip(windowDC_, f, s, mem.get(), static_cast<HBITMAP>(bmp.get()), caption, W);
  };
  strip(LeftStrip(f, W, H), false);
  strip(RightStrip(f, W, H), false);
  if (!minimized) strip(BottomStrip(f, W, H), false);
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
      // Hot keys and the hover timer go with the window, whatever happens afterwards.
      if (bBefore) {
        EndMenuMode();
        StopHoverTimer();
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
  SetWindowRgn(hooked_, RegionFromRects(AssembleWindowRegion(skin_.ActiveFrame, pieceShape_, W, H)),
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
  PaintFrame();
}

}  // namespace dirsheet::skin::win32
