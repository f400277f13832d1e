// The pixel conversion: which steps turn the rows of an image of a given colour type and
// bit depth into the rows of the destination, and the row sink that runs them, one row
// at a time, straight into the destination image.
#pragma once

#include <cstdint>
#include <vector>

#include "png/Decode.h"
#include "png/PixelSteps.h"
#include "png/Scanlines.h"

namespace dirsheet::png {

class ColourTables;

class Conversion : public RowSink {
 public:
  // Chooses the steps, the drawn bit count, the colour table and the row order.
  Conversion(const PngInfo& info, const DecodeOptions& options);

  // Makes the destination rows; called once the image data is known to be complete.
  void Allocate();
  uint8_t* Target(const Pass& pass, uint64_t y) override;
  void Row(const Pass& pass, uint64_t y, const uint8_t* row) override;
  DecodedImage Take() { return std::move(image_); }

 private:
  enum class Step {
    Copy,          // 8-bit indices or grey levels, or packed rows kept packed
    Widen,         // samples of 1, 2 or 4 bits to one byte each
    ReduceTo8Bit,  // 16-bit grey to its high byte
    SwapRedBlue8,  // truecolour to blue, green, red
    SwapRedBlue16,
    IndexToQuad,  // indices or grey levels (widened first below 8 bits) through a quad table
    Grey16ToQuad,
    RgbToQuad8,  // truecolour with its tRNS key to quads
    RgbToQuad16,
    GreyAlphaToQuad8,
    GreyAlphaToQuad16,
    RgbaToQuad8,
    RgbaToQuad16,
  };

  void ChooseDeviceSteps(const PngInfo& info, const DecodeOptions& options);
  void ChooseGreySteps(const PngInfo& info, bool trans, ColourTables& tables);
  void ChooseTruecolourSteps(const PngInfo& info, bool trans);
  void ChoosePaletteSteps(const PngInfo& info, bool trans, ColourTables& tables);
  void ChooseRgbaSteps(const PngInfo& info);
  void BuildQuadTable(const std::vector<uint8_t>& colours, size_t entries,
                      const std::vector<uint8_t>& alpha);
  void Convert(const uint8_t* src, size_t n, uint8_t* dst);
  uint8_t* DestinationRow(const Pass& pass, uint64_t y);

  ImageHeader header_;
  Step step_ = Step::Copy;
  bool bgr_ = true;  // quads blue, green, red, alpha (a device bitmap) or red first
  int bits_ = 0;     // bits per pixel of the destination
  bool topRowFirst_ = true;
  size_t stride_ = 0;
  size_t rowBytes_ = 0;   // bytes of one destination row before its padding
  unsigned key_[3] = {};  // tRNS key of grey and truecolour images
  bool hasKey_ = false;
  alignas(4) QuadTable quads_ = {};
  std::vector<uint8_t> widened_;  // one pass row widened to a byte per sample
  std::vector<uint8_t> scratch_;  // one converted pass row before it is spread out
  DecodedImage image_;
};

}  // namespace dirsheet::png
