// Decode throughput of the PNG decoder against libpng (with zlib) and libspng, on large
// images generated here with libpng's writer, and Inflate alone against zlib's inflate.
// Three measures per image, each the best of RUNS with the decoders taking turns:
//   own:   the decoder's own output (the device-bitmap rows it hands to the drawing,
//          no blending) against libpng's rows (16-bit cut to 8) and libspng's rows in
//          the image's own format;
//   RGBA:  8-bit RGBA from every decoder;
//   inflate: the image data alone, against zlib.
// Ratios are peer time / our time: above 1.0 this decoder is faster.
// usage: png_bench [RUNS] [NAME-FILTER] | png_bench --write DIR (the test files of the
// memory measures in bench/png/run.sh)
#include <png.h>
#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "png/Decode.h"
#include "png/PngError.h"

using namespace dirsheet::png;
using Bytes = std::vector<uint8_t>;

// Large blocks freed by any of the decoders (or by this harness, which allocates the
// peers' output buffers) are kept and handed out again, as a long-running program's heap
// does: on virtual machines the first touch of a fresh page can cost 10 us or more, which
// would measure the machine's page faults instead of the decoders. Small blocks go to
// malloc as usual.
namespace {
constexpr size_t kLarge = size_t{1} << 20;
constexpr size_t kHeader = 16;  // the block's capacity, before the pointer handed out
struct Cached {
  void* block;
  size_t capacity;
};
Cached cache[16];
int cached = 0;
}  // namespace

