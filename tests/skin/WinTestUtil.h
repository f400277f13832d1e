// Real windows for the skin tests under Wine: a plain top-level window class, a message
// pump, reading pixels from the screen and recording the engine's message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace dirsheet::skin::testing {

struct ShownMessage {
  std::string Text, Caption;
  UINT Type;
};

// Records every message box of the engine while alive.
class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  const std::vector<ShownMessage>& Shown() const;
  void Clear();
};

// Window procedure hook for tests: called before DefWindowProcA; return true to answer.
using TestProc = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>;

// A visible WS_OVERLAPPEDWINDOW window with a white background at (x, y) sized cx x cy.
HWND MakeTestWindow(const char* caption, int x, int y, int cx, int cy, TestProc proc = nullptr,
                    DWORD style = WS_OVERLAPPEDWINDOW);
WNDPROC TestWindowProc();

void Pump(int rounds = 3);

// Pixel of the screen at (x, y), as 0x00BBGGRR.
COLORREF ScreenPixel(int x, int y);
// Pixel at window coordinates (relative to the window's top-left corner).
COLORREF WindowPixel(HWND hwnd, int x, int y);
// Pixel at client coordinates.
COLORREF ClientPixel(HWND hwnd, int x, int y);

// 0x00RRGGBB (picture order) to 0x00BBGGRR (platform order).
inline COLORREF ToColorRef(unsigned rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

std::string TempPath(const std::string& name);

// A copy of what the screen shows inside a window, read in one go.
struct Capture {
  int Width = 0, Height = 0;
  std::vector<COLORREF> Pixels;
  COLORREF At(int x, int y) const { return Pixels[std::size_t(y) * Width + x]; }
  int Count(const RECT& area, COLORREF c) const;
};
Capture CaptureWindow(HWND hwnd);

}  // namespace dirsheet::skin::testing
