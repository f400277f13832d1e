// Caption-button input and hover: the four buttons' states, the frame's hit test, pressing
// and releasing a button, and the hover timer that puts a button back once the pointer
// has left it.
#pragma once

#include <windows.h>

#include "skin/Interaction.h"
#include "skin/win32/HookedWindow.h"
#include "skin/win32/Intercept.h"
#include "skin/win32/SkinResources.h"

namespace dirsheet::skin::win32 {

class CaptionButtons {
 public:
  CaptionButtons(const LoadedSkin& skin, const HookedWindow& window)
      : skin_(skin), window_(window) {}

  const ButtonStates& States() const { return states_; }
  ButtonState State(int button) const { return states_[std::size_t(button)]; }

  // Every button normal while the window is active, inactive otherwise.
  void Rest() { states_ = RestingButtonStates(window_.Active); }
  // Every button normal, whatever the activation (after a resize).
  void AllNormal() { states_.fill(ButtonState::Normal); }

  // The caption button under a window point, -1 for none (skin/Interaction.h).
  int ButtonAt(const WindowPoint& p) const;
  // The frame's hit test at a window point; `bar` is the menu bar drawn by the engine.
  HitResult HitTest(const WindowPoint& p, const MenuBarLayout* bar) const;

  // The pointer is over `button`: hot, or pressed while the left mouse button is down.
  void Hover(int button, bool leftButtonDown) {
    states_ = HoverButtonStates(window_.Active, button, leftButtonDown);
  }
  // The left mouse button went down over `button`.
  void Press(int button);
  // The system command a release at `p` sends: the button under the pointer at release
  // acts, whichever one was pressed; 0 for none.
  unsigned ReleaseCommand(const WindowPoint& p) const;

 private:
  const LoadedSkin& skin_;
  const HookedWindow& window_;
  ButtonStates states_ = RestingButtonStates(true);
};

// The hover timer: a window timer on the hooked window whose procedure is the engine's
// `HoverTimerTick`, reached through a plain callback entry point of the interception layer.
class HoverTimer {
 public:
  HoverTimer(Interceptor& layer, const HookedWindow& window, InterceptHandler* owner, int position)
      : layer_(layer), window_(window), owner_(owner), position_(position) {}

  void Start();  // unless it runs already
  void Stop();
  bool Running() const { return running_; }

 private:
  // The callback entry point finds its handler by the timer's identifier: the handler.
  UINT_PTR Id() const { return reinterpret_cast<UINT_PTR>(owner_); }

  Interceptor& layer_;
  const HookedWindow& window_;
  InterceptHandler* owner_;
  int position_;
  bool running_ = false;
};

}  // namespace dirsheet::skin::win32
