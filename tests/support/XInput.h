// Real input for the window tests: xdotool moves, clicks and types on the X display Wine
// draws on, and helpers to look at the screen while this thread sits in one of the
// platform's modal loops (popup menus, moving, sizing).
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "tests/support/WinTest.h"

namespace dirsheet::testsupport {

// Runs xdotool with the arguments; `wait` false leaves it running, so that its input
// arrives while this thread is inside a modal loop.
void Xdo(const std::string& args, bool wait = true);

// Moves the pointer and lets the window hear about it.
void MoveTo(int x, int y);
void ClickAt(POINT p);
// Screen point of the middle of a window's client area, or of a rectangle in it.
POINT CentreOf(HWND hwnd);
POINT CentreOf(HWND hwnd, const RECT& clientRect);

// A thread timer whose step runs every 20 ms inside whatever loop is dispatching; the
// step returns true when it is done.
class Watcher {
 public:
  explicit Watcher(std::function<bool()> step);
  ~Watcher();
  Watcher(const Watcher&) = delete;
  Watcher& operator=(const Watcher&) = delete;
  bool Done() const { return done_; }

 private:
  static std::map<UINT_PTR, Watcher*>& Live();
  static VOID CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
  std::function<bool()> step_;
  UINT_PTR id_ = 0;
  bool done_ = false, busy_ = false;
};

// The popup menu window on the screen, if any.
HWND OpenPopup();

// Without a window manager on the test display, Wine's own handling of window states and
// focus is what the tests need: the running executable's windows are made unmanaged.
// Wine reads the setting when the first window is made, so this runs before any test.
class UnmanagedWindows : public ::testing::Environment {
 public:
  void SetUp() override;
};

}  // namespace dirsheet::testsupport
