#include "png/LoadPNG.h"

#include <algorithm>
#include <utility>

#include "png/PixelSteps.h"
#include "png/PngError.h"

namespace dirsheet::png {

long OpenPNGFromMemory(LoadPNG& decoder, const uint8_t* bytes, size_t size) {
  decoder.ResetImage();
  decoder.Open(bytes, size, nullptr);
  return 0;
}

long LoadPNG::OpenPNG(const std::string& filename) {
  ResetImage();  // also when this file cannot be read
  std::vector<uint8_t> bytes = ReadPngFile(filename, DecodeLimits{}.maxInputBytes);
  Open(bytes.data(), bytes.size(), &bytes);
  return 0;
}

// The properties of one image replace those of the previous one; the texts accumulate
// over the files the object opens (up to kMaxTextBytes each).
void LoadPNG::TakeProperties(const PngInfo& info) {
  header_ = info.header;
  hasBkgd_ = info.hasBackground;
  bkgdColor_ = info.backgroundColour;
  haveTransparence_ = info.hasTransparency;
  modiTime_ = info.modificationTime;
  gamma_ = info.gamma;
  text_ += info.text;
  zText_ += info.compressedText;
}

// Every property of the previous image goes; the error number stays until a failure.
void LoadPNG::ResetImage() {
  TakeProperties(PngInfo{});
  haveAlpha_ = false;
}

// The previous image's properties are already reset by the entry points.
void LoadPNG::Open(const uint8_t* bytes, size_t size, std::vector<uint8_t>* owned) {
  DecodeOptions options;
  options.format = PixelFormat::DeviceBitmap;
  options.applyTransparency = setTrans_;
  options.applyAlpha = setAlpha_;
  options.textRoom = kMaxTextBytes - std::min(kMaxTextBytes, text_.size());
  options.compressedTextRoom = kMaxTextBytes - std::min(kMaxTextBytes, zText_.size());
  DecodedImage image;
  try {
    image =
        owned ? decoder_.Decode(std::move(*owned), options) : decoder_.Decode(bytes, size, options);
  } catch (const PngError& e) {
    TakeProperties(decoder_.Info());
    // A bad signature, a chunk past the end of the file and missing image data are
    // reported through the error number and draw nothing; the rest goes to the caller.
    if (e.ErrorNumber() == 0) throw;
    errorNumber_ = e.ErrorNumber();
    return;
  }
  TakeProperties(decoder_.Info());
  haveAlpha_ = header_.colourType == 4 || header_.colourType == 6;
  if (image.toBlend) image.bitmap = Blend(image.bitmap);
  if (!picBox_) throw PngError(PngError::Kind::NoTarget, "no picture box to draw into");
  picBox_->ShowDeviceBitmap(std::move(image.bitmap), x_, y_, setToBG_);
}

// Blends a 32-bit image (bottom row first) with the background picture, or with a solid
// colour: the own background colour unless it is 0, else the bKGD colour.
DeviceBitmap LoadPNG::Blend(const DeviceBitmap& image32) {
  const long w = header_.width, h = header_.height;
  const uint32_t solid = static_cast<uint32_t>(ownBkgndColor_ != 0 ? ownBkgndColor_ : bkgdColor_);
  if (!backgroundPicture_) return BlendOverColour(image32, w, h, solid);
  PictureSurface& bg = *backgroundPicture_;
  // A background smaller than the image is widened first (sizes in twips).
  if (bg.Width() < bg.TwipsPerPixelX() * w) bg.SetWidth(bg.TwipsPerPixelX() * w + 100);
  if (bg.Height() < bg.TwipsPerPixelY() * h) bg.SetHeight(bg.TwipsPerPixelY() * h + 100);
  DeviceBitmap out;
  out.header = DescribeDeviceBitmap(w, h, 24, false);
  out.pixels.assign(AlignedRowBytes(w, 24) * static_cast<size_t>(h), 0);
  if (!bg.CaptureBackground(x_, y_, w, h, out.pixels.data()))
    return BlendOverColour(image32, w, h, solid);
  CompositeWithBackground(image32.pixels.data(), w, h, out.pixels.data());
  return out;
}

}  // namespace dirsheet::png
