#include "LibpngOracle.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace {

struct Reader {
  const std::vector<uint8_t>* file;
  size_t at;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
  auto* r = static_cast<Reader*>(png_get_io_ptr(png));
  if (r->at + n > r->file->size()) png_error(png, "read past the end");
  std::memcpy(out, r->file->data() + r->at, n);
  r->at += n;
}

// One decode with the given transformations; `indices` asks for palette indices instead.
bool Decode(const std::vector<uint8_t>& file, bool ignoreChecksums, bool indices,
            OracleImage& img) {
  png_structp png = png_create_read_struct(
      PNG_LIBPNG_VER_STRING, nullptr, [](png_structp p, png_const_charp) { png_longjmp(p, 1); },
      [](png_structp, png_const_charp) {});
  png_infop info = png_create_info_struct(png);
  Reader reader{&file, 0};
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  if (ignoreChecksums) {
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
  }
  png_read_info(png, info);
  if (indices) {
    png_set_packing(png);
  } else {
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  img.width = static_cast<long>(png_get_image_width(png, info));
  img.height = static_cast<long>(png_get_image_height(png, info));
  const size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<uint8_t>& out = indices ? img.indices : img.rgba;
  out.assign(rowBytes * static_cast<size_t>(img.height), 0);
  rows.resize(static_cast<size_t>(img.height));
  for (long y = 0; y < img.height; ++y) rows[y] = out.data() + static_cast<size_t>(y) * rowBytes;
  png_read_image(png, rows.data());
  png_read_end(png, info);
  png_colorp palette = nullptr;
  png_get_PLTE(png, info, &palette, &img.paletteEntries);
  png_textp text = nullptr;
  const int count = png_get_text(png, info, &text, nullptr);
  for (int i = 0; i < count; ++i) {
    std::string& to =
        text[i].compression == PNG_TEXT_COMPRESSION_NONE ? img.text : img.compressedText;
    to += std::string(text[i].key) + '\0' + std::string(text[i].text, text[i].text_length) + '\0';
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

std::optional<OracleImage> LibpngDecode(const std::vector<uint8_t>& file, bool ignoreChecksums) {
  OracleImage img;
  if (!Decode(file, ignoreChecksums, false, img)) return std::nullopt;
  OracleImage withIndices;
  const bool palette = file.size() > 25 && file[25] == 3;  // the colour type of a leading IHDR
  if (palette && Decode(file, ignoreChecksums, true, withIndices)) {
    img.indices = std::move(withIndices.indices);
    img.paletteEntries = withIndices.paletteEntries;
  }
  return img;
}
