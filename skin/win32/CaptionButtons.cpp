#include "skin/win32/CaptionButtons.h"

namespace dirsheet::skin::win32 {

namespace {
constexpr UINT kHoverInterval = 1;  // milliseconds
}  // namespace

int CaptionButtons::ButtonAt(const WindowPoint& p) const {
  const auto placed = PlaceButtonShapes(skin_.Data(), skin_.CaptionButtonShapes(), p.W);
  return CaptionButtonAt(placed, window_.LiveStyle(), p.x, p.y);
}

HitResult CaptionButtons::HitTest(const WindowPoint& p, const MenuBarLayout* bar) const {
  const auto placed = PlaceButtonShapes(skin_.Data(), skin_.CaptionButtonShapes(), p.W);
  return FrameHitTest(skin_.Data(), placed, window_.LiveStyle(), p.W, p.H, p.x, p.y, bar);
}

void CaptionButtons::Press(int button) {
  if (button < 0 || button >= kCaptionButtons) return;
  states_[std::size_t(button)] = ButtonState::Pressed;
  if (button == kMaximize) states_[kRestore] = ButtonState::Pressed;  // the same slot
}

unsigned CaptionButtons::ReleaseCommand(const WindowPoint& p) const {
  return ButtonCommand(ButtonAt(p), window_.LiveStyle(), IsIconic(window_.Handle) != 0,
                       IsZoomed(window_.Handle) != 0);
}

void HoverTimer::Start() {
  if (running_ || !window_) return;
  auto proc = reinterpret_cast<TIMERPROC>(layer_.scb_SetCallbackAddr(4, position_));
  if (!proc) return;
  if (SetTimer(window_.Handle, Id(), kHoverInterval, proc)) running_ = true;
}

void HoverTimer::Stop() {
  if (!running_) return;
  if (window_ && IsWindow(window_.Handle)) KillTimer(window_.Handle, Id());
  running_ = false;
}

}  // namespace dirsheet::skin::win32
