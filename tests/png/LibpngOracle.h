// libpng as the independent decoder the decoder is compared with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct OracleImage {
  long width = 0;
  long height = 0;
  std::vector<uint8_t> rgba;  // 8-bit RGBA, top row first, 16-bit samples cut to their high byte
  int paletteEntries = 0;
  std::vector<uint8_t> indices;  // palette images: one index per pixel
  std::string text;              // every tEXt as keyword, NUL, text, NUL, in file order
  std::string compressedText;    // every zTXt the same way
};

// Decodes with libpng; `ignoreChecksums` turns off its chunk CRC and Adler-32 tests.
// Returns nothing when libpng rejects the file.
std::optional<OracleImage> LibpngDecode(const std::vector<uint8_t>& file,
                                        bool ignoreChecksums = false);
