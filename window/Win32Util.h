// Small Win32 helpers of the window layer: owners for handles, twips to pixels, and the
// ANSI text of a window.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

namespace dirsheet::window {

// Owns one handle and releases it with `Release` when it goes.
template <typename Handle, typename Traits>
class Owned {
 public:
  Owned() = default;
  explicit Owned(Handle h) : h_(h) {}
  ~Owned() { reset(); }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& o) noexcept : h_(std::exchange(o.h_, Handle())) {}
  Owned& operator=(Owned&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, Handle());
    }
    return *this;
  }
  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Handle() && h_ != Traits::Invalid(); }
  Handle release() { return std::exchange(h_, Handle()); }
  void reset(Handle h = Handle()) {
    if (h_ != Handle() && h_ != Traits::Invalid()) Traits::Release(h_);
    h_ = h;
  }

 private:
  Handle h_ = Handle();
};

struct IconTraits {
  static HICON Invalid() { return nullptr; }
  static void Release(HICON h) { DestroyIcon(h); }
};
struct GdiTraits {
  static HGDIOBJ Invalid() { return nullptr; }
  static void Release(HGDIOBJ h) { DeleteObject(h); }
};
struct FontTraits {
  static HFONT Invalid() { return nullptr; }
  static void Release(HFONT h) { DeleteObject(h); }
};
struct FindTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static void Release(HANDLE h) { FindClose(h); }
};
struct RegKeyTraits {
  static HKEY Invalid() { return nullptr; }
  static void Release(HKEY h) { RegCloseKey(h); }
};

using IconHandle = Owned<HICON, IconTraits>;
using FontHandle = Owned<HFONT, FontTraits>;
using FindHandle = Owned<HANDLE, FindTraits>;
using RegKey = Owned<HKEY, RegKeyTraits>;

// Restores the object that was selected into a device context before.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~SelectGuard() { SelectObject(dc_, old_); }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Converts twips (1/1440 inch) into pixels of the screen.
class Twips {
 public:
  Twips() {
    HDC dc = GetDC(nullptr);
    dpiX_ = GetDeviceCaps(dc, LOGPIXELSX);
    dpiY_ = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    if (dpiX_ <= 0) dpiX_ = 96;
    if (dpiY_ <= 0) dpiY_ = 96;
  }
  int X(int twips) const { return MulDiv(twips, dpiX_, 1440); }
  int Y(int twips) const { return MulDiv(twips, dpiY_, 1440); }

 private:
  int dpiX_ = 96;
  int dpiY_ = 96;
};

inline std::string GetText(HWND hwnd) {
  int n = GetWindowTextLengthA(hwnd);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  n = GetWindowTextA(hwnd, s.data(), n + 1);
  s.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return s;
}

inline void SetText(HWND hwnd, const std::string& text) { SetWindowTextA(hwnd, text.c_str()); }

// The folder of the running executable, without a trailing backslash.
inline std::string ProgramFolder() {
  char path[MAX_PATH * 2] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s(path, n);
  size_t slash = s.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : s.substr(0, slash);
}

}  // namespace dirsheet::window
