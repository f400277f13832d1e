// PNG skin pictures through the program's own PNG decoder.
#include <cstddef>

#include "png/LoadPNG.h"
#include "png/Notify.h"
#include "png/PngError.h"
#include "png/Scanlines.h"
#include "skin/Image.h"

namespace dirsheet::skin {

namespace {

// Takes the unfiltered image as the decoder hands it over, before any drawing.
class Keep : public png::DecodeObserver {
 public:
  void OnScanlines(const png::DecodedImage& image) override {
    // The conversion to RGBA reads a whole image's worth of samples: an image whose data
    // came out short (a damaged file) is refused here rather than read past its end.
    const png::ImageHeader& h = image.header;
    const long bpp = png::BitsPerPixel(h);
    if (h.width <= 0 || h.height <= 0 || bpp <= 0) return;
    const std::uint64_t w = std::uint64_t(h.width), rows = std::uint64_t(h.height);
    std::uint64_t need;
    if (h.interlace == 1)
      need = bpp < 8 ? w * rows : w * rows * std::uint64_t(bpp / 8);
    else
      need = png::PackedRowBytes(h.width, bpp) * rows;
    if (image.pixels.size() < need) return;
    width = image.header.width;
    height = image.header.height;
    rgba = png::ToRgba(image);
    got = true;
  }
  long width = 0, height = 0;
  std::vector<std::uint8_t> rgba;
  bool got = false;
};

}  // namespace

bool DecodePng(const std::uint8_t* bytes, std::size_t size, Image& out) {
  Keep keep;
  png::LoadPNG decoder(&keep);
  // A skin picture that does not decode fails the load quietly: the decoder's own
  // message is not shown for it.
  png::NotificationHook previous = png::SetNotificationHook([](const std::string&) {});
  try {
    png::OpenPNGFromMemory(decoder, bytes, size);
  } catch (const png::PngError&) {
    // Without a picture box the decoder stops after handing over the image.
  } catch (const std::exception&) {
    keep.got = false;
  }
  png::SetNotificationHook(previous);
  if (!keep.got || decoder.ErrorNumber() != 0) return false;
  if (keep.width <= 0 || keep.height <= 0 || keep.width > kMaxImageSide ||
      keep.height > kMaxImageSide || std::int64_t(keep.width) * keep.height > kMaxImagePixels ||
      keep.rgba.size() < std::size_t(keep.width) * std::size_t(keep.height) * 4)
    return false;
  out.Width = int(keep.width);
  out.Height = int(keep.height);
  out.Pixels.resize(std::size_t(out.Width) * out.Height);
  for (std::size_t i = 0; i < out.Pixels.size(); ++i) {
    const std::uint8_t* p = &keep.rgba[4 * i];
    out.Pixels[i] = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
  }
  return true;
}

}  // namespace dirsheet::skin
