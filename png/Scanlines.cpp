#include "png/Scanlines.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "png/PngError.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dirsheet::png {

long BitsPerPixel(const ImageHeader& h) {
  switch (h.colourType) {
    case 0:
      return h.bitDepth;
    case 2:
      return h.bitDepth * 3;
    case 3:
      return h.bitDepth;
    case 4:
      return h.bitDepth * 2;
    case 6:
      return h.bitDepth * 4;
    default:
      return 0;
  }
}

size_t FilterStep(const ImageHeader& h) {
  const long step = BitsPerPixel(h) / 8;
  return step < 1 ? 1 : static_cast<size_t>(step);
}

uint64_t PackedRowBytes(long width, long bitsPerPixel) {
  if (width <= 0 || bitsPerPixel <= 0) return 0;
  return (static_cast<uint64_t>(width) * static_cast<uint64_t>(bitsPerPixel) + 7) / 8;
}

namespace {

// Columns and rows each of the seven passes covers within every 8 x 8 block.
constexpr int kAdam7[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                              {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};

uint64_t Covered(long size, int start, int step) {
  return size > start ? static_cast<uint64_t>((size - start + step - 1) / step) : 0;
}

}  // namespace

PassList PassesOf(const ImageHeader& h) {
  PassList list;
  const long bpp = BitsPerPixel(h);
  if (h.interlace != 1) {
    Pass& p = list.passes[0];
    p.width = h.width > 0 ? static_cast<uint64_t>(h.width) : 0;
    p.rows = h.height > 0 ? static_cast<uint64_t>(h.height) : 0;
    p.rowBytes = PackedRowBytes(h.width, bpp);
    list.count = 1;
    return list;
  }
  for (int i = 0; i < 7; ++i) {
    Pass& p = list.passes[i];
    p.xStart = kAdam7[i][0];
    p.xStep = kAdam7[i][1];
    p.yStart = kAdam7[i][2];
    p.yStep = kAdam7[i][3];
    p.width = Covered(h.width, p.xStart, p.xStep);
    p.rowBytes = PackedRowBytes(static_cast<long>(p.width), bpp);
    // A pass whose rows hold no pixels has no data in the stream.
    p.rows = p.rowBytes ? Covered(h.height, p.yStart, p.yStep) : 0;
  }
  list.count = 7;
  return list;
}

uint64_t ScanlineBytes(const ImageHeader& h) {
  const PassList list = PassesOf(h);
  uint64_t total = 0;
  for (int i = 0; i < list.count; ++i) total += (list.passes[i].rowBytes + 1) * list.passes[i].rows;
  return total;
}

uint8_t PaethPredictor(int left, int up, int upLeft) {
  const int p = left + up - upLeft;
  const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
  // Ties go to left first, then up, then upper-left.
  if (pb < pa || pc < pa) return static_cast<uint8_t>(pc < pb ? upLeft : up);
  return static_cast<uint8_t>(left);
}

namespace {

// The filters read the filtered row from `src` and write the undone row to `dst`; the
// two may be the same row.
void SubInto(uint8_t* dst, const uint8_t* src, size_t n, size_t step) {
  const size_t head = step < n ? step : n;
  for (size_t i = 0; i < head; ++i) dst[i] = src[i];
  for (size_t i = step; i < n; ++i) dst[i] = static_cast<uint8_t>(src[i] + dst[i - step]);
}

void UpInto(uint8_t* dst, const uint8_t* src, const uint8_t* prior, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  // No byte depends on another: 16 at a time.
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prior + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_add_epi8(x, b));
  }
#endif
  for (; i < n; ++i) dst[i] = static_cast<uint8_t>(src[i] + prior[i]);
}

void AverageInto(uint8_t* dst, const uint8_t* src, const uint8_t* prior, size_t n, size_t step) {
  const size_t head = step < n ? step : n;
  for (size_t i = 0; i < head; ++i) dst[i] = static_cast<uint8_t>(src[i] + (prior[i] >> 1));
  for (size_t i = step; i < n; ++i)
    dst[i] = static_cast<uint8_t>(src[i] + ((dst[i - step] + prior[i]) >> 1));
}

// Branch-free form of the predictor: left unless up is strictly closer, then upper-left
// when strictly closer than both, which keeps the ties of PaethPredictor.
inline int PaethPick(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  const int r = pb < pa ? b : a;
  const int pr = pb < pa ? pb : pa;
  return pc < pr ? c : r;
}

