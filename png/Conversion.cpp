#include "png/Conversion.h"

#include <cstring>

#include "png/ColourTables.h"

namespace dirsheet::png {

namespace {

// The grey ramp of a bit depth as palette bytes: red, green, blue per entry.
std::vector<uint8_t> RampColours(long depth) {
  std::vector<uint8_t> colours;
  for (const Rgb& c : GreyRamp(depth)) colours.insert(colours.end(), {c.red, c.green, c.blue});
  return colours;
}

unsigned Be16(const std::vector<uint8_t>& d, size_t at) { return (d[at] << 8) | d[at + 1]; }

// Copies `n` pixels of `bytes` bytes each to every `step` bytes of `to`.
template <size_t kBytes>
void Spread(const uint8_t* from, size_t n, uint8_t* to, size_t step) {
  for (size_t k = 0; k < n; ++k, from += kBytes, to += step) std::memcpy(to, from, kBytes);
}

}  // namespace

Conversion::Conversion(const PngInfo& info, const DecodeOptions& options) : header_(info.header) {
  image_.format = options.format;
  if (options.format == PixelFormat::Rgba)
    ChooseRgbaSteps(info);
  else
    ChooseDeviceSteps(info, options);
  const long w = header_.width, h = header_.height;
  stride_ =
      options.format == PixelFormat::Rgba ? static_cast<size_t>(w) * 4 : AlignedRowBytes(w, bits_);
  image_.bitmap.header = DescribeDeviceBitmap(w, h, bits_, topRowFirst_);
}

// The conversion table of the device bitmap, by colour type and bit depth: what is
// drawn at 1, 4, 8, 24 or 32 bits, with which colour table, in which row order.
// Transparency (a tRNS chunk with the option on) and alpha (colour types 4 and 6 with
// the option on) make a 32-bit image to blend, bottom row first.
void Conversion::ChooseDeviceSteps(const PngInfo& info, const DecodeOptions& options) {
  const long depth = header_.bitDepth;
  const bool trans = info.hasTransparency && options.applyTransparency;
  ColourTables tables;
  bgr_ = true;
  switch (header_.colourType) {
    case 0:
      ChooseGreySteps(info, trans, tables);
      break;
    case 2:
      ChooseTruecolourSteps(info, trans);
      break;
    case 3:
      ChoosePaletteSteps(info, trans, tables);
      break;
    case 4:
      step_ = depth == 16 ? Step::GreyAlphaToQuad16 : Step::GreyAlphaToQuad8;
      topRowFirst_ = false;
      image_.toBlend = options.applyAlpha;
      bits_ = 32;
      break;
    case 6:
      step_ = depth == 16 ? Step::RgbaToQuad16 : Step::RgbaToQuad8;
      topRowFirst_ = false;
      image_.toBlend = options.applyAlpha;
      bits_ = 32;
      break;
    default:
      break;
  }
  if (trans && header_.colourType != 4 && header_.colourType != 6) {
    // Blended images are bottom row first, like the background they are blended with.
    image_.toBlend = true;
    topRowFirst_ = false;
    bits_ = 32;
  }
  image_.bitmap.colours = tables.TableFor(bits_);
}

// Grey images: 1, 4 and 8 bits stay packed unless interlaced, 2 and 16 bits become one
// byte per pixel; with transparency every depth goes through a quad table.
void Conversion::ChooseGreySteps(const PngInfo& info, bool trans, ColourTables& tables) {
  const long depth = header_.bitDepth;
  const std::vector<uint8_t>& trns = info.transparency;
  if (trans && depth == 16) {
    // The key is matched against the whole 16-bit sample.
    step_ = Step::Grey16ToQuad;
    hasKey_ = trns.size() >= 2;
    if (hasKey_) key_[0] = Be16(trns, 0);
  } else if (trans) {
    // Colours from the grey ramp; the transparent grey level is the tRNS value.
    std::vector<uint8_t> alpha(size_t{1} << depth, 255);
    if (trns.size() >= 2 && Be16(trns, 0) < alpha.size()) alpha[Be16(trns, 0)] = 0;
    BuildQuadTable(RampColours(depth), alpha.size(), alpha);
    step_ = Step::IndexToQuad;
  } else if (depth == 16) {
    tables.MakeGreyRamp(8, false);
    step_ = Step::ReduceTo8Bit;
    bits_ = 8;
  } else if (depth == 2) {
    tables.MakeGreyRamp(2, false);
    step_ = Step::Widen;
    bits_ = 8;
  } else if (header_.interlace != 1) {
    tables.MakeGreyRamp(depth, false);
    if (depth == 1) tables.SetMonoTable(1);
    step_ = Step::Copy;  // 1, 4 and 8 bits stay packed
    bits_ = static_cast<int>(depth);
  } else {
    tables.MakeGreyRamp(depth, true);
    step_ = depth == 8 ? Step::Copy : Step::Widen;
    bits_ = 8;
  }
}

// Truecolour: 24-bit blue, green, red, or quads matched against the tRNS key.
void Conversion::ChooseTruecolourSteps(const PngInfo& info, bool trans) {
  const long depth = header_.bitDepth;
  const std::vector<uint8_t>& trns = info.transparency;
  if (trans) {
    // At 8 bits the key is the low byte of each tRNS value; at 16 bits the whole value.
    hasKey_ = trns.size() >= 6;
    for (int c = 0; hasKey_ && c < 3; ++c)
      key_[c] = depth == 16 ? Be16(trns, 2 * c) : trns[2 * c + 1];
    step_ = depth == 16 ? Step::RgbToQuad16 : Step::RgbToQuad8;
  } else {
    step_ = depth == 16 ? Step::SwapRedBlue16 : Step::SwapRedBlue8;
    bits_ = 24;
  }
}

// Palette images: 1 and 4 bits stay packed unless interlaced, the others become 8-bit
// indices; with transparency the palette and tRNS alphas make a quad table.
void Conversion::ChoosePaletteSteps(const PngInfo& info, bool trans, ColourTables& tables) {
  const long depth = header_.bitDepth;
  const bool interlaced = header_.interlace == 1;
  if (trans) {
    BuildQuadTable(info.palette, info.palette.size() / 3, info.transparency);
    step_ = Step::IndexToQuad;
  } else if (!interlaced && depth == 1) {
    tables.SetTableFromPalette1(info.palette);
    step_ = Step::Copy;
    bits_ = 1;
  } else if (!interlaced && depth == 4) {
    tables.SetTableFromPalette4(info.palette);
    step_ = Step::Copy;
    bits_ = 4;
  } else {
    tables.SetTableFromPalette8(info.palette);
    step_ = depth == 8 ? Step::Copy : Step::Widen;
    bits_ = 8;
  }
}

// RGBA: every colour type to red, green, blue, alpha; tRNS keys are matched against the
// whole sample value.
void Conversion::ChooseRgbaSteps(const PngInfo& info) {
  const long depth = header_.bitDepth;
  const std::vector<uint8_t>& trns = info.transparency;
  bgr_ = false;
  bits_ = 32;
  switch (header_.colourType) {
    case 0:
      hasKey_ = trns.size() >= 2;
      if (hasKey_) key_[0] = Be16(trns, 0);
      if (depth == 16) {
        step_ = Step::Grey16ToQuad;
      } else {
        std::vector<uint8_t> alpha(size_t{1} << depth, 255);
        if (hasKey_ && key_[0] < alpha.size()) alpha[key_[0]] = 0;
        BuildQuadTable(RampColours(depth), alpha.size(), alpha);
        step_ = Step::IndexToQuad;
      }
      break;
    case 2:
      hasKey_ = trns.size() >= 6;
      for (int c = 0; hasKey_ && c < 3; ++c) key_[c] = Be16(trns, 2 * c);
      step_ = depth == 16 ? Step::RgbToQuad16 : Step::RgbToQuad8;
      break;
    case 3:
      BuildQuadTable(info.palette, info.palette.size() / 3, trns);
      step_ = Step::IndexToQuad;
      break;
    case 4:
      step_ = depth == 16 ? Step::GreyAlphaToQuad16 : Step::GreyAlphaToQuad8;
      break;
    case 6:
      step_ = depth == 16 ? Step::RgbaToQuad16 : Step::Copy;  // 8-bit RGBA is already the result
      break;
    default:
      break;
  }
}

// Entry i: colour i of `colours` (black beyond them), alpha i of `alpha` (255 beyond).
void Conversion::BuildQuadTable(const std::vector<uint8_t>& colours, size_t entries,
                                const std::vector<uint8_t>& alpha) {
  for (size_t i = 0; i < 256; ++i) {
    uint8_t rgb[3] = {0, 0, 0};
    if (i < entries && 3 * i + 2 < colours.size()) std::memcpy(rgb, &colours[3 * i], 3);
    quads_[i][bgr_ ? 2 : 0] = rgb[0];
    quads_[i][1] = rgb[1];
    quads_[i][bgr_ ? 0 : 2] = rgb[2];
    quads_[i][3] = i < alpha.size() ? alpha[i] : 255;
  }
}

void Conversion::Allocate() {
  const size_t height = static_cast<size_t>(header_.height),
               width = static_cast<size_t>(header_.width);
  // Not cleared: every row is written, its padding included, and an interlaced image's
  // passes cover every pixel.
  image_.bitmap.pixels.resize(stride_ * height);
  rowBytes_ = static_cast<size_t>(PackedRowBytes(header_.width, bits_));
  if (header_.bitDepth < 8) widened_.resize(width);
  if (header_.interlace == 1) scratch_.resize(width * 4);
}

void Conversion::Convert(const uint8_t* src, size_t n, uint8_t* dst) {
  const long depth = header_.bitDepth;
  switch (step_) {
    case Step::Copy:
      std::memcpy(dst, src,
                  static_cast<size_t>(PackedRowBytes(static_cast<long>(n), BitsPerPixel(header_))));
      break;
    case Step::Widen:
      WidenSamples(src, depth, n, dst);
      break;
    case Step::ReduceTo8Bit:
      ReduceTo8Bit(src, dst, n);
      break;
    case Step::SwapRedBlue8:
      SwapRedBlue<1>(src, dst, n);
      break;
    case Step::SwapRedBlue16:
      SwapRedBlue<2>(src, dst, n);
      break;
    case Step::IndexToQuad:
      if (depth < 8) {
        WidenSamples(src, depth, n, widened_.data());
        src = widened_.data();
      }
      IndexToQuad(src, dst, n, quads_);
      break;
    case Step::Grey16ToQuad:
      Grey16ToQuad(src, dst, n, hasKey_, key_[0]);
      break;
    case Step::RgbToQuad8:
      if (bgr_)
        ApplyRGBTransparency<1, true>(src, dst, n, hasKey_, key_);
      else
        ApplyRGBTransparency<1, false>(src, dst, n, hasKey_, key_);
      break;
    case Step::RgbToQuad16:
      if (bgr_)
        ApplyRGBTransparency<2, true>(src, dst, n, hasKey_, key_);
      else
        ApplyRGBTransparency<2, false>(src, dst, n, hasKey_, key_);
      break;
    case Step::GreyAlphaToQuad8:
      GreyAlphaToBGRA<1>(src, dst, n);
      break;
    case Step::GreyAlphaToQuad16:
      GreyAlphaToBGRA<2>(src, dst, n);
      break;
    case Step::RgbaToQuad8:  // device rows only: RGBA rows of 8 bits are copied
      RgbaToQuad<1, true>(src, dst, n);
      break;
    case Step::RgbaToQuad16:
      if (bgr_)
        RgbaToQuad<2, true>(src, dst, n);
      else
        RgbaToQuad<2, false>(src, dst, n);
      break;
  }
}

uint8_t* Conversion::DestinationRow(const Pass& pass, uint64_t y) {
  const uint64_t imageRow =
      static_cast<uint64_t>(pass.yStart) + y * static_cast<uint64_t>(pass.yStep);
  const uint64_t height = static_cast<uint64_t>(header_.height);
  return image_.bitmap.pixels.data() + stride_ * (topRowFirst_ ? imageRow : height - 1 - imageRow);
}

// Rows whose unfiltered bytes are already the result are undone straight into place.
uint8_t* Conversion::Target(const Pass& pass, uint64_t y) {
  return step_ == Step::Copy && pass.xStep == 1 ? DestinationRow(pass, y) : nullptr;
}

void Conversion::Row(const Pass& pass, uint64_t y, const uint8_t* row) {
  uint8_t* dst = DestinationRow(pass, y);
  std::memset(dst + rowBytes_, 0, stride_ - rowBytes_);  // the padding to 4 bytes
  if (row == dst) return;
  const size_t n = static_cast<size_t>(pass.width);
  if (pass.xStep == 1) {
    Convert(row, n, dst);
    return;
  }
  // An Adam7 pass row: converted whole, then spread to its columns (interlaced images
  // are drawn at 8 bits or more, so every pixel has whole bytes).
  Convert(row, n, scratch_.data());
  const size_t bytes = static_cast<size_t>(bits_ / 8);
  uint8_t* to = dst + static_cast<size_t>(pass.xStart) * bytes;
  const size_t step = static_cast<size_t>(pass.xStep) * bytes;
  switch (bytes) {
    case 1:
      Spread<1>(scratch_.data(), n, to, step);
      break;
    case 3:
      Spread<3>(scratch_.data(), n, to, step);
      break;
    default:
      Spread<4>(scratch_.data(), n, to, step);
      break;
  }
}

}  // namespace dirsheet::png
