#include "png/PixelSteps.h"

#include <algorithm>
#include <cstring>

#include "png/DeviceBitmap.h"

namespace dirsheet::png {

namespace {
size_t Count(long width, long height) { return static_cast<size_t>(width) * static_cast<size_t>(height); }
}  // namespace

void ReduceTo8Bit(std::vector<uint8_t>& pixels) {
    const size_t n = pixels.size() / 2;
    for (size_t i = 0; i < n; ++i) pixels[i] = pixels[2 * i];
    pixels.resize(n);
}

void SwapRedBlue(std::vector<uint8_t>& pixels, size_t groupBytes) {
    uint8_t* p = pixels.data();
    const size_t groups = pixels.size() / groupBytes;
    for (size_t i = 0; i < groups; ++i, p += groupBytes) std::swap(p[0], p[2]);
}

std::vector<uint8_t> GreyAlphaToBGRA(const std::vector<uint8_t>& pixels) {
    const size_t n = pixels.size() / 2;
    std::vector<uint8_t> out(n * 4);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t g = pixels[2 * i];
        out[4 * i] = out[4 * i + 1] = out[4 * i + 2] = g;
        out[4 * i + 3] = pixels[2 * i + 1];
    }
    return out;
}

std::vector<uint8_t> AlignRows(std::vector<uint8_t> pixels, long width, long height, int bits, size_t fromRowBytes) {
    const size_t to = AlignedRowBytes(width, bits);
    if (to == fromRowBytes || bits == 32) return pixels;
    std::vector<uint8_t> out(to * static_cast<size_t>(height), 0);
    const size_t n = std::min(to, fromRowBytes);
    for (long r = 0; r < height; ++r)
        std::memcpy(out.data() + to * static_cast<size_t>(r), pixels.data() + fromRowBytes * static_cast<size_t>(r), n);
    return out;
}

std::vector<uint8_t> ExpandTwoBit(const std::vector<uint8_t>& packed, long width, long height) {
    const size_t from = static_cast<size_t>((static_cast<uint64_t>(width) * 2 + 7) / 8);
    const size_t to = AlignedRowBytes(width, 8);
    std::vector<uint8_t> out(to * static_cast<size_t>(height), 0);
    for (long r = 0; r < height; ++r) {
        const uint8_t* src = packed.data() + from * static_cast<size_t>(r);
        uint8_t* dst = out.data() + to * static_cast<size_t>(r);
        for (long x = 0; x < width; ++x) dst[x] = (src[x / 4] >> (6 - 2 * (x % 4))) & 3;
    }
    return out;
}

void FlipRows(std::vector<uint8_t>& pixels, size_t rowBytes, long height) {
    std::vector<uint8_t> tmp(rowBytes);
    for (long top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        uint8_t* a = pixels.data() + rowBytes * static_cast<size_t>(top);
        uint8_t* b = pixels.data() + rowBytes * static_cast<size_t>(bottom);
        std::memcpy(tmp.data(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, tmp.data(), rowBytes);
    }
}

std::vector<uint8_t> ApplyIndexedTransparency(const std::vector<uint8_t>& aligned, long width, long height,
                                              int bits, const std::vector<Rgb>& colours,
                                              const std::vector<uint8_t>& alpha) {
    const size_t stride = AlignedRowBytes(width, bits);
    std::vector<uint8_t> out(Count(width, height) * 4);
    uint8_t* o = out.data();
    for (long r = 0; r < height; ++r) {
        const uint8_t* row = aligned.data() + stride * static_cast<size_t>(r);
        for (long x = 0; x < width; ++x, o += 4) {
            const long bit = x * bits;
            const unsigned v = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            const Rgb c = v < colours.size() ? colours[v] : Rgb{};
            o[0] = c.blue;
            o[1] = c.green;
            o[2] = c.red;
            o[3] = v < alpha.size() ? alpha[v] : 255;
        }
    }
    return out;
}

std::vector<uint8_t> ApplyRGBTransparency(const std::vector<uint8_t>& aligned, long width, long height, Rgb key) {
    const size_t stride = AlignedRowBytes(width, 24);
    std::vector<uint8_t> out(Count(width, height) * 4);
    uint8_t* o = out.data();
    for (long r = 0; r < height; ++r) {
        const uint8_t* p = aligned.data() + stride * static_cast<size_t>(r);
        for (long x = 0; x < width; ++x, p += 3, o += 4) {
            o[0] = p[0];
            o[1] = p[1];
            o[2] = p[2];
            o[3] = (p[2] == key.red && p[1] == key.green && p[0] == key.blue) ? 0 : 255;
        }
    }
    return out;
}

void ApplyAlphaMask(std::vector<uint8_t>& image32, const std::vector<uint8_t>& mask) {
    const size_t n = std::min(image32.size() / 4, mask.size());
    for (size_t i = 0; i < n; ++i) image32[4 * i + 3] = mask[i];
}

std::vector<uint8_t> CompositeWithBackground(const std::vector<uint8_t>& image32, long width, long height,
                                             const std::vector<uint8_t>& background24) {
    const size_t stride = AlignedRowBytes(width, 24);
    std::vector<uint8_t> out(background24);
    out.resize(stride * static_cast<size_t>(height), 0);
    const uint8_t* s = image32.data();
    for (long r = 0; r < height; ++r) {
        uint8_t* d = out.data() + stride * static_cast<size_t>(r);
        for (long x = 0; x < width; ++x, s += 4, d += 3) {
            const unsigned a = s[3];
            if (a == 255) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            } else if (a != 0) {
                for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((s[c] * a + d[c] * (255 - a) + 255) >> 8);
            }
        }
    }
    return out;
}

std::vector<uint8_t> FillSolidBackground(long width, long height, uint32_t colour) {
    const size_t stride = AlignedRowBytes(width, 24);
    std::vector<uint8_t> out(stride * static_cast<size_t>(height), 0);
    if (colour >> 24) return out;  // a system colour reference is not resolved here
    const uint8_t r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    if (r == g && g == b) {
        std::memset(out.data(), r, out.size());
        return out;
    }
    for (long row = 0; row < height; ++row) {
        uint8_t* p = out.data() + stride * static_cast<size_t>(row);
        for (long x = 0; x < width; ++x, p += 3) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
    }
    return out;
}

}  // namespace dirsheet::png
