// Small Win32 helpers of the window layer: twips to pixels, wide and ANSI text, and the
// text of a window. Handles have their owners in platform/win32/Handles.h.
#pragma once

#include <windows.h>

#include "platform/win32/Handles.h"

#include <string>
#include <utility>

namespace dirsheet::window {

// Converts twips (1/1440 inch) into pixels of the screen.
class Twips {
 public:
  Twips() {
    const platform::win32::WindowDc screen(nullptr, true);
    dpiX_ = GetDeviceCaps(screen.get(), LOGPIXELSX);
    dpiY_ = GetDeviceCaps(screen.get(), LOGPIXELSY);
    if (dpiX_ <= 0) dpiX_ = 96;
    if (dpiY_ <= 0) dpiY_ = 96;
  }
  int X(int twips) const { return MulDiv(twips, dpiX_, 1440); }
  int Y(int twips) const { return MulDiv(twips, dpiY_, 1440); }

 private:
  int dpiX_ = 96;
  int dpiY_ = 96;
};

// Wide text in the system's ANSI code page (the program's texts are ANSI throughout).
inline std::string AnsiFromWide(const wchar_t* text, int length) {
  if (!text || length <= 0) return std::string();
  int n = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, text, length, out.data(), n, nullptr, nullptr);
  return out;
}

// ANSI text of the program's own constants in UTF-16.
inline std::wstring WideFromAnsi(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// The text of a control in UTF-16: what the user typed or the tree put there, whole.
inline std::wstring GetTextW(HWND hwnd) {
  int n = GetWindowTextLengthW(hwnd);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(hwnd, s.data(), n + 1);
  s.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return s;
}

inline void SetTextW(HWND hwnd, const std::wstring& text) { SetWindowTextW(hwnd, text.c_str()); }

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
