#include "LibpngOracle.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

std::optional<OracleImage> LibpngDecode(const std::string& path, bool ignoreChecksums) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr,
                                             [](png_structp p, png_const_charp) { png_longjmp(p, 1); },
                                             [](png_structp, png_const_charp) {});
    png_infop info = png_create_info_struct(png);
    OracleImage img;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return std::nullopt;
    }
    png_init_io(png, f);
    if (ignoreChecksums) {
        png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
        png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    }
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    img.width = static_cast<long>(png_get_image_width(png, info));
    img.height = static_cast<long>(png_get_image_height(png, info));
    img.rgba.resize(static_cast<size_t>(img.width) * img.height * 4);
    rows.resize(img.height);
    for (long y = 0; y < img.height; ++y) rows[y] = img.rgba.data() + y * img.width * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return img;
}

std::optional<std::vector<uint8_t>> LibpngIndices(const std::string& path, int& paletteEntries) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr,
                                             [](png_structp p, png_const_charp) { png_longjmp(p, 1); },
                                             [](png_structp, png_const_charp) {});
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> indices;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return std::nullopt;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    png_set_packing(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_colorp palette = nullptr;
    paletteEntries = 0;
    png_get_PLTE(png, info, &palette, &paletteEntries);
    const long w = static_cast<long>(png_get_image_width(png, info)), h = static_cast<long>(png_get_image_height(png, info));
    indices.resize(static_cast<size_t>(w) * h);
    rows.resize(h);
    for (long y = 0; y < h; ++y) rows[y] = indices.data() + y * w;
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return indices;
}
