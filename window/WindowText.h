// The text of a window, wide or ANSI, read and set whole. Twips are in
// platform/win32/Twips.h, text conversions in platform/win32/TextCodec.h, handle owners
// in platform/win32/Handles.h.
#pragma once

#include <windows.h>

#include <string>

namespace dirsheet::window {

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

}  // namespace dirsheet::window
