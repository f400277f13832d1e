// Decode throughput of LoadPNG (up to the device-bitmap pixels) against libpng with
// zlib, and Inflate alone against zlib's inflate, on images generated here.
// Prints milliseconds per decode (best of several runs) and the ratio peer / ours:
// above 1.0 means this decoder is faster.
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "png/LoadPNG.h"
#include "png/PngError.h"

using namespace dirsheet::png;
using Bytes = std::vector<uint8_t>;

namespace {

struct Spec {
    const char* name;
    int width, height, depth, colourType, interlace;
};

// Photographic-ish content: gradients, a few shapes and mild noise, so that every filter
// type gets used and the data compresses like a real picture.
uint16_t Sample(int x, int y, int c, std::mt19937& rng, int maxValue) {
    const double fx = x / 97.0, fy = y / 131.0;
    double v = 0.5 + 0.25 * std::sin(fx + c) * std::cos(fy - c) + 0.2 * ((x / 64 + y / 64 + c) % 3) / 2.0;
    if ((x - 700) * (x - 700) + (y - 500) * (y - 500) < 300 * 300) v = 0.3 + 0.1 * c;
    v += (static_cast<int>(rng() % 9) - 4) / 400.0;
    return static_cast<uint16_t>(std::clamp(v, 0.0, 1.0) * maxValue);
}

Bytes Encode(const Spec& s) {
    std::mt19937 rng(42);
    const int channels = s.colourType == 2 ? 3 : s.colourType == 6 ? 4 : 1;
    const int sampleBytes = s.depth / 8;
    std::vector<Bytes> rows(s.height, Bytes(static_cast<size_t>(s.width) * channels * sampleBytes));
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            for (int c = 0; c < channels; ++c) {
                uint16_t v = s.colourType == 3 ? static_cast<uint16_t>(Sample(x, y, 0, rng, 255) ^ ((x / 16) & 7))
                                               : Sample(x, y, c, rng, (1 << s.depth) - 1);
                if (c == 3) v = static_cast<uint16_t>(x % 256 == 0 ? 0 : 255 - (y % 128));
                uint8_t* p = rows[y].data() + (static_cast<size_t>(x) * channels + c) * sampleBytes;
                if (sampleBytes == 2) {
                    p[0] = static_cast<uint8_t>(v >> 8);
                    p[1] = static_cast<uint8_t>(v);
                } else {
                    p[0] = static_cast<uint8_t>(v);
                }
            }
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out,
                     [](png_structp p, png_bytep d, png_size_t n) {
                         auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
                         o->insert(o->end(), d, d + n);
                     },
                     nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.depth, s.colourType, s.interlace, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (s.colourType == 3) {
        png_color palette[256];
        for (int i = 0; i < 256; ++i) palette[i] = {static_cast<png_byte>(i), static_cast<png_byte>(255 - i), static_cast<png_byte>(i * 7)};
        png_set_PLTE(png, info, palette, 256);
    }
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (auto& r : rows) pointers.push_back(r.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

double BestMs(const std::function<void()>& f, int runs) {
    double best = 1e18;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return best;
}

size_t DecodeLibpng(const Bytes& file) {
    struct Reader {
        const Bytes* data;
        size_t at;
    } reader{&file, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &reader, [](png_structp p, png_bytep d, png_size_t n) {
        auto* r = static_cast<Reader*>(png_get_io_ptr(p));
        std::memcpy(d, r->data->data() + r->at, n);
        r->at += n;
    });
    png_read_info(png, info);
    png_set_strip_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    Bytes pixels(rowBytes * h);
    std::vector<png_bytep> rows(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels.data() + y * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return pixels.size();
}

size_t DecodeOurs(const Bytes& file) {
    LoadPNG decoder;
    MemorySurface target;
    decoder.PicBox(&target);
    OpenPNGFromMemory(decoder, file.data(), file.size());
    return target.Drawn() ? target.Drawn()->pixels.size() : 0;
}

// The concatenated IDAT data of a file (the zlib stream).
Bytes ImageData(const Bytes& file) {
    Bytes z;
    for (size_t at = 8; at + 8 <= file.size();) {
        const uint32_t len = (file[at] << 24) | (file[at + 1] << 16) | (file[at + 2] << 8) | file[at + 3];
        if (std::memcmp(&file[at + 4], "IDAT", 4) == 0) z.insert(z.end(), file.begin() + at + 8, file.begin() + at + 8 + len);
        at += 12 + len;
    }
    return z;
}

size_t InflateZlib(const Bytes& z, size_t size) {
    Bytes out(size);
    z_stream s{};
    inflateInit(&s);
    s.next_in = const_cast<Bytef*>(z.data());
    s.avail_in = static_cast<uInt>(z.size());
    s.next_out = out.data();
    s.avail_out = static_cast<uInt>(out.size());
    inflate(&s, Z_FINISH);
    inflateEnd(&s);
    return s.total_out;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const Spec specs[] = {
        {"truecolour 8-bit 2048x2048", 2048, 2048, 8, 2, 0},
        {"truecolour+alpha 8-bit 2048x2048", 2048, 2048, 8, 6, 0},
        {"palette 8-bit 2048x2048", 2048, 2048, 8, 3, 0},
        {"truecolour 16-bit 1600x1600", 1600, 1600, 16, 2, 0},
        {"truecolour 8-bit interlaced 2048x2048", 2048, 2048, 8, 2, 1},
    };
    std::printf("%-40s %8s %10s %10s %7s %10s %10s %7s\n", "image", "MB", "LoadPNG", "libpng", "ratio",
                "Inflate", "zlib", "ratio");
    double sumOurs = 0, sumPeer = 0, sumInf = 0, sumZ = 0;
    const std::string only = argc > 2 ? argv[2] : "";
    for (const Spec& s : specs) {
        if (!only.empty() && std::string(s.name).find(only) == std::string::npos) continue;
        const Bytes file = Encode(s);
        const Bytes z = ImageData(file);
        const Bytes raw(z.begin() + 2, z.end());
        Inflater inflater;
        Bytes probe = raw;
        long expected = 0, result = 0;
        expected = static_cast<long>(InflateZlib(z, 1u << 30));
        const size_t inflatedSize = static_cast<size_t>(expected);
        inflater.Inflate(probe, expected, false, result);
        if (probe.size() != inflatedSize || DecodeOurs(file) == 0) {
            std::printf("%s: decode mismatch\n", s.name);
            return 1;
        }
        const double ours = BestMs([&] { DecodeOurs(file); }, runs);
        const double peer = BestMs([&] { DecodeLibpng(file); }, runs);
        const double inf = BestMs(
            [&] {
                Bytes data = raw;
                long e = static_cast<long>(inflatedSize), r = 0;
                inflater.Inflate(data, e, false, r);
            },
            runs);
        const double zl = BestMs(
            [&] {
                Bytes copy = z;  // the same input copy the decoder makes
                InflateZlib(copy, inflatedSize);
            },
            runs);
        sumOurs += ours, sumPeer += peer, sumInf += inf, sumZ += zl;
        std::printf("%-40s %8.2f %8.1fms %8.1fms %7.2f %8.1fms %8.1fms %7.2f\n", s.name, file.size() / 1048576.0, ours,
                    peer, peer / ours, inf, zl, zl / inf);
    }
    std::printf("%-40s %8s %8.1fms %8.1fms %7.2f %8.1fms %8.1fms %7.2f\n", "total", "", sumOurs, sumPeer,
                sumPeer / sumOurs, sumInf, sumZ, sumZ / sumInf);
    return 0;
}
