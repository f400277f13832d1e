#include "png/Scanlines.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

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

void SubRow(uint8_t* row, size_t n, size_t step) {
    for (size_t i = step; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - step]);
}

void UpRow(uint8_t* row, const uint8_t* prior, size_t n) {
    for (size_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
}

void AverageRow(uint8_t* row, const uint8_t* prior, size_t n, size_t step) {
    const size_t head = step < n ? step : n;
    for (size_t i = 0; i < head; ++i) row[i] = static_cast<uint8_t>(row[i] + (prior[i] >> 1));
    for (size_t i = step; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + ((row[i - step] + prior[i]) >> 1));
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
void PaethFixed(uint8_t* row, const uint8_t* prior, size_t n) {
    int a[kStep], c[kStep];
    for (size_t k = 0; k < kStep; ++k) {
        row[k] = static_cast<uint8_t>(row[k] + prior[k]);
        a[k] = row[k];
        c[k] = prior[k];
    }
    for (size_t i = kStep; i + kStep <= n; i += kStep) {
        for (size_t k = 0; k < kStep; ++k) {
            const int b = prior[i + k];
            const int v = static_cast<uint8_t>(row[i + k] + PaethPick(a[k], b, c[k]));
            row[i + k] = static_cast<uint8_t>(v);
            a[k] = v;
            c[k] = b;
        }
    }
}

void PaethRow(uint8_t* row, const uint8_t* prior, size_t n, size_t step) {
    if (n % step == 0 && n >= step) {
        if (step == 3) return PaethFixed<3>(row, prior, n);
        if (step == 4) return PaethFixed<4>(row, prior, n);
    }
    // With left and upper-left both 0 the predictor is always the byte above.
    const size_t head = step < n ? step : n;
    for (size_t i = 0; i < head; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
    for (size_t i = step; i < n; ++i)
        row[i] = static_cast<uint8_t>(row[i] + PaethPick(row[i - step], prior[i], prior[i - step]));
}

}  // namespace

void Sub(uint8_t* row, size_t n, size_t step) { SubRow(row, n, step); }
void Up(uint8_t* row, const uint8_t* prior, size_t n) { UpRow(row, prior, n); }
void Average(uint8_t* row, const uint8_t* prior, size_t n, size_t step) { AverageRow(row, prior, n, step); }
void Paeth(uint8_t* row, const uint8_t* prior, size_t n, size_t step) { PaethRow(row, prior, n, step); }

void UnfilterRow(uint8_t* row, size_t n, int filterType, const uint8_t* prior, size_t step) {
    switch (filterType) {
        case 1: SubRow(row, n, step); break;
        case 2: UpRow(row, prior, n); break;
        case 3: AverageRow(row, prior, n, step); break;
        case 4: PaethRow(row, prior, n, step); break;
        default: break;  // type 0, and unknown types, pass through
    }
}

void WalkRows(uint8_t* data, size_t size, const ImageHeader& h, RowSink& sink) {
    if (size < ScanlineBytes(h)) throw PngError(PngError::Kind::Truncated, "image data ends before the last row");
    const PassList list = PassesOf(h);
    const size_t step = FilterStep(h);
    uint64_t widest = 0;
    for (int i = 0; i < list.count; ++i) widest = std::max(widest, list.passes[i].rowBytes);
    const std::vector<uint8_t> zeros(static_cast<size_t>(widest), 0);
    // Each row is undone where it lies; its prior row is the previous row of the same
    // pass, already undone just before it.
    uint8_t* at = data;
    for (int i = 0; i < list.count; ++i) {
        const Pass& pass = list.passes[i];
        const size_t n = static_cast<size_t>(pass.rowBytes);
        const uint8_t* prior = zeros.data();
        for (uint64_t y = 0; y < pass.rows; ++y) {
            uint8_t* row = at + 1;
            UnfilterRow(row, n, at[0], prior, step);
            sink.Row(pass, y, row);
            prior = row;
            at += n + 1;
        }
    }
}

}  // namespace dirsheet::png