void* operator new(size_t size) {
  if (size >= kLarge) {
    for (int i = 0; i < cached; ++i)
      if (cache[i].capacity >= size && cache[i].capacity <= 2 * size) {
        void* p = cache[i].block;
        cache[i] = cache[--cached];
        return static_cast<char*>(p) + kHeader;
      }
  }
  void* p = std::malloc(size + kHeader);
  if (!p) throw std::bad_alloc();
  *static_cast<size_t*>(p) = size;
  return static_cast<char*>(p) + kHeader;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  void* block = static_cast<char*>(p) - kHeader;
  const size_t capacity = *static_cast<size_t*>(block);
  if (capacity >= kLarge && cached < 16) {
    cache[cached++] = {block, capacity};
    return;
  }
  std::free(block);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

struct ImageKind {
  const char* name;
  int width, height, depth, colourType, interlace;
  const char* file;  // its name when written out
};

const ImageKind kKinds[] = {
    {"photo RGB 8-bit 2048x2048", 2048, 2048, 8, 2, 0, "rgb8.png"},
    {"photo RGBA 8-bit 2048x2048", 2048, 2048, 8, 6, 0, "rgba8.png"},
    {"palette 8-bit 2048x2048", 2048, 2048, 8, 3, 0, "palette8.png"},
    {"grey+alpha 8-bit 2048x2048", 2048, 2048, 8, 4, 0, "greyalpha8.png"},
    {"photo RGB 16-bit 1600x1600", 1600, 1600, 16, 2, 0, "rgb16.png"},
    {"photo RGB 8-bit interlaced 2048x2048", 2048, 2048, 8, 2, 1, "rgb8-interlaced.png"},
};

// Photographic content: gradients, a few shapes and mild noise, so that every filter type
// gets used and the data compresses like a real picture.
uint16_t Sample(int x, int y, int c, std::mt19937& rng, int maxValue) {
  const double fx = x / 97.0, fy = y / 131.0;
  double v =
      0.5 + 0.25 * std::sin(fx + c) * std::cos(fy - c) + 0.2 * ((x / 64 + y / 64 + c) % 3) / 2.0;
  if ((x - 700) * (x - 700) + (y - 500) * (y - 500) < 300 * 300) v = 0.3 + 0.1 * c;
  v += (static_cast<int>(rng() % 9) - 4) / 400.0;
  return static_cast<uint16_t>(std::clamp(v, 0.0, 1.0) * maxValue);
}

void WriteToBytes(png_structp p, png_bytep d, png_size_t n) {
  auto* o = static_cast<Bytes*>(png_get_io_ptr(p));
  o->insert(o->end(), d, d + n);
}

Bytes Encode(const ImageKind& s) {
  std::mt19937 rng(42);
  const int channels = s.colourType == 2 ? 3 : s.colourType == 6 ? 4 : s.colourType == 4 ? 2 : 1;
  const int sampleBytes = s.depth / 8;
  std::vector<Bytes> rows(s.height, Bytes(static_cast<size_t>(s.width) * channels * sampleBytes));
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x)
      for (int c = 0; c < channels; ++c) {
        uint16_t v = s.colourType == 3
                         ? static_cast<uint16_t>(Sample(x, y, 0, rng, 255) ^ ((x / 16) & 7))
                         : Sample(x, y, c, rng, (1 << s.depth) - 1);
        const bool alpha = (s.colourType == 6 && c == 3) || (s.colourType == 4 && c == 1);
        if (alpha) v = static_cast<uint16_t>(x % 256 == 0 ? 0 : 255 - (y % 128));
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
  png_set_write_fn(png, &out, WriteToBytes, nullptr);
  png_set_IHDR(png, info, s.width, s.height, s.depth, s.colourType, s.interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (s.colourType == 3) {
    png_color palette[256];
    for (int i = 0; i < 256; ++i)
      palette[i] = {static_cast<png_byte>(i), static_cast<png_byte>(255 - i),
                    static_cast<png_byte>(i * 7)};
    png_set_PLTE(png, info, palette, 256);
  }
  png_write_info(png, info);
  std::vector<png_bytep> pointers;
  pointers.reserve(rows.size());
  for (auto& r : rows) pointers.push_back(r.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct Reader {
  const Bytes* data;
  size_t at;
};

void ReadFromBytes(png_structp p, png_bytep d, png_size_t n) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(p));
  std::memcpy(d, r->data->data() + r->at, n);
  r->at += n;
}

// libpng into one buffer; `rgba` asks for 8-bit RGBA, otherwise its own rows with 16-bit
// samples cut to 8 bits.
Bytes DecodeLibpng(const Bytes& file, bool rgba) {
  Reader reader{&file, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_read_fn(png, &reader, ReadFromBytes);
  png_read_info(png, info);
  png_set_strip_16(png);
  if (rgba) {
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  }
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
  return pixels;
}

// libspng into one buffer: RGBA8 (tRNS applied) or the image's own format.
Bytes DecodeSpng(const Bytes& file, bool rgba) {
  spng_ctx* ctx = spng_ctx_new(0);
  spng_set_png_buffer(ctx, file.data(), file.size());
  const int format = rgba ? SPNG_FMT_RGBA8 : SPNG_FMT_PNG;
  size_t size = 0;
  Bytes out;
  if (spng_decoded_image_size(ctx, format, &size) == 0) {
    out.resize(size);
    if (spng_decode_image(ctx, out.data(), size, format, rgba ? SPNG_DECODE_TRNS : 0) != 0)
      out.clear();
  }
  spng_ctx_free(ctx);
  return out;
}

PixelBytes DecodeOurs(PngDecoder& decoder, const Bytes& file, bool rgba) {
  DecodeOptions options;
  options.format = rgba ? PixelFormat::Rgba : PixelFormat::DeviceBitmap;
  return decoder.Decode(file.data(), file.size(), options).bitmap.pixels;
}

// The concatenated IDAT data of a file (the zlib stream).
Bytes ImageData(const Bytes& file) {
  Bytes z;
  for (size_t at = 8; at + 8 <= file.size();) {
    const uint32_t len =
        (file[at] << 24) | (file[at + 1] << 16) | (file[at + 2] << 8) | file[at + 3];
    if (std::memcmp(&file[at + 4], "IDAT", 4) == 0)
      z.insert(z.end(), file.begin() + at + 8, file.begin() + at + 8 + len);
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

double Ms(const std::function<void()>& f) {
  const auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

struct Geo {
  double logSum = 0;
  int n = 0;
  double worst = 1e9;
  void Add(double ratio) {
    logSum += std::log(ratio);
    ++n;
    worst = std::min(worst, ratio);
  }
  double Mean() const { return n ? std::exp(logSum / n) : 0; }
};

void WriteFile(const std::string& path, const Bytes& b) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
  }
}

// Chunk with its CRC.
void Chunk(Bytes& out, const char* type, const Bytes& data) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(data.size() >> s));
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  out.insert(out.end(), typed.begin(), typed.end());
  const uLong crc = crc32(0, typed.data(), static_cast<uInt>(typed.size()));
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(crc >> s));
}

// The benchmark's images, and the files of the memory measures: a large RGBA image, many text
// chunks, many zTXt chunks, and a small file that announces 16384 x 8192 palette pixels.
int WriteMemoryFiles(const std::string& dir) {
  for (const ImageKind& k : kKinds) WriteFile(dir + "/" + k.file, Encode(k));
  WriteFile(dir + "/rgba-4096.png", Encode({"", 4096, 4096, 8, 6, 0, ""}));
  const Bytes one = Encode({"", 16, 16, 8, 2, 0, ""});
  const Bytes head(one.begin(), one.begin() + 33), tail(one.begin() + 33, one.end());
  Bytes text = head, ztext = head;
  const Bytes line(1000, 'a');
  for (int i = 0; i < 50000; ++i) {
    Bytes d = {'K', 0};
    d.insert(d.end(), line.begin(), line.end());
    Chunk(text, "tEXt", d);
  }
  Bytes words(100000, 'w');
  Bytes packed(compressBound(words.size()));
  uLongf n = packed.size();
  compress2(packed.data(), &n, words.data(), words.size(), 9);
  packed.resize(n);
  for (int i = 0; i < 2000; ++i) {
    Bytes d = {'Z', 0, 0};
    d.insert(d.end(), packed.begin(), packed.end());
    Chunk(ztext, "zTXt", d);
  }
  text.insert(text.end(), tail.begin(), tail.end());
  ztext.insert(ztext.end(), tail.begin(), tail.end());
  WriteFile(dir + "/text-50000.png", text);
  WriteFile(dir + "/ztxt-2000.png", ztext);
  Bytes wide = {137, 80, 78, 71, 13, 10, 26, 10};
  Chunk(wide, "IHDR", {0, 0, 0x40, 0, 0, 0, 0x20, 0, 8, 3, 0, 0, 0});
  Chunk(wide, "PLTE", {0, 0, 0});
  Bytes zeros(16384 * 8192 / 8, 0);  // a fraction of the rows: the decoder refuses the size first
  Bytes z(compressBound(zeros.size()));
  uLongf zn = z.size();
  compress2(z.data(), &zn, zeros.data(), zeros.size(), 9);
  z.resize(zn);
  Chunk(wide, "IDAT", z);
  Chunk(wide, "IEND", {});
  WriteFile(dir + "/palette-16384x8192.png", wide);
  std::printf(
      "wrote the benchmark's images, rgba-4096.png, text-50000.png, ztxt-2000.png and "
      "palette-16384x8192.png to %s\n",
      dir.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::string(argv[1]) == "--write") return WriteMemoryFiles(argv[2]);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const std::string only = argc > 2 ? argv[2] : "";
  std::printf("best of %d runs, ratios peer / ours (above 1: ours faster)\n", runs);
  std::printf("%-38s %6s | %8s %8s %5s %8s %5s | %8s %8s %5s %8s %5s | %8s %8s %5s\n", "image",
              "MB", "own", "libpng", "x", "spng", "x", "RGBA", "libpng", "x", "spng", "x",
              "Inflate", "zlib", "x");
  Geo ownPng, ownSpng, rgbaPng, rgbaSpng, inflateZ;
  PngDecoder decoder;
  for (const ImageKind& s : kKinds) {
    if (!only.empty() && std::string(s.name).find(only) == std::string::npos) continue;
    const Bytes file = Encode(s);
    const Bytes z = ImageData(file);
    const Bytes stream(z.begin() + 2, z.end());
    const size_t inflatedSize = InflateZlib(z, 1u << 30);
    // The three decoders agree before they are timed.
    const PixelBytes ours = DecodeOurs(decoder, file, true);
    if (Bytes(ours.begin(), ours.end()) != DecodeLibpng(file, true) ||
        DecodeSpng(file, true) != DecodeLibpng(file, true)) {
      std::printf("%s: the decoders disagree\n", s.name);
      return 1;
    }
    Inflater inflater;
    double t[9];
    std::fill(t, t + 9, 1e18);
    for (int r = 0; r < runs; ++r) {
      const std::function<void()> work[9] = {
          [&] { DecodeOurs(decoder, file, false); },
          [&] { DecodeLibpng(file, false); },
          [&] { DecodeSpng(file, false); },
          [&] { DecodeOurs(decoder, file, true); },
          [&] { DecodeLibpng(file, true); },
          [&] { DecodeSpng(file, true); },
          [&] {
            Bytes out;
            inflater.InflateBytes(stream.data(), stream.size(), inflatedSize + 100,
                                  Inflater::WhenFull::Throw, out);
          },
          [&] { InflateZlib(z, inflatedSize); },
          [] {},
      };
      for (int k = 0; k < 8; ++k) t[k] = std::min(t[k], Ms(work[k]));
    }
    ownPng.Add(t[1] / t[0]);
    ownSpng.Add(t[2] / t[0]);
    rgbaPng.Add(t[4] / t[3]);
    rgbaSpng.Add(t[5] / t[3]);
    inflateZ.Add(t[7] / t[6]);
    std::printf(
        "%-38s %6.2f | %6.1fms %6.1fms %5.2f %6.1fms %5.2f | %6.1fms %6.1fms %5.2f %6.1fms %5.2f | "
        "%6.1fms "
        "%6.1fms %5.2f\n",
        s.name, file.size() / 1048576.0, t[0], t[1], t[1] / t[0], t[2], t[2] / t[0], t[3], t[4],
        t[4] / t[3], t[5], t[5] / t[3], t[6], t[7], t[7] / t[6]);
    std::fflush(stdout);
  }
  std::printf("%-38s %6s | %8s %8s %5.2f %8s %5.2f | %8s %8s %5.2f %8s %5.2f | %8s %8s %5.2f\n",
              "geometric mean", "", "", "", ownPng.Mean(), "", ownSpng.Mean(), "", "",
              rgbaPng.Mean(), "", rgbaSpng.Mean(), "", "", inflateZ.Mean());
  std::printf("%-38s %6s | %8s %8s %5.2f %8s %5.2f | %8s %8s %5.2f %8s %5.2f | %8s %8s %5.2f\n",
              "lowest", "", "", "", ownPng.worst, "", ownSpng.worst, "", "", rgbaPng.worst, "",
              rgbaSpng.worst, "", "", inflateZ.worst);
  return 0;
}
