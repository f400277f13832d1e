// Helpers shared by the tests of real windows under Wine: message pumps, scratch folders,
// input messages posted to controls, a watcher that captures message boxes, and reading
// what the screen shows.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace dirsheet::testsupport {

// Offered each message before it is dispatched (a window's keyboard handling); true
// when it used the message.
using MessageFilter = std::function<bool(MSG&)>;

// Dispatches the messages waiting in the thread's queue.
void PumpPending(const MessageFilter& filter = nullptr);
// `rounds` times: dispatch what waits, then sleep 20 ms.
void Pump(int rounds = 3);
// Pumps messages until `done` holds (true) or `ms` milliseconds passed (false).
bool PumpUntil(const std::function<bool()>& done, int ms = 3000,
               const MessageFilter& filter = nullptr);
void PumpFor(int ms, const MessageFilter& filter = nullptr);

// A fresh folder below the temporary folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::wstring PathW() const;
  std::string MakeFolder(const std::string& relative) const;
  std::wstring MakeFolder(const std::wstring& relative) const;
  std::string MakeFile(const std::string& relative, const std::string& content = "x") const;
  static void RemoveTree(const std::wstring& folder);

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);
std::wstring Wide(const std::string& ansi);

// True when the control itself is set to show (its window may be hidden).
bool Shown(HWND hwnd);

// A left click at a point of a control's client area (its middle by default) and a key,
// as messages in the control's queue.
void PostClick(HWND hwnd, int x, int y);
void PostClick(HWND hwnd);
void PostKey(HWND hwnd, WPARAM key);

// Watches for a dialog box of this process on another thread and hands it to `act`
// (by default: record the message text and close it with OK).
class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(std::function<void(HWND)> act = nullptr);
  ~MessageBoxWatcher();
  bool Seen() const { return seen_; }
  std::string Text() const { return seen_ ? text_ : std::string(); }
  std::wstring TextW() const { return seen_ ? textW_ : std::wstring(); }

 private:
  std::function<void(HWND)> act_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> seen_{false};
  std::string text_;
  std::wstring textW_;
};

// Window procedure hook for tests: called before DefWindowProcA; return true to answer.
using TestProc = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)>;
// A visible WS_OVERLAPPEDWINDOW window with a white background at (x, y) sized cx x cy.
HWND MakeTestWindow(const char* caption, int x, int y, int cx, int cy, TestProc proc = nullptr,
                    DWORD style = WS_OVERLAPPEDWINDOW);
WNDPROC TestWindowProc();

// Pixel of the screen at (x, y), as 0x00BBGGRR.
COLORREF ScreenPixel(int x, int y);
// Pixel at window coordinates (relative to the window's top-left corner).
COLORREF WindowPixel(HWND hwnd, int x, int y);
// Pixel at client coordinates.
COLORREF ClientPixel(HWND hwnd, int x, int y);
// 0x00RRGGBB (picture order) to 0x00BBGGRR (platform order).
inline COLORREF ToColorRef(unsigned rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

std::string TempPath(const std::string& name);

// A copy of what the screen shows inside a window, read in one go.
struct Capture {
  int Width = 0, Height = 0;
  std::vector<COLORREF> Pixels;
  COLORREF At(int x, int y) const { return Pixels[std::size_t(y) * Width + x]; }
  int Count(const RECT& area, COLORREF c) const;
};
Capture CaptureWindow(HWND hwnd);

}  // namespace dirsheet::testsupport