// A hot kernel: the pixel to the left and above stays in registers for the common pixel
// widths.
template <size_t kStep>
void PaethFixed(uint8_t* dst, const uint8_t* src, const uint8_t* prior, size_t n) {
  int a[kStep], c[kStep];
  for (size_t k = 0; k < kStep; ++k) {
    dst[k] = static_cast<uint8_t>(src[k] + prior[k]);
    a[k] = dst[k];
    c[k] = prior[k];
  }
  for (size_t i = kStep; i + kStep <= n; i += kStep) {
    for (size_t k = 0; k < kStep; ++k) {
      const int b = prior[i + k];
      const int v = static_cast<uint8_t>(src[i + k] + PaethPick(a[k], b, c[k]));
      dst[i + k] = static_cast<uint8_t>(v);
      a[k] = v;
      c[k] = b;
    }
  }
}

#if defined(__SSE2__)
// Pixels of 2 to 8 bytes for the filters whose bytes depend on the pixel to the left:
// pixels go one after the other, but all the bytes of one at once.
// The bytes of one pixel into the low bytes of a vector and back, through general
// registers: assembling them in memory would stall each load on the stores before it.
template <size_t kBytes>
inline uint32_t Load32(const uint8_t* p) {
  uint32_t v = 0;
  std::memcpy(&v, p, kBytes);
  return v;
}

template <size_t kBytes>
inline __m128i LoadBytes(const uint8_t* p) {
  if (kBytes == 8) return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  if (kBytes == 6)
    return _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(Load32<4>(p))),
                              _mm_cvtsi32_si128(static_cast<int>(Load32<2>(p + 4))));
  if (kBytes == 3)
    return _mm_cvtsi32_si128(static_cast<int>(Load32<2>(p) | (uint32_t{p[2]} << 16)));
  return _mm_cvtsi32_si128(static_cast<int>(Load32<kBytes>(p)));
}

template <size_t kBytes>
inline void StoreBytes(uint8_t* p, __m128i x) {
  if (kBytes == 8) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), x);
    return;
  }
  const uint32_t low = static_cast<uint32_t>(_mm_cvtsi128_si32(x));
  std::memcpy(p, &low, kBytes < 4 ? kBytes : 4);
  if (kBytes == 6) {
    const uint32_t high = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(x, 4)));
    std::memcpy(p + 4, &high, 2);
  }
}

template <size_t kBytes>
void SubPixels(uint8_t* dst, const uint8_t* src, size_t n) {
  __m128i a = _mm_setzero_si128();
  for (size_t i = 0; i + kBytes <= n; i += kBytes) {
    a = _mm_add_epi8(LoadBytes<kBytes>(src + i), a);
    StoreBytes<kBytes>(dst + i, a);
  }
}

// (left + up) / 2 rounded down: the rounded-up average less the bit the sum loses.
template <size_t kBytes>
void AveragePixels(uint8_t* dst, const uint8_t* src, const uint8_t* prior, size_t n) {
  const __m128i one = _mm_set1_epi8(1);
  __m128i a = _mm_setzero_si128();
  for (size_t i = 0; i + kBytes <= n; i += kBytes) {
    const __m128i b = LoadBytes<kBytes>(prior + i);
    const __m128i average =
        _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
    a = _mm_add_epi8(LoadBytes<kBytes>(src + i), average);
    StoreBytes<kBytes>(dst + i, a);
  }
}

// One Paeth pixel with every byte in a 16-bit lane: a, b and c are the left, upper and
// upper-left pixels; returns the pixel made from the `filtered` bytes (in 8-bit lanes).
inline __m128i PaethPixel(__m128i a, __m128i b, __m128i c, __m128i filtered) {
  const __m128i zero = _mm_setzero_si128();
  // pa = |b - c| (distance of the estimate from left), pb = |a - c| (from up),
  // pc = |a + b - 2c| (from upper-left); only pb and pc wait for the left pixel.
  const __m128i bc = _mm_sub_epi16(b, c), d = _mm_sub_epi16(bc, c);
  const __m128i pa = _mm_max_epi16(bc, _mm_sub_epi16(zero, bc));
  const __m128i ac = _mm_sub_epi16(a, c), ad = _mm_add_epi16(a, d);
  const __m128i pb = _mm_max_epi16(ac, _mm_sub_epi16(zero, ac));
  const __m128i pc = _mm_max_epi16(ad, _mm_sub_epi16(zero, ad));
  // Left unless up is strictly closer, then upper-left when strictly closer than both.
  const __m128i upCloser = _mm_cmplt_epi16(pb, pa);
  const __m128i r = _mm_or_si128(_mm_and_si128(upCloser, b), _mm_andnot_si128(upCloser, a));
  const __m128i cCloser = _mm_cmplt_epi16(pc, _mm_min_epi16(pa, pb));
  const __m128i pred = _mm_or_si128(_mm_and_si128(cCloser, c), _mm_andnot_si128(cCloser, r));
  return _mm_add_epi8(filtered, _mm_packus_epi16(pred, pred));
}

