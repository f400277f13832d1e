// ClsSkinner: the pointer on the skinned frame. Hit testing, hover states and the hover
// timer, pressing and releasing the caption buttons, and the window icon's system menu.
// The geometry is decided by the portable functions of skin/Interaction.h; this file
// feeds them window sizes, styles and points.
#include <windows.h>
#include <windowsx.h>

#include <exception>
#include <string>

#include "skin/Interaction.h"
#include "skin/win32/ClsSkinner.h"

namespace dirsheet::skin::win32 {

int ShowSkinMessage(HWND owner, const char* text, const char* caption, UINT type);

namespace {

SkinFaultHook g_faultHook = nullptr;

// Every hit code for which the platform would act on its own caption buttons.
bool IsPlatformButtonCode(WPARAM code) {
  return code == HTSYSMENU || code == HTMINBUTTON || code == HTMAXBUTTON || code == HTCLOSE ||
         code == HTHELP;
}

}  // namespace

void SetSkinFaultHook(SkinFaultHook hook) { g_faultHook = hook; }

void ClsSkinner::FaultPoint(const char* where) {
  if (g_faultHook) g_faultHook(where);
}

// ---------------------------------------------------------------- geometry feeds

ClsSkinner::WindowPoint ClsSkinner::PointerOnWindow(LPARAM lParam) const {
  RECT wr;
  GetWindowRect(hooked_, &wr);
  return {GET_X_LPARAM(lParam) - wr.left, GET_Y_LPARAM(lParam) - wr.top, wr.right - wr.left,
          wr.bottom - wr.top};
}

ClsSkinner::WindowPoint ClsSkinner::CursorOnWindow() const {
  POINT pt;
  GetCursorPos(&pt);
  return PointerOnWindow(MAKELPARAM(pt.x, pt.y));
}

std::array<Shape, 4> ClsSkinner::PlacedButtonRuns(int W) const {
  // The runs of four small pieces: cheap enough to take again for every pointer event,
  // and always those of the skin in force.
  std::array<Shape, 4> shapes;
  if (picture_.Width > 0)
    for (int i = 0; i < 4; ++i) shapes[i] = PieceRuns(picture_, skin_.CaptionButtons[i].States[0]);
  return skin::PlaceButtonShapes(skin_, shapes, W);
}

int ClsSkinner::ButtonUnder(const WindowPoint& p) const {
  const auto style = std::uint32_t(GetWindowLongA(hooked_, GWL_STYLE));
  return CaptionButtonAt(PlacedButtonRuns(p.W), style, p.x, p.y);
}

bool ClsSkinner::InIconRect(const WindowPoint& p) const {
  const IconSkin& ic = skin_.Icon;
  return p.x >= ic.IconLeft && p.x < ic.IconLeft + ic.IconWidth && p.y >= ic.IconTop &&
         p.y < ic.IconTop + ic.IconHeight;
}

// ---------------------------------------------------------------- messages

LRESULT ClsSkinner::OnNcHitTest(LPARAM lParam, bool& bHandled) {
  const WindowPoint p = PointerOnWindow(lParam);
  const auto style = std::uint32_t(GetWindowLongA(hooked_, GWL_STYLE));
  buttonState_ = RestingButtonStates(active_);
  const HitResult hit = FrameHitTest(skin_, PlacedButtonRuns(p.W), style, p.W, p.H, p.x, p.y,
                                     hasMenuBar_ && !IsIconic(hooked_) ? &menuLayout_ : nullptr);
  if (hit.Button >= 0) {
    buttonState_ = HoverButtonStates(active_, hit.Button, GetKeyState(VK_LBUTTON) < 0);
    StopHoverTimer();
    StartHoverTimer();
    PaintFrame();
    return hit.Code;
  }
  if (hit.Decided) return hit.Code;
  bHandled = false;  // the caption and the client area: the window's own procedure decides
  return 0;
}

void ClsSkinner::OnNcMouseMove(WPARAM wParam, LPARAM lParam, bool& bHandled, LRESULT& lReturn) {
  if (int(wParam) != lastHit_) {
    lastHit_ = int(wParam);
    PaintFrame();
  }
  if (!menuMode_ && hasMenuBar_) {
    const int item = MenuItemAtPoint(PointerOnWindow(lParam));
    if (item < 0 && hotItem_ >= 0) {
      PaintMenuBar(-1, false);
      hotItem_ = -1;
      StopHoverTimer();
    } else if (item >= 0 && item != hotItem_) {
      PaintMenuBar(item, false);
      hotItem_ = item;
      StopHoverTimer();
      StartHoverTimer();
    }
  }
  lReturn = 1;
  bHandled = false;
}

void ClsSkinner::OnNcLButtonDown(WPARAM wParam, LPARAM lParam, bool& bHandled, LRESULT& lReturn) {
  const WindowPoint p = PointerOnWindow(lParam);
  const int item = hasMenuBar_ ? MenuItemAtPoint(p) : -1;
  if (item >= 0) {
    OnMenuBarPress(item);
    return;
  }
  const LONG style = GetWindowLongA(hooked_, GWL_STYLE);
  if (style & WS_SYSMENU) {
    const int button = ButtonUnder(p);
    if (button >= 0) {
      buttonState_[button] = 2;
      if (button == kMaximize) buttonState_[kRestore] = 2;
      PaintFrame();
      return;
    }
    if (InIconRect(p)) {
      // The press opened the menu and the menu took the click: it is not handed on as a
      // caption press, which would start moving the window after the menu closed.
      ShowIconMenu(p);
      return;
    }
  }
  if (IsPlatformButtonCode(wParam)) {
    lReturn = DefWindowProcA(hooked_, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
    return;
  }
  bHandled = false;
}

void ClsSkinner::ShowIconMenu(const WindowPoint& p) {
  RECT wr;
  GetWindowRect(hooked_, &wr);
  HMENU sys = GetSystemMenu(hooked_, FALSE);
  if (!sys) return;
  HWND window = hooked_;
  auto alive = alive_;
  const int cmd = int(TrackPopupMenuEx(sys, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                       wr.left + skin_.Icon.IconLeft,
                                       wr.top + skin_.Icon.IconTop + skin_.Icon.IconHeight, window,
                                       nullptr));
  if (cmd != 0 && IsWindow(window)) PostMessageA(window, WM_SYSCOMMAND, WPARAM(cmd), 0);
  if (*alive && hooked_ == window) {
    ResetButtonStates();
    PaintFrame();
  }
}

void ClsSkinner::OnNcLButtonUp(LPARAM lParam) {
  const WindowPoint p = PointerOnWindow(lParam);
  const int item = hasMenuBar_ ? MenuItemAtPoint(p) : -1;
  if (item >= 0) {
    OnMenuBarRelease(item);
    return;
  }
  const LONG style = GetWindowLongA(hooked_, GWL_STYLE);
  if (!(style & WS_SYSMENU)) return;
  // The button under the pointer at release acts, whichever one was pressed.
  const int button = ButtonUnder(p);
  const unsigned cmd = ButtonCommand(button, std::uint32_t(style), IsIconic(hooked_) != 0,
                                     IsZoomed(hooked_) != 0);
  ResetButtonStates();
  PaintFrame();
  if (cmd != 0) SendMessageA(hooked_, WM_SYSCOMMAND, cmd, 0);
}

// ---------------------------------------------------------------- hover timer

void ClsSkinner::StartHoverTimer() {
  if (timerRunning_ || !hooked_) return;
  auto proc = reinterpret_cast<TIMERPROC>(scb_SetCallbackAddr(4, 2));
  if (!proc) return;
  if (SetTimer(hooked_, HoverTimerId(), 1, proc)) timerRunning_ = true;
}

void ClsSkinner::StopHoverTimer() {
  if (!timerRunning_) return;
  if (hooked_ && IsWindow(hooked_)) KillTimer(hooked_, HoverTimerId());
  timerRunning_ = false;
}

UINT_PTR ClsSkinner::HoverTimerId() const {
  return reinterpret_cast<UINT_PTR>(static_cast<const InterceptHandler*>(this));
}

void ClsSkinner::HoverTimerTick() {
  if (!hooked_ || inTick_) return;
  inTick_ = true;
  try {
    FaultPoint("HoverTimerTick");
    const WindowPoint p = CursorOnWindow();
    const bool overButton = ButtonUnder(p) >= 0;
    const bool overItem = !overButton && hasMenuBar_ && MenuItemAtPoint(p) >= 0;
    if (!overButton && !overItem) {
      hotItem_ = -1;
      ResetButtonStates();
      if (hasMenuBar_ && !menuMode_) PaintMenuBar(-1, false);
      PaintFrame();
      StopHoverTimer();
    }
  } catch (const std::exception& e) {
    // The timer goes first: a 1-millisecond timer would otherwise stack message boxes.
    StopHoverTimer();
    ResetButtonStates();
    hotItem_ = -1;
    const std::string text = "Error " + std::to_string(GetLastError()) + ": " + e.what();
    ShowSkinMessage(hooked_, text.c_str(), "ClsSkinner.HoverTimerTick", MB_ICONERROR);
  }
  inTick_ = false;
}

}  // namespace dirsheet::skin::win32
