// Shared pieces of the decoder tests: decoding a file or bytes into memory surfaces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "png/LoadPNG.h"

namespace dirsheet::png::testing {

inline std::string SuitePath(const std::string& name) { return std::string(DIRSHEET_TESTDATA) + "/pngsuite/" + name; }

class RgbaKeeper : public DecodeObserver {
public:
    void OnScanlines(const DecodedImage& image) override {
        rgba = ToRgba(image);
        ++calls;
    }
    std::vector<uint8_t> rgba;
    int calls = 0;
};

// One decode the way the main window does it: transparency and alpha on, drawn into a
// memory surface, blended against `background` when given.
struct Decoded {
    long errorNumber = 0;
    std::vector<uint8_t> rgba;   // before blending
    std::vector<uint8_t> drawn;  // drawn colours as top-down RGB
    int bits = 0;
};

inline Decoded DecodeFile(const std::string& path, PictureSurface* background) {
    RgbaKeeper keeper;
    LoadPNG decoder(&keeper);
    MemorySurface target;
    decoder.PicBox(&target);
    decoder.BackgroundPicture(background);
    decoder.SetAlpha(true);
    decoder.SetTrans(true);
    decoder.OpenPNG(path);
    Decoded d;
    d.errorNumber = decoder.ErrorNumber();
    d.rgba = keeper.rgba;
    if (target.Drawn()) {
        d.drawn = DeviceBitmapToRgb(*target.Drawn());
        d.bits = target.Drawn()->header.biBitCount;
    }
    return d;
}

}  // namespace dirsheet::png::testing
