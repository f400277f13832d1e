#include "png/PixelSteps.h"

#include <cstring>

#include "png/DeviceBitmap.h"

namespace dirsheet::png {

void WidenSamples(const uint8_t* src, long depth, size_t n, uint8_t* dst) {
    switch (depth) {
        case 1:
            for (size_t k = 0; k < n; ++k) dst[k] = (src[k >> 3] >> (7 - (k & 7))) & 1;
            break;
        case 2:
            for (size_t k = 0; k < n; ++k) dst[k] = (src[k >> 2] >> (6 - 2 * (k & 3))) & 3;
            break;
        case 4:
            for (size_t k = 0; k < n; ++k) dst[k] = (src[k >> 1] >> (4 - 4 * (k & 1))) & 15;
            break;
        default:
            std::memcpy(dst, src, n);
            break;
    }
}

void ReduceTo8Bit(const uint8_t* src, uint8_t* dst, size_t samples) {
    for (size_t i = 0; i < samples; ++i) dst[i] = src[2 * i];
}

template <int kSampleBytes>
void SwapRedBlue(const uint8_t* src, uint8_t* dst, size_t n) {
    for (size_t i = 0; i < n; ++i, src += 3 * kSampleBytes, dst += 3) {
        dst[0] = src[2 * kSampleBytes];
        dst[1] = src[kSampleBytes];
        dst[2] = src[0];
    }
}
template void SwapRedBlue<1>(const uint8_t*, uint8_t*, size_t);
template void SwapRedBlue<2>(const uint8_t*, uint8_t*, size_t);

void IndexToQuad(const uint8_t* src, uint8_t* dst, size_t n, const QuadTable& table) {
    for (size_t i = 0; i < n; ++i, dst += 4) std::memcpy(dst, table[src[i]], 4);
}

void Grey16ToQuad(const uint8_t* src, uint8_t* dst, size_t n, bool hasKey, unsigned key) {
    for (size_t i = 0; i < n; ++i, src += 2, dst += 4) {
        dst[0] = dst[1] = dst[2] = src[0];
        dst[3] = hasKey && ((src[0] << 8) | src[1]) == static_cast<int>(key) ? 0 : 255;
    }
}

template <int kSampleBytes, bool kBgr>
void ApplyRGBTransparency(const uint8_t* src, uint8_t* dst, size_t n, bool hasKey, const unsigned key[3]) {
    constexpr int r = kBgr ? 2 : 0, b = kBgr ? 0 : 2;
    for (size_t i = 0; i < n; ++i, src += 3 * kSampleBytes, dst += 4) {
        unsigned v[3];
        for (int c = 0; c < 3; ++c)
            v[c] = kSampleBytes == 2 ? (src[2 * c] << 8) | src[2 * c + 1] : src[c];
        dst[r] = src[0];
        dst[1] = src[kSampleBytes];
        dst[b] = src[2 * kSampleBytes];
        dst[3] = hasKey && v[0] == key[0] && v[1] == key[1] && v[2] == key[2] ? 0 : 255;
    }
}
template void ApplyRGBTransparency<1, true>(const uint8_t*, uint8_t*, size_t, bool, const unsigned*);
template void ApplyRGBTransparency<2, true>(const uint8_t*, uint8_t*, size_t, bool, const unsigned*);
template void ApplyRGBTransparency<1, false>(const uint8_t*, uint8_t*, size_t, bool, const unsigned*);
template void ApplyRGBTransparency<2, false>(const uint8_t*, uint8_t*, size_t, bool, const unsigned*);

template <int kSampleBytes>
void GreyAlphaToBGRA(const uint8_t* src, uint8_t* dst, size_t n) {
    for (size_t i = 0; i < n; ++i, src += 2 * kSampleBytes, dst += 4) {
        dst[0] = dst[1] = dst[2] = src[0];
        dst[3] = src[kSampleBytes];
    }
}
template void GreyAlphaToBGRA<1>(const uint8_t*, uint8_t*, size_t);
template void GreyAlphaToBGRA<2>(const uint8_t*, uint8_t*, size_t);

template <int kSampleBytes, bool kBgr>
void RgbaToQuad(const uint8_t* src, uint8_t* dst, size_t n) {
    if (kSampleBytes == 1 && !kBgr) {
        std::memcpy(dst, src, n * 4);
        return;
    }
    constexpr int r = kBgr ? 2 : 0, b = kBgr ? 0 : 2;
    for (size_t i = 0; i < n; ++i, src += 4 * kSampleBytes, dst += 4) {
        dst[r] = src[0];
        dst[1] = src[kSampleBytes];
        dst[b] = src[2 * kSampleBytes];
        dst[3] = src[3 * kSampleBytes];
    }
}
template void RgbaToQuad<1, true>(const uint8_t*, uint8_t*, size_t);
template void RgbaToQuad<2, true>(const uint8_t*, uint8_t*, size_t);
template void RgbaToQuad<1, false>(const uint8_t*, uint8_t*, size_t);
template void RgbaToQuad<2, false>(const uint8_t*, uint8_t*, size_t);

void CompositeWithBackground(const uint8_t* image32, long width, long height, uint8_t* background24) {
    const size_t stride = AlignedRowBytes(width, 24);
    const uint8_t* s = image32;
    for (long r = 0; r < height; ++r) {
        uint8_t* d = background24 + stride * static_cast<size_t>(r);
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
