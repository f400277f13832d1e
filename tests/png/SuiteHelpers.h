// Shared pieces of the decoder tests: decoding bytes the ways the program does, and what
// libpng's pixels say the results must be.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "LibpngOracle.h"
#include "png/Decode.h"
#include "png/LoadPNG.h"

namespace dirsheet::png::testing {

inline std::string SuitePath(const std::string& name) { return std::string(DIRSHEET_TESTDATA) + "/pngsuite/" + name; }

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

// The colours libpng's RGBA gives when blended over `background` (0x00BBGGRR) with the
// decoder's rounding. A 1-bit palette image drawn without blending shows black and
// white unless its palette has exactly two entries.
inline std::vector<uint8_t> ExpectedDrawn(const OracleImage& oracle, const std::vector<uint8_t>& file,
                                          uint32_t background) {
    const uint8_t bg[3] = {static_cast<uint8_t>(background), static_cast<uint8_t>(background >> 8),
                           static_cast<uint8_t>(background >> 16)};
    const std::vector<uint8_t>& rgba = oracle.rgba;
    std::vector<uint8_t> out(rgba.size() / 4 * 3);
    for (size_t i = 0; i < rgba.size() / 4; ++i) {
        const unsigned a = rgba[4 * i + 3];
        for (int c = 0; c < 3; ++c) {
            const unsigned s = rgba[4 * i + c];
            out[3 * i + c] = a == 255 ? s : a == 0 ? bg[c] : static_cast<uint8_t>((s * a + bg[c] * (255 - a) + 255) >> 8);
        }
    }
    // IHDR's depth, colour type and interlace method, and whether a tRNS chunk comes.
    const bool monoPalette = file.size() > 28 && file[24] == 1 && file[25] == 3 && file[28] == 0;
    const bool trns = std::search(file.begin(), file.end(), std::begin("tRNS"), std::end("tRNS") - 1) != file.end();
    if (monoPalette && !trns && oracle.paletteEntries != 2)
        for (size_t i = 0; i < oracle.indices.size(); ++i) std::fill_n(out.begin() + 3 * i, 3, oracle.indices[i] ? 255 : 0);
    return out;
}

}  // namespace dirsheet::png::testing
