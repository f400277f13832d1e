// The frame painter: the four strips of the non-client area (borders, caption with its
// text, caption buttons and icon), the window's outline, the client rectangle inside the
// skin's borders, and the optional client background.
#pragma once

#include <windows.h>

#include <array>

#include "skin/Geometry.h"
#include "skin/win32/Canvas.h"
#include "skin/win32/HookedWindow.h"
#include "skin/win32/SkinResources.h"

namespace dirsheet::skin::win32 {

class FramePainter {
 public:
  FramePainter(const LoadedSkin& skin, const HookedWindow& window, const WindowResources& resources)
      : skin_(skin), window_(window), resources_(resources) {}

  // Whether the frame is the engine's to draw: the window has the dialog-frame bit and is
  // not a maximized MDI child.
  bool Draws() const;
  // Draws the strips: each is composed in memory and put on the window in one copy, the
  // transparent colour and the area inside the borders left out.
  void Paint(const ButtonStates& buttons);
  // Cuts the window's outline for its current size; an outline already cut for that size
  // stays (the region is made and handed to the window once per size).
  void ApplyRegion();
  // The client rectangle inside the skin's borders (WM_NCCALCSIZE); `handled` false when
  // the window's own procedure computes it.
  LRESULT OnNcCalcSize(WPARAM wParam, LPARAM lParam, int menuBarHeight, bool& handled) const;
  // Paints the client background from the skin (WM_ERASEBKGND, WM_PAINT); false when the
  // skin has none and the window paints it.
  bool PaintClientBackground(HWND hwnd, UINT uMsg, WPARAM wParam);
  // Lets go of the surfaces kept between paints and forgets the outline (the next size
  // message cuts it again).
  void Release();

 private:
  void PaintStrip(StripKind kind, const FrameSkin& frame, const FrameSlots& slots,
                  const Rect& inner, const ButtonStates& buttons, int W, int H);
  void DrawCaptionContents(Canvas& canvas, const ButtonStates& buttons, int W);
  void PutStrip(Canvas& canvas, const Rect& onWindow, const Rect& inner);

  const LoadedSkin& skin_;
  const HookedWindow& window_;
  const WindowResources& resources_;
  std::array<Canvas, 4> strips_;  // by StripKind
  Canvas client_;
  SIZE outlineSize_ = {-1, -1};  // the size the window's outline was cut for
};

}  // namespace dirsheet::skin::win32
