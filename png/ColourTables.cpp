#include "png/ColourTables.h"

#include <algorithm>
#include <cmath>

namespace dirsheet::png::CBitmap {

std::array<RgbQuad, 2>& Table1() {
    static std::array<RgbQuad, 2> table;
    return table;
}
std::array<RgbQuad, 16>& Table4() {
    static std::array<RgbQuad, 16> table;
    return table;
}
std::array<RgbQuad, 256>& Table8() {
    static std::array<RgbQuad, 256> table;
    return table;
}

namespace {

RgbQuad Quad(uint8_t r, uint8_t g, uint8_t b) {
    RgbQuad q;
    q.red = r;
    q.green = g;
    q.blue = b;
    return q;
}

template <size_t N>
void FromPalette(std::array<RgbQuad, N>& table, const std::vector<uint8_t>& palette) {
    // A table is rebuilt whole: entries the palette does not reach are black, never
    // left over from the image drawn before.
    table.fill(RgbQuad{});
    const size_t entries = std::min(N, palette.size() / 3);
    for (size_t i = 0; i < entries; ++i) table[i] = Quad(palette[3 * i], palette[3 * i + 1], palette[3 * i + 2]);
}

template <size_t N>
void WriteRamp(std::array<RgbQuad, N>& table, const std::vector<Rgb>& ramp) {
    table.fill(RgbQuad{});
    for (size_t i = 0; i < ramp.size() && i < N; ++i) table[i] = Quad(ramp[i].red, ramp[i].green, ramp[i].blue);
}

}  // namespace

std::vector<Rgb> GreyRamp(long depth) {
    if (depth < 1 || depth > 16) return {};
    const size_t entries = depth >= 8 ? 256 : size_t{1} << depth;
    const int step = static_cast<int>(std::nearbyint(255.0 / static_cast<double>(entries - 1)));
    std::vector<Rgb> ramp(entries);
    for (size_t i = 0; i < entries; ++i) {
        const uint8_t v = static_cast<uint8_t>(i * static_cast<size_t>(step));
        ramp[i] = Rgb{v, v, v};
    }
    return ramp;
}

std::vector<Rgb> MakeGreyRamp(long depth, bool into8BitTable) {
    std::vector<Rgb> ramp = GreyRamp(depth);
    switch (depth) {
        case 1:
            if (into8BitTable) WriteRamp(Table8(), ramp);
            break;
        case 2:
        case 8:
            WriteRamp(Table8(), ramp);
            break;
        case 4:
            if (into8BitTable) WriteRamp(Table8(), ramp);
            else WriteRamp(Table4(), ramp);
            break;
        default:
            break;
    }
    return ramp;
}

void SetMonoTable(int mode) {
    auto& t = Table1();
    if (mode == 0) {
        t[0] = Quad(255, 255, 255);
        t[1] = Quad(0, 0, 0);
    } else if (mode == 1) {
        t[0] = Quad(0, 0, 0);
        t[1] = Quad(255, 255, 255);
    } else {
        t[0] = t[1] = Quad(0, 0, 0);
    }
}

void SetTableFromPalette1(const std::vector<uint8_t>& palette) {
    if (palette.size() / 3 == 2) FromPalette(Table1(), palette);
    else SetMonoTable(1);
}
void SetTableFromPalette4(const std::vector<uint8_t>& palette) { FromPalette(Table4(), palette); }
void SetTableFromPalette8(const std::vector<uint8_t>& palette) { FromPalette(Table8(), palette); }

std::vector<RgbQuad> TableFor(int bits) {
    switch (bits) {
        case 1: return {Table1().begin(), Table1().end()};
        case 4: return {Table4().begin(), Table4().end()};
        case 8: return {Table8().begin(), Table8().end()};
        default: return {};
    }
}

}  // namespace dirsheet::png::CBitmap