template <size_t kBytes>
inline __m128i Wide(const uint8_t* p) {
  return _mm_unpacklo_epi8(LoadBytes<kBytes>(p), _mm_setzero_si128());
}

template <size_t kBytes>
void PaethPixels(uint8_t* dst, const uint8_t* src, const uint8_t* prior, size_t n) {
  const __m128i zero = _mm_setzero_si128();
  __m128i a = zero, c = zero;
  for (size_t i = 0; i + kBytes <= n; i += kBytes) {
    const __m128i b = Wide<kBytes>(prior + i);
    const __m128i x = PaethPixel(a, b, c, LoadBytes<kBytes>(src + i));
    StoreBytes<kBytes>(dst + i, x);
    a = _mm_unpacklo_epi8(x, zero);
    c = b;
  }
}

// Two rows at once, the second one pixel behind the first: its upper and upper-left
// pixels are the first row's, made one step before. Each pixel waits for the one to its
// left, so two independent rows keep the processor twice as busy.
template <size_t kBytes>
void PaethRowPair(uint8_t* dst1, const uint8_t* src1, const uint8_t* prior, uint8_t* dst2,
                  const uint8_t* src2, size_t n) {
  const __m128i zero = _mm_setzero_si128();
  __m128i b1 = Wide<kBytes>(prior);
  __m128i x1 = PaethPixel(zero, b1, zero, LoadBytes<kBytes>(src1));
  StoreBytes<kBytes>(dst1, x1);
  __m128i a1 = _mm_unpacklo_epi8(x1, zero), c1 = b1;
  __m128i a2 = zero, c2 = zero;
  for (size_t i = kBytes; i + kBytes <= n; i += kBytes) {
    b1 = Wide<kBytes>(prior + i);
    x1 = PaethPixel(a1, b1, c1, LoadBytes<kBytes>(src1 + i));
    StoreBytes<kBytes>(dst1 + i, x1);
    const __m128i x2 = PaethPixel(a2, a1, c2, LoadBytes<kBytes>(src2 + i - kBytes));
    StoreBytes<kBytes>(dst2 + i - kBytes, x2);
    a2 = _mm_unpacklo_epi8(x2, zero);
    c2 = a1;
    a1 = _mm_unpacklo_epi8(x1, zero);
    c1 = b1;
  }
  StoreBytes<kBytes>(dst2 + n - kBytes,
                     PaethPixel(a2, a1, c2, LoadBytes<kBytes>(src2 + n - kBytes)));
}
#endif

void PaethInto(uint8_t* dst, const uint8_t* src, const uint8_t* prior, size_t n, size_t step) {
  if (n % step == 0 && n >= step) {
    if (step == 3) return PaethFixed<3>(dst, src, prior, n);
    if (step == 4) return PaethFixed<4>(dst, src, prior, n);
  }
  // With left and upper-left both 0 the predictor is always the byte above.
  const size_t head = step < n ? step : n;
  for (size_t i = 0; i < head; ++i) dst[i] = static_cast<uint8_t>(src[i] + prior[i]);
  for (size_t i = step; i < n; ++i)
    dst[i] = static_cast<uint8_t>(src[i] + PaethPick(dst[i - step], prior[i], prior[i - step]));
}

}  // namespace

#if defined(__SSE2__)
// Whole pixels of 2 to 8 bytes at a time for the filters whose bytes depend on the pixel
// to the left; false for the other widths.
bool PixelFilter(uint8_t* dst, const uint8_t* src, size_t n, int filterType, const uint8_t* prior,
                 size_t step) {
  if (n % step != 0) return false;
#define DIRSHEET_PIXEL_FILTER(k)            \
  case k:                                   \
    if (filterType == 1)                    \
      SubPixels<k>(dst, src, n);            \
    else if (filterType == 3)               \
      AveragePixels<k>(dst, src, prior, n); \
    else                                    \
      PaethPixels<k>(dst, src, prior, n);   \
    return true;
  switch (step) {
    DIRSHEET_PIXEL_FILTER(2)
    DIRSHEET_PIXEL_FILTER(3)
    DIRSHEET_PIXEL_FILTER(4)
    DIRSHEET_PIXEL_FILTER(6)
    DIRSHEET_PIXEL_FILTER(8)
    default:
      return false;
  }
#undef DIRSHEET_PIXEL_FILTER
}
#endif

