#include "skin/PictureBlock.h"

#include <algorithm>
#include <cstring>

#include "skin/Bytes.h"
#include "skin/SkinFile.h"

namespace dirsheet::skin {

namespace {

constexpr char kPropertyName[] = "SkinPicture";
constexpr std::size_t kNameLength = sizeof kPropertyName - 1;
constexpr std::uint8_t kStreamTag[4] = {'l', 't', 0, 0};  // a persisted picture's stream signature

// Our own layout: a property count (UInt32, 1 to 256), then per property a name (UInt16
// length + ANSI bytes) and a value (UInt32 length + bytes). False when the block is not in
// that layout or its "SkinPicture" holds no image.
bool FromOwnLayout(const std::vector<std::uint8_t>& block, FoundPicture& out) {
  const std::uint8_t* b = block.data();
  const std::size_t n = block.size();
  std::size_t pos = 0;
  auto has = [&](std::size_t k) { return k <= n - pos; };
  if (!has(4)) return false;
  const std::uint32_t count = LoadLe(b, 4);
  pos = 4;
  if (count == 0 || count > 256) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (!has(2)) return false;
    const std::size_t nameLen = LoadLe(b + pos, 2);
    pos += 2;
    if (!has(nameLen)) return false;
    const bool ours =
        nameLen == kNameLength && std::memcmp(b + pos, kPropertyName, kNameLength) == 0;
    pos += nameLen;
    if (!has(4)) return false;
    const std::size_t valueLen = LoadLe(b + pos, 4);
    pos += 4;
    if (!has(valueLen)) return false;
    const std::uint8_t* value = b + pos;
    if (ours) {
      if (valueLen >= 8 && std::memcmp(value, kStreamTag, 4) == 0) {
        const std::size_t imageLen = LoadLe(value + 4, 4);
        if (imageLen > valueLen - 8) return false;
        out = {std::vector<std::uint8_t>(value + 8, value + 8 + imageLen), PictureSource::OwnLayout,
               pos + 8};
        return true;
      }
      if (DetectImageKind(value, valueLen) == ImageKind::Unknown) return false;
      out = {std::vector<std::uint8_t>(value, value + valueLen), PictureSource::OwnLayout, pos};
      return true;
    }
    pos += valueLen;
  }
  return false;
}

bool IsBmpHeaderSize(std::uint32_t size) {
  return size == 12 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108 ||
         size == 124;
}

// A PNG file ends with its IEND chunk; one cut short runs to the block's end.
std::size_t PngLength(const std::uint8_t* p, std::size_t n) {
  std::size_t at = 8;
  while (n - at >= 12) {
    const std::size_t len = LoadBe32(p + at);
    if (len > n - at - 12) break;
    at += 12 + len;
    if (std::memcmp(p + at - len - 8, "IEND", 4) == 0) return at;
  }
  return n;
}

// The length of a bare image file starting at `p` (n bytes to the block's end), or 0 when
// what looks like an image's signature there is not one. GIF and JPEG files carry no
// length of their own: they run to the block's end, and their decoders stop at their own
// end marks.
std::size_t BareImageLength(const std::uint8_t* p, std::size_t n) {
  switch (DetectImageKind(p, n)) {
    case ImageKind::Bmp: {
      if (n < 26 || !IsBmpHeaderSize(LoadLe(p + 14, 4))) return 0;
      const std::uint32_t size = LoadLe(p + 2, 4);
      if (size == 0) return n;  // some writers leave the file size out
      return size >= 26 && size <= n ? size : 0;
    }
    case ImageKind::Icon: {
      const std::uint32_t count = LoadLe(p + 4, 2);
      if (n < 6 + 16) return 0;
      const std::uint32_t size = LoadLe(p + 6 + 8, 4), at = LoadLe(p + 6 + 12, 4);
      if (at < 6 + 16 * count || size == 0 || at > n || size > n - at) return 0;
      return n;
    }
    case ImageKind::Png:
      return PngLength(p, n);
    case ImageKind::Gif:
    case ImageKind::Jpeg:
      return n;
    case ImageKind::Unknown:
      break;
  }
  return 0;
}

// A persisted picture at `at`: the stream signature with the image's length and an image
// file of a known kind after it, or a bare image file. Everything lies inside the block.
bool PictureAt(const std::vector<std::uint8_t>& block, std::size_t at, FoundPicture& out) {
  const std::uint8_t* p = block.data() + at;
  const std::size_t n = block.size() - at;
  if (n >= 8 && std::memcmp(p, kStreamTag, 4) == 0) {
    const std::size_t len = LoadLe(p + 4, 4);
    if (len >= 2 && len <= n - 8 && DetectImageKind(p + 8, len) != ImageKind::Unknown) {
      out.File.assign(p + 8, p + 8 + len);
      out.Offset = at + 8;
      return true;
    }
    return false;
  }
  const std::size_t len = BareImageLength(p, n);
  if (len == 0) return false;
  out.File.assign(p, p + len);
  out.Offset = at;
  return true;
}

bool FirstPictureFrom(const std::vector<std::uint8_t>& block, std::size_t from, FoundPicture& out) {
  for (std::size_t at = from; at < block.size(); ++at)
    if (PictureAt(block, at, out)) return true;
  return false;
}

// Where the name first occurs in ANSI or in UTF-16 (little-endian), and which form it is.
bool FindName(const std::vector<std::uint8_t>& block, std::size_t& end, PictureSource& form) {
  std::vector<std::uint8_t> wide;
  for (char c : std::string(kPropertyName)) {
    wide.push_back(std::uint8_t(c));
    wide.push_back(0);
  }
  const auto ansi =
      std::search(block.begin(), block.end(), kPropertyName, kPropertyName + kNameLength);
  const auto utf16 = std::search(block.begin(), block.end(), wide.begin(), wide.end());
  if (ansi == block.end() && utf16 == block.end()) return false;
  if (ansi <= utf16) {
    end = std::size_t(ansi - block.begin()) + kNameLength;
    form = PictureSource::NamedAnsi;
  } else {
    end = std::size_t(utf16 - block.begin()) + wide.size();
    form = PictureSource::NamedUtf16;
  }
  return true;
}

}  // namespace

