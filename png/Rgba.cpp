#include "png/LoadPNG.h"

#include "png/ColourTables.h"

namespace dirsheet::png {

namespace {

// Reads the samples of one pixel of the scanline result, whichever path made it.
class SampleReader {
public:
    explicit SampleReader(const DecodedImage& image)
        : img_(image), bpp_(BitsPerPixel(image.header)), interlaced_(image.header.interlace == 1),
          rowBytes_(static_cast<size_t>(PackedRowBytes(image.header.width, bpp_))) {}

    // Sample `channel` of pixel (x, y) at its full width (up to 16 bits).
    unsigned Sample(long x, long y, int channel) const {
        const long depth = img_.header.bitDepth;
        const size_t w = static_cast<size_t>(img_.header.width);
        if (bpp_ < 8) {
            if (interlaced_) return img_.pixels[static_cast<size_t>(y) * w + static_cast<size_t>(x)];
            const size_t bit = static_cast<size_t>(x) * static_cast<size_t>(depth);
            const uint8_t byte = img_.pixels[static_cast<size_t>(y) * rowBytes_ + bit / 8];
            return (byte >> (8 - depth - static_cast<long>(bit % 8))) & ((1u << depth) - 1);
        }
        const size_t pixelBytes = static_cast<size_t>(bpp_ / 8);
        const size_t rowStart = interlaced_ ? static_cast<size_t>(y) * w * pixelBytes : static_cast<size_t>(y) * rowBytes_;
        const size_t sampleBytes = depth == 16 ? 2 : 1;
        const uint8_t* p = img_.pixels.data() + rowStart + static_cast<size_t>(x) * pixelBytes + channel * sampleBytes;
        return depth == 16 ? (p[0] << 8) | p[1] : p[0];
    }

private:
    const DecodedImage& img_;
    long bpp_;
    bool interlaced_;
    size_t rowBytes_;
};

unsigned Key(const std::vector<uint8_t>& trns, int i) { return (trns[2 * i] << 8) | trns[2 * i + 1]; }

}  // namespace

std::vector<uint8_t> ToRgba(const DecodedImage& image) {
    const ImageHeader& h = image.header;
    const long depth = h.bitDepth;
    const std::vector<uint8_t>& trns = image.transparency;
    const SampleReader reader(image);
    const std::vector<Rgb> ramp = CBitmap::GreyRamp(depth);
    auto to8 = [depth](unsigned v) { return static_cast<uint8_t>(depth == 16 ? v >> 8 : v); };

    std::vector<uint8_t> rgba(static_cast<size_t>(h.width) * static_cast<size_t>(h.height) * 4);
    uint8_t* o = rgba.data();
    for (long y = 0; y < h.height; ++y) {
        for (long x = 0; x < h.width; ++x, o += 4) {
            o[3] = 255;
            switch (h.colourType) {
                case 0: {
                    const unsigned v = reader.Sample(x, y, 0);
                    o[0] = o[1] = o[2] = depth == 16 ? to8(v) : (v < ramp.size() ? ramp[v].red : 0);
                    if (trns.size() >= 2 && v == Key(trns, 0)) o[3] = 0;
                    break;
                }
                case 2: {
                    unsigned v[3];
                    for (int c = 0; c < 3; ++c) o[c] = to8(v[c] = reader.Sample(x, y, c));
                    if (trns.size() >= 6 && v[0] == Key(trns, 0) && v[1] == Key(trns, 1) && v[2] == Key(trns, 2))
                        o[3] = 0;
                    break;
                }
                case 3: {
                    const unsigned v = reader.Sample(x, y, 0);
                    const bool known = 3 * v + 2 < image.palette.size();
                    for (int c = 0; c < 3; ++c) o[c] = known ? image.palette[3 * v + c] : 0;
                    if (v < trns.size()) o[3] = trns[v];
                    break;
                }
                case 4:
                    o[0] = o[1] = o[2] = to8(reader.Sample(x, y, 0));
                    o[3] = to8(reader.Sample(x, y, 1));
                    break;
                case 6:
                    for (int c = 0; c < 4; ++c) o[c] = to8(reader.Sample(x, y, c));
                    break;
                default:
                    break;
            }
        }
    }
    return rgba;
}

}  // namespace dirsheet::png
