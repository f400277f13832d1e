// A 32-bit top-down DIB section selected into a memory drawing surface: pieces are
// composed into its pixels directly (skin/Compose.h), text and icons drawn through GDI.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/win32/Handles.h"
#include "skin/Compose.h"

namespace dirsheet::skin::win32 {

class Canvas {
 public:
  Canvas(HDC like, int width, int height);
  bool Ok() const { return pixels_.Pixels != nullptr; }
  HDC Dc() const { return dc_.get(); }
  PixelBuffer& Pixels() { return pixels_; }
  // Lets GDI finish drawing before the pixels are read or written directly.
  void Sync() const { GdiFlush(); }

 private:
  platform::win32::Bitmap bitmap_;
  platform::win32::MemoryDc dc_;
  std::unique_ptr<platform::win32::SelectGuard> selected_;  // goes first: puts the DC back
  PixelBuffer pixels_;
};

}  // namespace dirsheet::skin::win32