ImageKind DetectImageKind(const std::uint8_t* b, std::size_t n) {
  static const std::uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (n >= 8 && std::memcmp(b, png, 8) == 0) return ImageKind::Png;
  if (n >= 2 && b[0] == 'B' && b[1] == 'M') return ImageKind::Bmp;
  if (n >= 6 && (std::memcmp(b, "GIF87a", 6) == 0 || std::memcmp(b, "GIF89a", 6) == 0))
    return ImageKind::Gif;
  if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return ImageKind::Jpeg;
  // An icon directory: reserved 0, type 1, at least one image.
  if (n >= 6 && b[0] == 0 && b[1] == 0 && b[2] == 1 && b[3] == 0 && (b[4] | b[5]) != 0)
    return ImageKind::Icon;
  return ImageKind::Unknown;
}

const char* ImageKindName(ImageKind kind) {
  switch (kind) {
    case ImageKind::Bmp:
      return "BMP";
    case ImageKind::Png:
      return "PNG";
    case ImageKind::Gif:
      return "GIF";
    case ImageKind::Jpeg:
      return "JPEG";
    case ImageKind::Icon:
      return "icon";
    case ImageKind::Unknown:
      break;
  }
  return "unknown";
}

const char* PictureSourceName(PictureSource source) {
  switch (source) {
    case PictureSource::OwnLayout:
      return "property SkinPicture";
    case PictureSource::NamedAnsi:
      return "after the name SkinPicture (ANSI)";
    case PictureSource::NamedUtf16:
      return "after the name SkinPicture (UTF-16)";
    case PictureSource::FirstPicture:
      return "first picture in the block";
  }
  return "";
}

FoundPicture ExtractSkinPicture(const std::vector<std::uint8_t>& block) {
  FoundPicture found;
  if (FromOwnLayout(block, found)) return found;
  // The platform's own serialization: the property's name, then its persisted value.
  std::size_t nameEnd = 0;
  PictureSource form = PictureSource::FirstPicture;
  if (FindName(block, nameEnd, form)) {
    if (!FirstPictureFrom(block, nameEnd, found))
      throw SkinError("the picture block holds no picture after the name SkinPicture");
    found.Source = form;
    return found;
  }
  if (!FirstPictureFrom(block, 0, found)) throw SkinError("the picture block holds no picture");
  found.Source = PictureSource::FirstPicture;
  return found;
}

}  // namespace dirsheet::skin
