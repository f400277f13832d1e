#include "png/PixelSteps.h"

#include <cstring>

#include "png/DeviceBitmap.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dirsheet::png {

// The 8-bit steps move whole pixels through 32-bit words, the words in the machine's
// byte order: the program runs on x86 only.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixel words are little-endian");

namespace {

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

// Red and blue of a pixel word exchanged (the other bytes kept).
inline uint32_t SwapRedBlueWord(uint32_t v) {
  return (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
}

}  // namespace

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
  size_t i = 0;
  if (kSampleBytes == 1) {
    // A 4-byte load and store per pixel; the fourth byte stored is the next pixel's
    // first, written again right after. The last pixel goes byte by byte.
    for (; i + 1 < n; ++i, src += 3, dst += 3) Store32(dst, SwapRedBlueWord(Load32(src)));
  }
  for (; i < n; ++i, src += 3 * kSampleBytes, dst += 3) {
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
void ApplyRGBTransparency(const uint8_t* src, uint8_t* dst, size_t n, bool hasKey,
                          const unsigned key[3]) {
  size_t i = 0;
  if (kSampleBytes == 1) {
    // Whole pixels as words: the key as a word, or a value no pixel has.
    const uint32_t keyWord = hasKey && key[0] < 256 && key[1] < 256 && key[2] < 256
                                 ? key[0] | (key[1] << 8) | (key[2] << 16)
                                 : 0xFFFFFFFFu;
    for (; i + 1 < n; ++i, src += 3, dst += 4) {
      const uint32_t v = Load32(src) & 0xFFFFFFu;
      const uint32_t alpha = v == keyWord ? 0 : 0xFF000000u;
      Store32(dst, (kBgr ? SwapRedBlueWord(v) : v) | alpha);
    }
  }
  constexpr int r = kBgr ? 2 : 0, b = kBgr ? 0 : 2;
  for (; i < n; ++i, src += 3 * kSampleBytes, dst += 4) {
    unsigned v[3];
    for (int c = 0; c < 3; ++c)
      v[c] = kSampleBytes == 2 ? (src[2 * c] << 8) | src[2 * c + 1] : src[c];
    dst[r] = src[0];
    dst[1] = src[kSampleBytes];
    dst[b] = src[2 * kSampleBytes];
    dst[3] = hasKey && v[0] == key[0] && v[1] == key[1] && v[2] == key[2] ? 0 : 255;
  }
}
template void ApplyRGBTransparency<1, true>(const uint8_t*, uint8_t*, size_t, bool,
                                            const unsigned*);
template void ApplyRGBTransparency<2, true>(const uint8_t*, uint8_t*, size_t, bool,
                                            const unsigned*);
template void ApplyRGBTransparency<1, false>(const uint8_t*, uint8_t*, size_t, bool,
                                             const unsigned*);
template void ApplyRGBTransparency<2, false>(const uint8_t*, uint8_t*, size_t, bool,
                                             const unsigned*);

template <int kSampleBytes>
void GreyAlphaToBGRA(const uint8_t* src, uint8_t* dst, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  if (kSampleBytes == 1) {
    // Eight pixels at a time: each grey, alpha pair doubled to a 32-bit lane (grey,
    // alpha, grey, alpha), then grey copied into the second and third bytes.
    const __m128i greyMask = _mm_set1_epi32(0xFF),
                  alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    auto expand = [&](__m128i pairs) {
      const __m128i g = _mm_and_si128(pairs, greyMask);
      return _mm_or_si128(_mm_or_si128(g, _mm_slli_epi32(g, 8)),
                          _mm_or_si128(_mm_slli_epi32(g, 16), _mm_and_si128(pairs, alphaMask)));
    };
    for (; i + 8 <= n; i += 8, src += 16, dst += 32) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), expand(_mm_unpacklo_epi16(x, x)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16), expand(_mm_unpackhi_epi16(x, x)));
    }
  }
#endif
  for (; i < n; ++i, src += 2 * kSampleBytes, dst += 4) {
    dst[0] = dst[1] = dst[2] = src[0];
    dst[3] = src[kSampleBytes];
  }
}
template void GreyAlphaToBGRA<1>(const uint8_t*, uint8_t*, size_t);
template void GreyAlphaToBGRA<2>(const uint8_t*, uint8_t*, size_t);

template <int kSampleBytes, bool kBgr>
void RgbaToQuad(const uint8_t* src, uint8_t* dst, size_t n) {
  static_assert(kSampleBytes == 2 || kBgr, "8-bit RGBA rows in RGBA order are copied whole");
  size_t i = 0;
  if (kSampleBytes == 1) {
#if defined(__SSE2__)
    // Four pixels at a time: red and blue trade places within each 32-bit lane.
    const __m128i greenAlpha = _mm_set1_epi32(static_cast<int>(0xFF00FF00u));
    const __m128i redBlue = _mm_set1_epi32(0x00FF00FF);
    for (; i + 4 <= n; i += 4, src += 16, dst += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
      const __m128i rb = _mm_and_si128(x, redBlue);
      const __m128i swapped = _mm_or_si128(_mm_slli_epi32(rb, 16), _mm_srli_epi32(rb, 16));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                       _mm_or_si128(_mm_and_si128(x, greenAlpha), swapped));
    }
#endif
    for (; i < n; ++i, src += 4, dst += 4) Store32(dst, SwapRedBlueWord(Load32(src)));
    return;
  }
  constexpr int r = kBgr ? 2 : 0, b = kBgr ? 0 : 2;
  for (; i < n; ++i, src += 4 * kSampleBytes, dst += 4) {
    dst[r] = src[0];
    dst[1] = src[kSampleBytes];
    dst[b] = src[2 * kSampleBytes];
    dst[3] = src[3 * kSampleBytes];
  }
}
template void RgbaToQuad<1, true>(const uint8_t*, uint8_t*, size_t);
template void RgbaToQuad<2, true>(const uint8_t*, uint8_t*, size_t);
template void RgbaToQuad<2, false>(const uint8_t*, uint8_t*, size_t);

void CompositeWithBackground(const uint8_t* image32, long width, long height,
                             uint8_t* background24) {
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
        for (int c = 0; c < 3; ++c)
          d[c] = static_cast<uint8_t>((s[c] * a + d[c] * (255 - a) + 255) >> 8);
      }
    }
  }
}

PixelBytes FillSolidBackground(long width, long height, uint32_t colour) {
  const size_t stride = AlignedRowBytes(width, 24);
  PixelBytes out(stride * static_cast<size_t>(height), 0);
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

DeviceBitmap BlendOverColour(const DeviceBitmap& image32, long width, long height,
                             uint32_t colour) {
  DeviceBitmap out;
  out.header = DescribeDeviceBitmap(width, height, 24, false);
  out.pixels = FillSolidBackground(width, height, colour);
  CompositeWithBackground(image32.pixels.data(), width, height, out.pixels.data());
  return out;
}

}  // namespace dirsheet::png
