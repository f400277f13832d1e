// PictureBox: a child-window control that keeps a persistent image, the drawing surface
// the PNG decoder draws into and blends against. Sizes follow the classic picture box:
// Width and Height are the outer size in the parent's scale mode (twips by default),
// ScaleWidth and ScaleHeight the inner size in the box's own scale mode; hDC draws into
// the persistent image (Image), which the window paints; Picture is what Cls restores.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/win32/Handles.h"
#include "png/PictureSurface.h"

namespace dirsheet::png::win32 {

enum ScaleMode : int { kTwips = 1, kPixels = 3 };

// The scale mode of a parent window, kept on the window itself so that every box under
// the same parent sees the same value.
class ScaleContainer {
 public:
  explicit ScaleContainer(HWND hwnd) : hwnd_(hwnd) {}
  int ScaleMode() const;
  void SetScaleMode(int mode);
  HWND hWnd() const { return hwnd_; }

 private:
  HWND hwnd_;
};

class PictureBox : public PictureSurface {
 public:
  // Creates the control as a child of `parent` at a pixel rectangle.
  static std::unique_ptr<PictureBox> Create(HWND parent, int x, int y, int width, int height,
                                            bool border = false, int id = 0);
  // The same at a rectangle given in twips.
  static std::unique_ptr<PictureBox> CreateTwips(HWND parent, long x, long y, long width,
                                                 long height, bool border = false, int id = 0);
  ~PictureBox() override;
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  HWND hWnd() const { return hwnd_; }
  HDC hDC() const { return imageDC_.get(); }

  long Width() const override;
  void SetWidth(long value) override;
  long Height() const override;
  void SetHeight(long value) override;
  long ScaleWidth() const;
  long ScaleHeight() const;
  int ScaleMode() const { return scaleMode_; }
  void SetScaleMode(int mode) { scaleMode_ = mode == kPixels ? kPixels : kTwips; }
  ScaleContainer Parent() const { return ScaleContainer(GetParent(hwnd_)); }

  // The persistent image that hDC draws into, and the picture Cls restores.
  HBITMAP Image() const { return image_.get(); }
  HBITMAP Picture() const { return picture_.get(); }
  void SetPictureFromImage();
  // A copy of the picture the caller owns (for a button's BM_SETIMAGE); null if none.
  HBITMAP CopyPicture() const;
  void SetBackColor(COLORREF colour) { backColor_ = colour; }
  // Clears the image to the back colour and the picture.
  void Cls();

  long TwipsPerPixelX() const override;
  long TwipsPerPixelY() const override;
  bool CaptureBackground(long x, long y, long w, long h, uint8_t* bgr) override;
  void ShowDeviceBitmap(DeviceBitmap bitmap, long x, long y, bool keepSize) override;

 private:
  PictureBox() = default;
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
  void OnPaint();
  void OnSize();
  SIZE OuterPixels() const;
  SIZE ClientPixels() const;
  long ToParentUnits(long pixels, bool horizontal) const;
  long FromParentUnits(long value, bool horizontal) const;

  HWND hwnd_ = nullptr;
  platform::win32::MemoryDc imageDC_;
  HGDIOBJ oldImage_ = nullptr;
  platform::win32::Bitmap image_;
  platform::win32::Bitmap picture_;
  SIZE imageSize_{0, 0};
  int scaleMode_ = kTwips;
  COLORREF backColor_ = GetSysColor(COLOR_BTNFACE);
};

}  // namespace dirsheet::png::win32
