// Shared pieces of the decoder tests: decoding bytes the ways the program does, and what
// libpng's pixels say the results must be.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "LibpngOracle.h"
#include "png/Decode.h"
#include "png/LoadPNG.h"

namespace dirsheet::png::testing {

inline std::string SuitePath(const std::string& name) {
  return std::string(DIRSHEET_TESTDATA) + "/pngsuite/" + name;
}

// 8-bit RGBA through the portable entry point (what the skin and pngdump --pam use).
inline std::vector<uint8_t> DecodeRgba(const std::vector<uint8_t>& file) {
  DecodeOptions options;
  options.format = PixelFormat::Rgba;
  const PixelBytes pixels = DecodePng(file.data(), file.size(), options).bitmap.pixels;
  return std::vector<uint8_t>(pixels.begin(), pixels.end());
}

// One decode the way the main window does it: transparency and alpha on, drawn into a
// memory surface, blended against a background of one colour (0x00BBGGRR).
struct Drawn {
  long errorNumber = 0;
  std::vector<uint8_t> rgb;  // drawn colours as top-down RGB
  int bits = 0;
};

inline Drawn DecodeDrawn(const std::vector<uint8_t>& file, uint32_t background) {
  LoadPNG decoder;
  MemorySurface target, backgroundBox(background);
  decoder.PicBox(&target);
  decoder.BackgroundPicture(&backgroundBox);
  decoder.SetAlpha(true);
  decoder.SetTrans(true);
  OpenPNGFromMemory(decoder, file.data(), file.size());
  Drawn d;
  d.errorNumber = decoder.ErrorNumber();
  if (target.Drawn()) {
    d.rgb = DeviceBitmapToRgb(*target.Drawn());
    d.bits = target.Drawn()->header.biBitCount;
  }
  return d;
}

// Whether `drawn` (top-down RGB) shows libpng's RGBA blended over `background`
// (0x00BBGGRR): every channel within one step of the exact blend
// (colour * alpha + background * (255 - alpha)) / 255, which makes opaque and fully
// transparent pixels exact. (The decoder's own rounding is pinned by hand-computed
// pixels in decoder_test.) A 1-bit palette image drawn without blending shows black and
// white unless its palette has exactly two entries.
inline ::testing::AssertionResult DrawnAsBlended(const std::vector<uint8_t>& drawn,
                                                 const OracleImage& oracle,
                                                 const std::vector<uint8_t>& file,
                                                 uint32_t background) {
  const double bg[3] = {static_cast<double>(background & 0xFF),
                        static_cast<double>((background >> 8) & 0xFF),
                        static_cast<double>((background >> 16) & 0xFF)};
  const std::vector<uint8_t>& rgba = oracle.rgba;
  const size_t pixels = rgba.size() / 4;
  if (drawn.size() != 3 * pixels)
    return ::testing::AssertionFailure()
           << drawn.size() << " bytes drawn for " << pixels << " pixels";
  // IHDR's depth, colour type and interlace method, and whether a tRNS chunk comes.
  const bool monoPalette = file.size() > 28 && file[24] == 1 && file[25] == 3 && file[28] == 0;
  const bool trns =
      std::search(file.begin(), file.end(), std::begin("tRNS"), std::end("tRNS") - 1) != file.end();
  const bool blackAndWhite = monoPalette && !trns && oracle.paletteEntries != 2;
  for (size_t i = 0; i < pixels; ++i) {
    const double a = rgba[4 * i + 3];
    for (int c = 0; c < 3; ++c) {
      const double want = blackAndWhite ? (oracle.indices[i] ? 255.0 : 0.0)
                                        : (rgba[4 * i + c] * a + bg[c] * (255 - a)) / 255;
      if (std::fabs(drawn[3 * i + c] - want) >= 1)
        return ::testing::AssertionFailure() << "pixel " << i << " channel " << c << ": drawn "
                                             << int(drawn[3 * i + c]) << ", blend " << want;
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace dirsheet::png::testing