// Two Paeth rows of the same pass at once where the pixel width allows; false otherwise.
bool PaethTwoRows(uint8_t* dst1, const uint8_t* src1, const uint8_t* prior, uint8_t* dst2,
                  const uint8_t* src2, size_t n, size_t step) {
#if defined(__SSE2__)
  if (n == 0 || n % step != 0) return false;
  switch (step) {
    case 2:
      PaethRowPair<2>(dst1, src1, prior, dst2, src2, n);
      return true;
    case 3:
      PaethRowPair<3>(dst1, src1, prior, dst2, src2, n);
      return true;
    case 4:
      PaethRowPair<4>(dst1, src1, prior, dst2, src2, n);
      return true;
    case 6:
      PaethRowPair<6>(dst1, src1, prior, dst2, src2, n);
      return true;
    case 8:
      PaethRowPair<8>(dst1, src1, prior, dst2, src2, n);
      return true;
    default:
      return false;
  }
#else
  return false;
#endif
}

void UnfilterInto(uint8_t* dst, const uint8_t* src, size_t n, int filterType, const uint8_t* prior,
                  size_t step) {
#if defined(__SSE2__)
  if ((filterType == 1 || filterType == 3 || filterType == 4) &&
      PixelFilter(dst, src, n, filterType, prior, step))
    return;
#endif
  switch (filterType) {
    case 1:
      SubInto(dst, src, n, step);
      break;
    case 2:
      UpInto(dst, src, prior, n);
      break;
    case 3:
      AverageInto(dst, src, prior, n, step);
      break;
    case 4:
      PaethInto(dst, src, prior, n, step);
      break;
    default:
      if (dst != src) std::memcpy(dst, src, n);  // type 0, and unknown types, pass through
      break;
  }
}

void UnfilterRow(uint8_t* row, size_t n, int filterType, const uint8_t* prior, size_t step) {
  UnfilterInto(row, row, n, filterType, prior, step);
}

ScanlineReader::ScanlineReader(const ImageHeader& h, RowSink& sink)
    : sink_(sink), list_(PassesOf(h)), step_(FilterStep(h)) {
  uint64_t widest = 0;
  for (int i = 0; i < list_.count; ++i) widest = std::max(widest, list_.passes[i].rowBytes);
  zeros_.assign(static_cast<size_t>(widest), 0);
  rowA_.resize(static_cast<size_t>(widest));
  rowB_.resize(static_cast<size_t>(widest));
  rowC_.resize(static_cast<size_t>(widest));
  NextPass();
}

// Moves on to the next pass that has rows; its first row is undone against zeros.
void ScanlineReader::NextPass() {
  do {
    ++pass_;
  } while (pass_ < list_.count && list_.passes[pass_].rows == 0);
  row_ = 0;
  prior_ = zeros_.data();
}

// A row buffer of the reader's own that holds neither of the given rows.
uint8_t* ScanlineReader::FreeBuffer(const uint8_t* notThis, const uint8_t* norThis) {
  for (std::vector<uint8_t>* b : {&rowA_, &rowB_, &rowC_})
    if (b->data() != notThis && b->data() != norThis) return b->data();
  return nullptr;  // never: three buffers, two excluded
}

size_t ScanlineReader::Take(const uint8_t* data, size_t size) {
  size_t taken = 0;
  while (pass_ < list_.count) {
    const Pass& pass = list_.passes[pass_];
    const size_t n = static_cast<size_t>(pass.rowBytes);
    if (size - taken < n + 1) return taken;  // the rest of the row comes later
    const uint8_t* at = data + taken;
    // Undone where the row belongs if the sink allows, else in a row buffer that
    // does not hold the prior row.
    uint8_t* row = sink_.Target(pass, row_);
    if (!row) row = FreeBuffer(prior_, nullptr);
    // Two Paeth rows of one pass in a row go together.
    if (at[0] == 4 && row_ + 1 < pass.rows && size - taken >= 2 * (n + 1) && at[n + 1] == 4) {
      uint8_t* next = sink_.Target(pass, row_ + 1);
      if (!next) next = FreeBuffer(prior_, row);
      if (PaethTwoRows(row, at + 1, prior_, next, at + n + 2, n, step_)) {
        sink_.Row(pass, row_, row);
        sink_.Row(pass, row_ + 1, next);
        prior_ = next;
        taken += 2 * (n + 1);
        row_ += 2;
        if (row_ == pass.rows) NextPass();
        continue;
      }
    }
    UnfilterInto(row, at + 1, n, at[0], prior_, step_);
    sink_.Row(pass, row_, row);
    prior_ = row;
    taken += n + 1;
    if (++row_ == pass.rows) NextPass();
  }
  return size;  // bytes after the last row are not image data
}

void WalkRows(const uint8_t* data, size_t size, const ImageHeader& h, RowSink& sink) {
  if (size < ScanlineBytes(h))
    throw PngError(PngError::Kind::Truncated, "image data ends before the last row");
  ScanlineReader reader(h, sink);
  reader.Take(data, size);
}

}  // namespace dirsheet::png
