// What the engine knows of the window it skins, shared by the parts of the engine: its
// handle and whole-window drawing surface, its styles as last read, its "MDIClient"
// child and whether it is active; and the engine's own window messages.
#pragma once

#include <windows.h>
#include <windowsx.h>

#include "platform/win32/Handles.h"

namespace dirsheet::skin::win32 {

// The platform's undocumented message asking a window to redraw its caption.
constexpr UINT kCaptionRedrawMessage = 0xAE;
// The engine's own message, posted to the hooked window: switch the open menu-bar popup
// to the item in lParam.
constexpr UINT kSwitchMessage = 0x555;
// Window styles the engine writes into and reads back.
constexpr ULONG_PTR kDropShadowClassStyle = 0x20000;
// SetWindowPos flags that only have the frame recomputed: 0x227.
constexpr UINT kFrameChanged =
    SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED;

// A point relative to the window's top-left corner, with the window's size.
struct WindowPoint {
  int x = 0, y = 0, W = 0, H = 0;
};

struct HookedWindow {
  HWND Handle = nullptr;
  platform::win32::WindowDc Dc;  // the whole window's drawing surface
  LONG Style = 0, ExStyle = 0;   // as last read
  HWND MdiClient = nullptr;
  bool Active = true;

  explicit operator bool() const { return Handle != nullptr; }
  bool IsMdiChild() const { return (ExStyle & WS_EX_MDICHILD) != 0; }
  // The style as the window has it now.
  DWORD LiveStyle() const { return DWORD(GetWindowLongA(Handle, GWL_STYLE)); }
  // Whether anything drawn on the window can be seen: a hidden window (or one in a hidden
  // parent) is painted in full when it is shown, so painting it before is wasted.
  bool Visible() const { return IsWindowVisible(Handle) != FALSE; }
  void TakeNewDc() {
    Dc.reset();
    Dc = platform::win32::WindowDc(Handle);
  }
  SIZE Size() const {
    RECT r;
    GetWindowRect(Handle, &r);
    return {r.right - r.left, r.bottom - r.top};
  }
  // A screen point in a message's lParam, relative to the window.
  WindowPoint PointOf(LPARAM screenPoint) const {
    RECT r;
    GetWindowRect(Handle, &r);
    return {GET_X_LPARAM(screenPoint) - r.left, GET_Y_LPARAM(screenPoint) - r.top, r.right - r.left,
            r.bottom - r.top};
  }
  WindowPoint Cursor() const {
    POINT pt;
    GetCursorPos(&pt);
    return PointOf(MAKELPARAM(pt.x, pt.y));
  }
  void RecomputeFrame() const { SetWindowPos(Handle, nullptr, 0, 0, 0, 0, kFrameChanged); }
};

}  // namespace dirsheet::skin::win32
