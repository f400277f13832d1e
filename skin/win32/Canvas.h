// A 32-bit top-down DIB section selected into a memory drawing surface: pieces are
// composed into its pixels directly (skin/Compose.h), text and icons drawn through GDI.
// A canvas is kept from one paint to the next and grows only, since making the bitmap
// and its surface anew costs more than all the composing.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/win32/Handles.h"
#include "skin/Compose.h"

namespace dirsheet::skin::win32 {

// The description of a 32-bit picture stored top row first, as the engine keeps pictures.
BITMAPINFO TopDown32(int width, int height);

class Canvas {
 public:
  Canvas() = default;
  // Makes the canvas width x height; false when its bitmap cannot be made.
  bool Fit(HDC like, int width, int height);
  void Release();
  HDC Dc() const { return dc_.get(); }
  PixelBuffer& Pixels() { return pixels_; }
  // Lets GDI finish drawing before the pixels are read or written directly.
  void Sync() const { GdiFlush(); }

 private:
  platform::win32::Bitmap bitmap_;
  platform::win32::MemoryDc dc_;
  std::unique_ptr<platform::win32::SelectGuard> selected_;  // goes first: puts the DC back
  std::uint32_t* bits_ = nullptr;
  int capacityWidth_ = 0, capacityHeight_ = 0;
  PixelBuffer pixels_;
};

}  // namespace dirsheet::skin::win32
