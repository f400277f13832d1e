// libFuzzer target: a whole PNG file from memory through the decoder, in both pixel
// formats, and through LoadPNG with transparency and alpha blended into memory
// surfaces. Malformed input may throw PngError; anything else (a crash, a sanitizer
// report, another exception) is a finding.
#include <cstddef>
#include <cstdint>

#include "png/LoadPNG.h"
#include "png/Notify.h"
#include "png/PngError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace dirsheet::png;
  static const bool quiet = (SetNotificationHook([](const std::string&) {}), true);
  (void)quiet;
  // Caps small enough that a run stays fast: a fuzzer finds the same paths in small images.
  DecodeOptions options;
  options.limits.maxPixels = 1u << 20;
  options.format = PixelFormat::Rgba;
  try {
    DecodePng(data, size, options);
  } catch (const PngError& e) {
    // LoadPNG decodes with the full caps: an image beyond the small ones would only
    // slow the run down.
    if (e.kind() == PngError::Kind::LimitExceeded) return 0;
  }
  MemorySurface target;
  MemorySurface background(0x00336699u);
  LoadPNG decoder;
  decoder.PicBox(&target);
  decoder.BackgroundPicture(&background);
  decoder.SetAlpha(true);
  decoder.SetTrans(true);
  try {
    OpenPNGFromMemory(decoder, data, size);
    // A second decode on the same object reuses the fixed tables and the text.
    decoder.BackgroundPicture(nullptr);
    decoder.SetToBkgrnd(false, 1, 1);
    OpenPNGFromMemory(decoder, data, size);
  } catch (const PngError&) {
  }
  return 0;
}
