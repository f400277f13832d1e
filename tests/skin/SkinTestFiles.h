// Hand-made skins for the tests: a small picture with solid-coloured pieces whose
// colours tell which piece and which look (active or inactive) was drawn.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "skin/Image.h"
#include "skin/PictureBlock.h"
#include "skin/SkinFile.h"

namespace dirsheet::skin::testing {

// Colours of the test skin's pieces (0x00RRGGBB as in the picture).
constexpr std::uint32_t kActiveCaption = 0x2060C0, kActiveEdge = 0x204080;
constexpr std::uint32_t kInactiveCaption = 0x909090, kInactiveEdge = 0x707070;
constexpr std::uint32_t kButtonState[4] = {0x00C000, 0x00FF00, 0x008000, 0x606060};
constexpr std::uint32_t kMagenta = 0xFF00FF;

struct TestSkinOptions {
  bool RoundedCorners = true;  // magenta 3-pixel triangles in the top corners
  bool ClientTile = false;     // a 16 x 16 tile whose pixels encode their own position
  std::int32_t ClientColor = -1;
  std::int32_t MenuColor = -1;
};

struct TestSkin {
  SkinData Data;
  Image Picture;
};

// Caption 20 pixels high, borders 4 pixels wide, close button 12 x 12 at 18 pixels from
// the right edge and 4 from the top.
TestSkin MakeTestSkin(const TestSkinOptions& options = {});

// The whole skin file: header, record and a picture block with a BMP inside.
std::vector<std::uint8_t> SkinFileBytes(const TestSkin& skin);

// Tile pixel colour at (x, y) of the test tile.
std::uint32_t TileColor(int x, int y);

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A 24-bit bottom-up BMP of the image, rows padded to 4 bytes.
std::vector<std::uint8_t> EncodeBmp24(const Image& image);

// A picture block of the skin maker's own layout: a count of 1, the name "SkinPicture"
// after its 2-byte length, then the value's length, the stream signature "lt\0\0", the
// image file's length and the image file.
std::vector<std::uint8_t> MakePictureBlock(const std::vector<std::uint8_t>& imageFile);

// A picture block as the platform's property-bag serialization lays one out, as far as
// the reader relies on it: property after property, each a name (ANSI or UTF-16, its
// length in bytes before it, NUL-terminated), a type word and the value; a picture value
// persisted as the stream signature "lt\0\0", the image's length and the image.
class Bag {
 public:
  using Bytes = std::vector<std::uint8_t>;
  Bag& Raw(const Bytes& b);
  Bag& U32(std::uint32_t v);
  Bag& Name(const std::string& name, bool utf16);
  Bag& Stream(const Bytes& image);
  Bag& Text(const std::string& text);
  Bytes bytes;
};

// The whole skin file with its picture in such a property bag: another property first,
// then "SkinPicture" with the picture as a stream.
std::vector<std::uint8_t> SkinFileBytesInPropertyBag(const TestSkin& skin, bool utf16Name);

}  // namespace dirsheet::skin::testing
