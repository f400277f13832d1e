// PNG skin pictures through the program's own PNG decoder.
#include <cstddef>

#include "png/Decode.h"
#include "png/PngError.h"
#include "skin/Image.h"

namespace dirsheet::skin {

bool DecodePng(const std::uint8_t* bytes, std::size_t size, Image& out) {
  png::DecodeOptions options;
  options.format = png::PixelFormat::Rgba;
  options.limits.maxSide = kMaxImageSide;
  options.limits.maxPixels = std::uint64_t(kMaxImagePixels);
  // A skin picture that does not decode fails the load quietly: the decoder's own
  // message is not shown for it.
  options.quiet = true;
  png::DecodedImage image;
  try {
    image = png::DecodePng(bytes, size, options);
  } catch (const png::PngError&) {
    return false;
  }
  out.Width = int(image.Width());
  out.Height = int(image.Height());
  out.Pixels.resize(std::size_t(out.Width) * out.Height);
  const std::uint8_t* p = image.bitmap.pixels.data();
  for (std::size_t i = 0; i < out.Pixels.size(); ++i, p += 4)
    out.Pixels[i] = std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
  return true;
}

}  // namespace dirsheet::skin
