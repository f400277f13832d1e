// What skindump prints about a skin file: the record's fields one a line as
// "Name: value", where the picture was found, its format and size, the pieces that lie
// outside it, and whether the engine loads the file.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "skin/SkinLoad.h"

namespace dirsheet::skin {

// Writes the dump of a skin file's bytes to `out`. Returns true when the engine would load
// the file; otherwise `reason` says why in one line.
bool DumpSkin(const std::vector<std::uint8_t>& bytes, PictureDecoder decode, std::ostream& out,
              std::string& reason);

}  // namespace dirsheet::skin
