#include "skin/SkinLoad.h"

#include <string>

namespace dirsheet::skin {

namespace {
// The picture block is read into a buffer 23 bytes longer than the block, left zero.
constexpr std::size_t kBlockPadding = 23;
}  // namespace

bool DecodePortablePicture(const std::vector<std::uint8_t>& file, Image& out) {
  try {
    switch (DetectImageKind(file.data(), file.size())) {
      case ImageKind::Bmp:
        out = DecodeBmp(file.data(), file.size());
        return true;
      case ImageKind::Icon:
        out = DecodeIcon(file.data(), file.size());
        return true;
      case ImageKind::Png:
        return DecodePng(file.data(), file.size(), out);
      default:
        return false;
    }
  } catch (const SkinError&) {
    return false;
  }
}

LoadedSkinFile LoadSkinBytes(const std::uint8_t* bytes, std::size_t size, PictureDecoder decode) {
  LoadedSkinFile s;
  s.Contents = ReadSkinFile(bytes, size);
  std::vector<std::uint8_t> block = s.Contents.PictureBlock;
  block.resize(block.size() + kBlockPadding, 0);
  s.Picture = ExtractSkinPicture(block);
  s.Kind = DetectImageKind(s.Picture.File.data(), s.Picture.File.size());
  if (!decode(s.Picture.File, s.Pixels) || s.Pixels.Width <= 0 || s.Pixels.Height <= 0 ||
      s.Pixels.Pixels.size() != std::size_t(s.Pixels.Width) * std::size_t(s.Pixels.Height))
    throw SkinError(std::string("the ") + ImageKindName(s.Kind) + " picture does not decode");
  return s;
}

}  // namespace dirsheet::skin
