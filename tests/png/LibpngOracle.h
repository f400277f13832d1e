// libpng as the independent decoder the suite is compared with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct OracleImage {
    long width = 0;
    long height = 0;
    std::vector<uint8_t> rgba;  // 8-bit RGBA, top row first, 16-bit samples cut to their high byte
};

// Decodes with libpng; `ignoreChecksums` turns off its chunk CRC and Adler-32 tests.
// Returns nothing when libpng rejects the file.
std::optional<OracleImage> LibpngDecode(const std::string& path, bool ignoreChecksums);

// The palette indices of a palette image, one byte per pixel, and the palette's size.
std::optional<std::vector<uint8_t>> LibpngIndices(const std::string& path, int& paletteEntries);
