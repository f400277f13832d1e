// What the decoder needs of a picture box or form: its size in twips, the screen's
// twips per pixel, reading back an area as a background, and drawing the converted
// image. The Win32 picture box implements it with GDI; MemorySurface is the portable
// stand-in for tools, tests and the fuzzer.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "png/DeviceBitmap.h"

namespace dirsheet::png {

class PictureSurface {
 public:
  virtual ~PictureSurface() = default;

  // Outer size in twips.
  virtual long Width() const = 0;
  virtual void SetWidth(long twips) = 0;
  virtual long Height() const = 0;
  virtual void SetHeight(long twips) = 0;

  virtual long TwipsPerPixelX() const = 0;
  virtual long TwipsPerPixelY() const = 0;

  // Copies the w x h pixel area at (x, y) into `bgr`: 24-bit pixels, blue, green, red,
  // rows bottom row first, each padded to 4 bytes, already sized and black. Returns
  // false when the surface has no picture to read (the caller then uses a solid colour).
  virtual bool CaptureBackground(long x, long y, long w, long h, uint8_t* bgr) = 0;

  // Makes the device bitmap and draws it at (x, y); with `keepSize` false the surface
  // takes the image's size first.
  virtual void ShowDeviceBitmap(DeviceBitmap bitmap, long x, long y, bool keepSize) = 0;
};

// A surface held in memory: a solid colour to read as background (none by default) and
// the last bitmap drawn into it.
class MemorySurface : public PictureSurface {
 public:
  explicit MemorySurface(std::optional<uint32_t> colour = std::nullopt) : colour_(colour) {}

  long Width() const override { return width_; }
  void SetWidth(long twips) override { width_ = twips; }
  long Height() const override { return height_; }
  void SetHeight(long twips) override { height_ = twips; }
  long TwipsPerPixelX() const override { return 15; }
  long TwipsPerPixelY() const override { return 15; }

  bool CaptureBackground(long x, long y, long w, long h, uint8_t* bgr) override;
  void ShowDeviceBitmap(DeviceBitmap bitmap, long x, long y, bool keepSize) override;

  const std::optional<DeviceBitmap>& Drawn() const { return drawn_; }

 private:
  std::optional<uint32_t> colour_;  // 0x00BBGGRR
  long width_ = 0;
  long height_ = 0;
  std::optional<DeviceBitmap> drawn_;
};

}  // namespace dirsheet::png
