// The picture block at the end of a skin file: a property bag whose property
// "SkinPicture" holds the skin picture. Two forms are read: the small layout our own
// skin maker writes, and the platform's own property-bag serialization as other tools
// write it, searched for the property's name and the persisted picture after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dirsheet::skin {

// The kinds of image file a picture block may carry; the kind of the `n` bytes at `b`,
// told by their signature.
enum class ImageKind { Unknown, Bmp, Png, Gif, Jpeg, Icon };
ImageKind DetectImageKind(const std::uint8_t* b, std::size_t n);
const char* ImageKindName(ImageKind kind);

// How the picture was found in the block.
enum class PictureSource {
  OwnLayout,     // the "SkinPicture" property of our own layout
  NamedAnsi,     // the first persisted picture after the name "SkinPicture" in ANSI
  NamedUtf16,    // the same after the name in UTF-16
  FirstPicture,  // no such name: the first persisted picture in the block
};
const char* PictureSourceName(PictureSource source);

struct FoundPicture {
  std::vector<std::uint8_t> File;  // the image file, its stream tag and length taken off
  PictureSource Source = PictureSource::OwnLayout;
  std::size_t Offset = 0;  // where the image file starts in the block
};

// Finds the skin picture in a picture block. Throws SkinError when the block holds none.
FoundPicture ExtractSkinPicture(const std::vector<std::uint8_t>& block);

}  // namespace dirsheet::skin
