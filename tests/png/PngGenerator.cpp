#include "PngGenerator.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdlib>

#include "DeflateWriter.h"
#include "PngBuilder.h"

namespace dirsheet::png::testing {

int Channels(int colourType) {
  switch (colourType) {
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 1;
  }
}

namespace {

int Bpp(const PictureLayout& s) { return s.depth * Channels(s.colourType); }
size_t RowBytes(const PictureLayout& s, int width) {
  return (static_cast<size_t>(width) * Bpp(s) + 7) / 8;
}

// Sample `c` of pixel `x` in a packed row.
unsigned SampleAt(const Bytes& row, const PictureLayout& s, int x, int c) {
  const int channels = Channels(s.colourType);
  if (s.depth < 8) {
    const size_t bit = static_cast<size_t>(x) * s.depth;
    return (row[bit / 8] >> (8 - s.depth - bit % 8)) & ((1u << s.depth) - 1);
  }
  const size_t at = (static_cast<size_t>(x) * channels + c) * (s.depth / 8);
  return s.depth == 16 ? (row[at] << 8) | row[at + 1] : row[at];
}

void PutSample(Bytes& row, const PictureLayout& s, int x, int c, unsigned v) {
  const int channels = Channels(s.colourType);
  if (s.depth < 8) {
    const size_t bit = static_cast<size_t>(x) * s.depth;
    row[bit / 8] = static_cast<uint8_t>(row[bit / 8] | (v << (8 - s.depth - bit % 8)));
    return;
  }
  const size_t at = (static_cast<size_t>(x) * channels + c) * (s.depth / 8);
  if (s.depth == 16) {
    row[at] = static_cast<uint8_t>(v >> 8);
    row[at + 1] = static_cast<uint8_t>(v);
  } else {
    row[at] = static_cast<uint8_t>(v);
  }
}

// The pixel bits of one pixel of a packed row, as a number (up to 64 bits).
uint64_t PixelAt(const Bytes& row, const PictureLayout& s, int x) {
  const int bpp = Bpp(s);
  if (bpp < 8) return SampleAt(row, s, x, 0);
  uint64_t v = 0;
  for (int i = 0; i < bpp / 8; ++i) v = (v << 8) | row[static_cast<size_t>(x) * (bpp / 8) + i];
  return v;
}

void PutPixel(Bytes& row, const PictureLayout& s, int x, uint64_t v) {
  const int bpp = Bpp(s);
  if (bpp < 8) {
    PutSample(row, s, x, 0, static_cast<unsigned>(v));
    return;
  }
  for (int i = bpp / 8 - 1; i >= 0; --i, v >>= 8)
    row[static_cast<size_t>(x) * (bpp / 8) + i] = static_cast<uint8_t>(v);
}

// Forward filters of the format: the byte minus its predictor.
Bytes Filter(const Bytes& raw, const Bytes& prior, int type, size_t step) {
  Bytes out(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    const int a = i >= step ? raw[i - step] : 0, b = prior[i], c = i >= step ? prior[i - step] : 0;
    int pred = 0;
    if (type == 1) pred = a;
    if (type == 2) pred = b;
    if (type == 3) pred = (a + b) / 2;
    if (type == 4) {
      const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
      pred = (pa <= pb && pa <= pc) ? a : pb <= pc ? b : c;
    }
    out[i] = static_cast<uint8_t>(raw[i] - pred);
  }
  return out;
}

// The filtered scanlines: the whole image, or its seven Adam7 passes.
Bytes Scanlines(const Picture& p, bool randomFilters, std::mt19937& rng) {
  static const int adam7[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                                  {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
  static const int whole[1][4] = {{0, 1, 0, 1}};
  const PictureLayout& s = p.layout;
  const auto& passes = s.interlace ? adam7 : whole;
  const int count = s.interlace ? 7 : 1;
  const size_t step = std::max(1, Bpp(s) / 8);
  Bytes out;
  for (int i = 0; i < count; ++i) {
    const int* q = passes[i];
    const int pw = s.width > q[0] ? (s.width - q[0] + q[1] - 1) / q[1] : 0;
    if (pw == 0) continue;
    Bytes prior(RowBytes(s, pw), 0);
    for (int y = q[2]; y < s.height; y += q[3]) {
      Bytes raw(RowBytes(s, pw), 0);
      for (int k = 0; k < pw; ++k) PutPixel(raw, s, k, PixelAt(p.rows[y], s, q[0] + k * q[1]));
      const int type = randomFilters ? static_cast<int>(rng() % 5) : 0;
      out.push_back(static_cast<uint8_t>(type));
      const Bytes f = Filter(raw, prior, type, step);
      out.insert(out.end(), f.begin(), f.end());
      prior = raw;
    }
  }
  return out;
}

Bytes Zlib(const Bytes& raw, const Encoding& e) {
  if (e.writer != Writer::SingleDistance) return ZlibCompress(raw, e.level, e.strategy);
  Bytes out = {0x78, 0x01};
  const Bytes deflated = SingleDistanceDeflate(raw, 1 + static_cast<int>(raw.size() % 4));
  out.insert(out.end(), deflated.begin(), deflated.end());
  const uint32_t adler = static_cast<uint32_t>(
      adler32(adler32(0, nullptr, 0), raw.data(), static_cast<uInt>(raw.size())));
  for (int sh = 24; sh >= 0; sh -= 8) out.push_back(static_cast<uint8_t>(adler >> sh));
  return out;
}

Bytes TextChunk(const std::string& key, const std::string& text) {
  Bytes d(key.begin(), key.end());
  d.push_back(0);
  d.insert(d.end(), text.begin(), text.end());
  return d;
}

Bytes EncodeWithZlib(const Picture& p, const Encoding& e, std::mt19937& rng) {
  const PictureLayout& s = p.layout;
  PngBuilder b;
  b.Header(static_cast<uint32_t>(s.width), static_cast<uint32_t>(s.height), s.depth, s.colourType,
           s.interlace);
  if (!p.palette.empty()) b.Chunk("PLTE", p.palette);
  if (!p.trns.empty()) b.Chunk("tRNS", p.trns);
  for (const auto& t : p.text) b.Chunk("tEXt", TextChunk(t.first, t.second));
  const Bytes z = Zlib(Scanlines(p, e.filtersFromRng, rng), e);
  for (size_t at = 0; at < z.size();) {
    size_t n = z.size() - at;
    if (e.idatPiece > 0) n = std::min(n, static_cast<size_t>(e.idatPiece));
    if (e.idatPiece < 0) n = std::min(n, static_cast<size_t>(rng() % 3 == 0 ? 1 : 1 + rng() % 700));
    b.Chunk("IDAT",
            Bytes(z.begin() + static_cast<long>(at), z.begin() + static_cast<long>(at + n)));
    if (e.idatPiece < 0 && rng() % 8 == 0) b.Chunk("IDAT", {});
    at += n;
  }
  for (const auto& t : p.compressed) {
    Bytes d(t.first.begin(), t.first.end());
    d.insert(d.end(), {0, 0});
    const Bytes packed = ZlibCompress(Bytes(t.second.begin(), t.second.end()));
    d.insert(d.end(), packed.begin(), packed.end());
    b.Chunk("zTXt", d);
  }
  return b.End().bytes();
}

Bytes EncodeWithLibpng(const Picture& p, const Encoding& e) {
  const PictureLayout& s = p.layout;
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::abort();  // the generator makes only valid pictures
  }
  png_set_write_fn(
      png, &out,
      [](png_structp w, png_bytep d, png_size_t n) {
        auto* o = static_cast<Bytes*>(png_get_io_ptr(w));
        o->insert(o->end(), d, d + n);
      },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height),
               s.depth, s.colourType, s.interlace, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, 0, PNG_ALL_FILTERS);
  png_set_compression_level(png, e.level);
  png_set_compression_strategy(png, e.strategy);
  if (e.idatPiece > 0)
    png_set_compression_buffer_size(png, static_cast<size_t>(std::max(e.idatPiece, 64)));
  std::vector<png_color> palette;
  for (size_t i = 0; i + 2 < p.palette.size(); i += 3)
    palette.push_back({p.palette[i], p.palette[i + 1], p.palette[i + 2]});
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
  if (!p.trns.empty()) {
    png_color_16 key{};
    if (s.colourType == 0) key.gray = static_cast<png_uint_16>((p.trns[0] << 8) | p.trns[1]);
    if (s.colourType == 2) {
      key.red = static_cast<png_uint_16>((p.trns[0] << 8) | p.trns[1]);
      key.green = static_cast<png_uint_16>((p.trns[2] << 8) | p.trns[3]);
      key.blue = static_cast<png_uint_16>((p.trns[4] << 8) | p.trns[5]);
    }
    png_set_tRNS(png, info, s.colourType == 3 ? p.trns.data() : nullptr,
                 static_cast<int>(p.trns.size()), s.colourType == 3 ? nullptr : &key);
  }
  std::vector<png_text> texts;
  auto add = [&texts](const std::pair<std::string, std::string>& t, int compression) {
    png_text x{};
    x.compression = compression;
    x.key = const_cast<char*>(t.first.c_str());
    x.text = const_cast<char*>(t.second.c_str());
    x.text_length = t.second.size();
    texts.push_back(x);
  };
  for (const auto& t : p.text) add(t, PNG_TEXT_COMPRESSION_NONE);
  for (const auto& t : p.compressed) add(t, PNG_TEXT_COMPRESSION_zTXt);
  if (!texts.empty()) png_set_text(png, info, texts.data(), static_cast<int>(texts.size()));
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (const Bytes& r : p.rows) rows.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

}  // namespace

Picture RandomPicture(const PictureLayout& layout, bool withTrns, std::mt19937& rng) {
  Picture p;
  p.layout = layout;
  const int channels = Channels(layout.colourType);
  const unsigned maxValue = (1u << layout.depth) - 1;
  unsigned paletteSize = 0;
  if (layout.colourType == 3) {
    paletteSize = 1 + rng() % (maxValue + 1);
    for (unsigned i = 0; i < paletteSize * 3; ++i) p.palette.push_back(static_cast<uint8_t>(rng()));
  }
  auto sample = [&]() -> unsigned {
    if (layout.colourType == 3) return rng() % paletteSize;
    return static_cast<unsigned>(rng()) & maxValue;
  };
  std::vector<unsigned> pixel(static_cast<size_t>(channels));
  for (int y = 0; y < layout.height; ++y) {
    const int kind = static_cast<int>(rng() % 4);
    if (kind == 0 && y > 0) {  // the row above again
      p.rows.push_back(p.rows.back());
      continue;
    }
    Bytes row(RowBytes(layout, layout.width), 0);
    for (unsigned& v : pixel) v = sample();
    for (int x = 0; x < layout.width; ++x) {
      // Runs of one pixel, ramps and noise.
      if (kind == 1 || (kind == 2 && rng() % 4 == 0) || kind == 3)
        for (unsigned& v : pixel)
          v = kind == 3 && layout.colourType != 3 ? (v + 1) & maxValue : sample();
      for (int c = 0; c < channels; ++c)
        PutSample(row, layout, x, c, pixel[static_cast<size_t>(c)]);
    }
    p.rows.push_back(row);
  }
  if (withTrns && layout.colourType == 3) {
    const unsigned n = 1 + rng() % paletteSize;
    for (unsigned i = 0; i < n; ++i)
      p.trns.push_back(static_cast<uint8_t>(rng() % 3 == 0 ? 255 : rng()));
  } else if (withTrns && (layout.colourType == 0 || layout.colourType == 2)) {
    // The key of an actual pixel, so that it takes effect.
    const int x = static_cast<int>(rng() % static_cast<unsigned>(layout.width));
    const int y = static_cast<int>(rng() % static_cast<unsigned>(layout.height));
    for (int c = 0; c < channels; ++c) {
      const unsigned v = SampleAt(p.rows[y], layout, x, c);
      p.trns.insert(p.trns.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    }
  }
  return p;
}

Bytes EncodePng(const Picture& picture, const Encoding& encoding, std::mt19937& rng) {
  return encoding.writer == Writer::Libpng ? EncodeWithLibpng(picture, encoding)
                                           : EncodeWithZlib(picture, encoding, rng);
}

}  // namespace dirsheet::png::testing
