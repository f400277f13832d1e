// Reading a whole skin file the way the engine loads it: header and record, the picture
// found in the picture block, and the picture decoded. The engine and skindump share it,
// so what skindump says about a file is what the engine does with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "skin/Image.h"
#include "skin/PictureBlock.h"
#include "skin/SkinFile.h"

namespace dirsheet::skin {

struct LoadedSkinFile {
  SkinFileContents Contents;  // the record as the file has it
  FoundPicture Picture;
  ImageKind Kind = ImageKind::Unknown;
  Image Pixels;
};

// Turns an image file into pixels; false when it does not decode.
using PictureDecoder = bool (*)(const std::vector<std::uint8_t>& file, Image& out);

// Reads and decodes a skin file. Throws SignatureError for a wrong signature and
// SkinError, whose text says why, for any other file that holds no usable skin: cut
// short, no picture in the picture block, or a picture that does not decode.
LoadedSkinFile LoadSkinBytes(const std::uint8_t* bytes, std::size_t size, PictureDecoder decode);

}  // namespace dirsheet::skin
