// Little- and big-endian numbers in the byte arrays of skin files and their pictures,
// and the one check the picture decoders make of their input.
#pragma once

#include <cstdint>

#include "skin/SkinFile.h"

namespace dirsheet::skin {

// The n-byte little-endian number at p (n up to 4).
inline std::uint32_t LoadLe(const std::uint8_t* p, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

inline std::uint32_t LoadBe32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}

// Malformed picture data is a SkinError with the given reason.
inline void Require(bool ok, const char* what) {
  if (!ok) throw SkinError(what);
}

}  // namespace dirsheet::skin
