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

void Sub(uint8_t* row, size_t n, size_t step) {
    for (size_t i = step; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - step]);
}

void Up(uint8_t* row, const uint8_t* prior, size_t n) {
    for (size_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
}

void Average(uint8_t* row, const uint8_t* prior, size_t n, size_t step) {
    const size_t head = step < n ? step : n;
    for (size_t i = 0; i < head; ++i) row[i] = static_cast<uint8_t>(row[i] + (prior[i] >> 1));
    for (size_t i = step; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + ((row[i - step] + prior[i]) >> 1));
}

void Paeth(uint8_t* row, const uint8_t* prior, size_t n, size_t step) {
    // With left and upper-left both 0 the predictor is always the byte above.
    const size_t head = step < n ? step : n;
    for (size_t i = 0; i < head; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
    for (size_t i = step; i < n; ++i) {
        const int a = row[i - step], b = prior[i], c = prior[i - step];
        const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
        const int pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        row[i] = static_cast<uint8_t>(row[i] + pred);
    }
}

void UnfilterRow(uint8_t* row, size_t n, int filterType, const uint8_t* prior, size_t step) {
    switch (filterType) {
        case 1: Sub(row, n, step); break;
        case 2: Up(row, prior, n); break;
        case 3: Average(row, prior, n, step); break;
        case 4: Paeth(row, prior, n, step); break;
        default: break;  // type 0, and unknown types pass through unchanged
    }
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
        std::memmove(row, base + r * (n + 1) + 1, n);
        UnfilterRow(row, n, type, r == 0 ? zeros.data() : row - n, step);
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
            uint8_t* dest = result.data() + ((p.yStart + j * p.yStep) * width) * pixelBytes;
            for (uint64_t k = 0; k < passWidth; ++k)
                std::memcpy(dest + (p.xStart + k * p.xStep) * pixelBytes, pixels + k * pixelBytes, pixelBytes);
            row.swap(prior);
        }
    }
    return result;
}

}  // namespace dirsheet::png
