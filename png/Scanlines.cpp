#include "png/Scanlines.h"

#include <cstdlib>
#include <cstring>

#include "png/PngError.h"

namespace dirsheet::png {

long BitsPerPixel(const ImageHeader& h) {
    switch (h.colourType) {
        case 0: return h.bitDepth;
        case 2: return h.bitDepth * 3;
        case 3: return h.bitDepth;
        case 4: return h.bitDepth * 2;
        case 6: return h.bitDepth * 4;
        default: return 0;
    }
}

size_t FilterStep(const ImageHeader& h) {
    const long step = BitsPerPixel(h) / 8;
    return step < 1 ? 1 : static_cast<size_t>(step);
}

uint64_t PackedRowBytes(long width, long bitsPerPixel) {
    return (static_cast<uint64_t>(width) * static_cast<uint64_t>(bitsPerPixel) + 7) / 8;
}

uint8_t PaethPredictor(int left, int up, int upLeft) {
    const int p = left + up - upLeft;
    const int pa = std::abs(p - left), pb = std::abs(p - up), pc = std::abs(p - upLeft);
    // Ties go to left first, then up, then upper-left.
    if (pb < pa || pc < pa) return static_cast<uint8_t>(pc < pb ? upLeft : up);
    return static_cast<uint8_t>(left);
}

namespace {

// The filters read the filtered row from `src` and write the undone row to `dst`. They
// may be the same row, or `dst` may lie before `src` in the same buffer (rows moving down
// over their filter bytes): every source byte is read before anything is written over it.
void SubInto(uint8_t* dst, const uint8_t* src, size_t n, size_t step) {
    const size_t head = step < n ? step : n;
    for (size_t i = 0; i < head; ++i) dst[i] = src[i];
    for (size_t i = step; i < n; ++i) dst[i] = static_cast<uint8_t>(src[i] + dst[i - step]);
}

void UpInto(uint8_t* dst, const uint8_t* src, const uint8_t* prior, size_t n) {
    for (size_t i = 0; i < n; ++i) dst[i] = static_cast<uint8_t>(src[i] + prior[i]);
}

void AverageInto(uint8_t* dst, const uint8_t* src, const uint8_t* prior, size_t n, size_t step) {
    const size_t head = step < n ? step : n;
    for (size_t i = 0; i < head; ++i) dst[i] = static_cast<uint8_t>(src[i] + (prior[i] >> 1));
    for (size_t i = step; i < n; ++i) dst[i] = static_cast<uint8_t>(src[i] + ((dst[i - step] + prior[i]) >> 1));
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

void UnfilterInto(uint8_t* dst, const uint8_t* src, size_t n, int filterType, const uint8_t* prior, size_t step) {
    switch (filterType) {
        case 1: SubInto(dst, src, n, step); break;
        case 2: UpInto(dst, src, prior, n); break;
        case 3: AverageInto(dst, src, prior, n, step); break;
        case 4: PaethInto(dst, src, prior, n, step); break;
        default:
            if (dst != src) std::memmove(dst, src, n);  // type 0, and unknown types pass through
            break;
    }
}

}  // namespace

void Sub(uint8_t* row, size_t n, size_t step) { SubInto(row, row, n, step); }
void Up(uint8_t* row, const uint8_t* prior, size_t n) { UpInto(row, row, prior, n); }
void Average(uint8_t* row, const uint8_t* prior, size_t n, size_t step) { AverageInto(row, row, prior, n, step); }
void Paeth(uint8_t* row, const uint8_t* prior, size_t n, size_t step) { PaethInto(row, row, prior, n, step); }

void UnfilterRow(uint8_t* row, size_t n, int filterType, const uint8_t* prior, size_t step) {
    UnfilterInto(row, row, n, filterType, prior, step);
}

std::vector<uint8_t> UnfilterRows(std::vector<uint8_t> data, const ImageHeader& h) {
    const uint64_t rowBytes = PackedRowBytes(h.width, BitsPerPixel(h));
    const uint64_t height = h.height > 0 ? static_cast<uint64_t>(h.height) : 0;
    if (data.size() < (rowBytes + 1) * height)
        throw PngError(PngError::Kind::Truncated, "image data ends before the last row");
    const size_t n = static_cast<size_t>(rowBytes);
    const size_t step = FilterStep(h);
    const std::vector<uint8_t> zeros(n, 0);
    // Rows are undone in place: row r moves from r * (n + 1) + 1 down to r * n, and its
    // prior row is the previous row already in its final place.
    uint8_t* base = data.data();
    for (uint64_t r = 0; r < height; ++r) {
        const int type = base[r * (n + 1)];
        uint8_t* row = base + r * n;
        UnfilterInto(row, base + r * (n + 1) + 1, n, type, r == 0 ? zeros.data() : row - n, step);
    }
    data.resize(static_cast<size_t>(n * height));
    return data;
}

namespace {

struct Pass {
    int xStart, xStep, yStart, yStep;
};
// Columns and rows each of the seven passes covers within every 8 x 8 block.
constexpr Pass kPasses[7] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                             {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};

uint64_t PassCount(long size, int start, int step) {
    return size > start ? static_cast<uint64_t>((size - start + step - 1) / step) : 0;
}

// Widens a row of samples narrower than a byte to one byte per sample, most significant
// bits first, cut to `count` samples.
void WidenSamples(const uint8_t* row, long depth, uint64_t count, uint8_t* out) {
    const unsigned perByte = 8u / static_cast<unsigned>(depth);
    const unsigned mask = (1u << depth) - 1;
    for (uint64_t k = 0; k < count; ++k) {
        const unsigned shift = 8u - static_cast<unsigned>(depth) * (1u + static_cast<unsigned>(k % perByte));
        out[k] = static_cast<uint8_t>((row[k / perByte] >> shift) & mask);
    }
}

template <size_t kBytes>
void PlaceFixed(uint8_t* dest, const uint8_t* pixels, size_t count, size_t stride) {
    for (size_t k = 0; k < count; ++k, dest += stride, pixels += kBytes) std::memcpy(dest, pixels, kBytes);
}

// Copies `count` pixels of a pass row to every `stride` bytes of the result row.
void PlacePixels(uint8_t* dest, const uint8_t* pixels, size_t count, size_t bytes, size_t stride) {
    switch (bytes) {
        case 1: return PlaceFixed<1>(dest, pixels, count, stride);
        case 2: return PlaceFixed<2>(dest, pixels, count, stride);
        case 3: return PlaceFixed<3>(dest, pixels, count, stride);
        case 4: return PlaceFixed<4>(dest, pixels, count, stride);
        case 6: return PlaceFixed<6>(dest, pixels, count, stride);
        case 8: return PlaceFixed<8>(dest, pixels, count, stride);
        default:
            for (size_t k = 0; k < count; ++k) std::memcpy(dest + k * stride, pixels + k * bytes, bytes);
    }
}

}  // namespace

std::vector<uint8_t> Deinterlace(const std::vector<uint8_t>& data, const ImageHeader& h) {
    const long bpp = BitsPerPixel(h);
    const size_t pixelBytes = bpp < 8 ? 1 : static_cast<size_t>(bpp / 8);
    const size_t step = FilterStep(h);

    // Every pass row must be present before anything is reserved.
    uint64_t needed = 0;
    for (const Pass& p : kPasses) {
        const uint64_t rowBytes = PackedRowBytes(static_cast<long>(PassCount(h.width, p.xStart, p.xStep)), bpp);
        if (rowBytes) needed += (rowBytes + 1) * PassCount(h.height, p.yStart, p.yStep);
    }
    if (data.size() < needed) throw PngError(PngError::Kind::Truncated, "interlaced image data ends early");

    const uint64_t width = static_cast<uint64_t>(h.width), height = static_cast<uint64_t>(h.height);
    std::vector<uint8_t> result(static_cast<size_t>(width * height * pixelBytes), 0);
    std::vector<uint8_t> row, prior, wide;
    size_t at = 0;
    for (const Pass& p : kPasses) {
        const uint64_t passWidth = PassCount(h.width, p.xStart, p.xStep);
        const uint64_t passRows = PassCount(h.height, p.yStart, p.yStep);
        const size_t rowBytes = static_cast<size_t>(PackedRowBytes(static_cast<long>(passWidth), bpp));
        if (rowBytes == 0) continue;  // an empty pass has no data in the stream
        prior.assign(rowBytes, 0);
        row.resize(rowBytes);
        if (bpp < 8) wide.resize(static_cast<size_t>(passWidth));
        for (uint64_t j = 0; j < passRows; ++j) {
            const int type = data[at];
            std::memcpy(row.data(), data.data() + at + 1, rowBytes);
            UnfilterRow(row.data(), rowBytes, type, prior.data(), step);
            at += rowBytes + 1;
            const uint8_t* pixels = row.data();
            if (bpp < 8) {
                WidenSamples(row.data(), h.bitDepth, passWidth, wide.data());
                pixels = wide.data();
            }
            uint8_t* dest = result.data() + ((p.yStart + j * p.yStep) * width + p.xStart) * pixelBytes;
            PlacePixels(dest, pixels, static_cast<size_t>(passWidth), pixelBytes, static_cast<size_t>(p.xStep) * pixelBytes);
            row.swap(prior);
        }
    }
    return result;
}

}  // namespace dirsheet::png
