// LoadPNG: reads one PNG file, decodes it with PngDecoder, blends transparency and alpha
// with a background and hands the result to a picture surface to draw. The public
// members below, in this order, are the class's interface.
#pragma once

#include <cstdint>
#include <string>

#include "png/Decode.h"
#include "png/PictureSurface.h"

namespace dirsheet::png {

class LoadPNG;
// Decodes a file held in memory exactly as OpenPNG decodes a file read from disk.
long OpenPNGFromMemory(LoadPNG& decoder, const uint8_t* bytes, size_t size);

class LoadPNG {
 public:
  long OpenPNG(const std::string& filename);
  long Width() const { return header_.width; }
  long Height() const { return header_.height; }
  long Bitdepht() const { return header_.bitDepth; }
  long ColorType() const { return header_.colourType; }
  long Compression() const { return header_.compression; }
  long filter() const { return header_.filterMethod; }
  long Interlacing() const { return header_.interlace; }
  long ErrorNumber() const { return errorNumber_; }
  bool HaveAlpha() const { return haveAlpha_; }
  bool HaveTransparence() const { return haveTransparence_; }
  void SetTrans(bool vNewValue) { setTrans_ = vNewValue; }
  void SetAlpha(bool vNewValue) { setAlpha_ = vNewValue; }
  bool HasBKGDChunk() const { return hasBkgd_; }
  long BkgdColor() const { return bkgdColor_; }
  std::string Text() const { return text_; }
  std::string zText() const { return zText_; }
  std::string ModiTime() const { return modiTime_; }
  double gama() const { return static_cast<double>(gamma_) / 100000.0; }
  void BackgroundPicture(PictureSurface* vNewValue) { backgroundPicture_ = vNewValue; }
  // The flag is taken and not used: a colour other than 0 is what turns the own colour on.
  void SetOwnBkgndColor(bool /*OwnBkgndOn*/, long BackColor) { ownBkgndColor_ = BackColor; }
  void PicBox(PictureSurface* NewPicBox) { picBox_ = NewPicBox; }
  void SetToBkgrnd(bool SetToBG, long x, long y) {
    setToBG_ = SetToBG;
    x_ = x;
    y_ = y;
  }

 private:
  friend long OpenPNGFromMemory(LoadPNG& decoder, const uint8_t* bytes, size_t size);

  // Decodes the file held at `bytes`, or the one in `owned` (which it may rearrange).
  void Open(const uint8_t* bytes, size_t size, std::vector<uint8_t>* owned);
  void ResetImage();
  void TakeProperties(const PngInfo& info);
  DeviceBitmap Blend(const DeviceBitmap& image32);

  PngDecoder decoder_;

  ImageHeader header_;
  long errorNumber_ = 0;
  bool hasBkgd_ = false;
  long bkgdColor_ = 0;
  bool haveTransparence_ = false;
  bool haveAlpha_ = false;
  std::string text_;
  std::string zText_;
  std::string modiTime_;
  int32_t gamma_ = 0;

  bool setTrans_ = false;
  bool setAlpha_ = false;
  PictureSurface* backgroundPicture_ = nullptr;
  long ownBkgndColor_ = 0;
  PictureSurface* picBox_ = nullptr;
  bool setToBG_ = false;
  long x_ = 0;
  long y_ = 0;
};

}  // namespace dirsheet::png
