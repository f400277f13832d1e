// The skin file: an 11-byte header, the fixed 1523-byte skin record and a picture block.
// Everything here is portable; the Win32 layer turns the model into fonts, regions and
// drawing surfaces.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace dirsheet::skin {

// Malformed skin content. `SignatureError` is the one failure the user is told about.
class SkinError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
class SignatureError : public SkinError {
 public:
  SignatureError() : SkinError("skin file signature is not SKIN#") {}
};

constexpr char kSkinSignature[5] = {'S', 'K', 'I', 'N', '#'};
constexpr std::size_t kHeaderSize = 11;
constexpr std::size_t kSkinDataSize = 1523;
constexpr std::size_t kPictureBlockOffset = kHeaderSize + kSkinDataSize;  // 1534
constexpr std::uint32_t kTransparentColor = 0xFF00FF;

struct SkinHeader {
  std::array<char, 5> Signature{};
  std::int16_t Reserved1 = 0, Reserved2 = 0, Reserved3 = 0;
};

struct PieceRect {
  std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const PieceRect& o) const {
    return Left == o.Left && Top == o.Top && Width == o.Width && Height == o.Height;
  }
};

// Twelve pieces: left edge (0-2), caption (3-5), right edge (6-8), bottom edge (9-11).
struct FrameSkin {
  std::array<PieceRect, 12> Pieces;
  const PieceRect& operator[](int k) const { return Pieces[k]; }
  PieceRect& operator[](int k) { return Pieces[k]; }
  int LeftBorder() const { return Pieces[1].Width; }
  int CaptionHeight() const { return Pieces[4].Height; }
  int RightBorder() const { return Pieces[7].Width; }
  int BottomBorder() const { return Pieces[10].Height; }
};

enum CaptionButtonIndex { kMinimize = 0, kMaximize = 1, kRestore = 2, kClose = 3 };

struct CaptionButtonSkin {
  std::array<PieceRect, 4> States;  // normal, hot, pressed, inactive
  std::int32_t OffsetX = 0;         // from the window's right edge to the button's left edge
  std::int32_t OffsetY = 0;         // from the window's top edge
};

// A logical font as the platform lays it out; the first 60 bytes go to font creation.
struct SkinFont {
  std::array<std::uint8_t, 61> Raw{};
  std::int32_t Height() const;
  std::int32_t Weight() const;
  std::string FaceName() const;
};

struct CaptionTextSkin {
  std::int32_t TextLeft = 0, TextTop = 0, TextRightMargin = 0, TextHeight = 0;
  std::int32_t ActiveTextColor = 0, InactiveTextColor = 0;
  SkinFont Font;
  std::int32_t TextFormat = 0;
};

struct IconSkin {
  std::int16_t Reserved1 = 0;
  std::int32_t IconLeft = 0, IconTop = 0, IconWidth = 0, IconHeight = 0;
  std::uint8_t Reserved2 = 0;
};

struct MenuBarSkin {
  std::array<PieceRect, 3> Bar, Hot, Pressed;  // left end, middle, right end
  std::int32_t NormalItemColor = 0, HotItemColor = 0, PressedItemColor = 0,
               DisabledItemColor = 0;
  SkinFont Font;
  std::int32_t Reserved = 0;
};

struct SkinData {
  FrameSkin ActiveFrame, InactiveFrame;
  std::array<CaptionButtonSkin, 4> CaptionButtons;
  CaptionTextSkin CaptionText;
  IconSkin Icon;
  MenuBarSkin MenuBar;
  std::int32_t MenuColor = -1;
  std::int16_t DropShadow = 0;
  std::int32_t MinTrackSize[2] = {0, 0};
  PieceRect ClientTile;
  std::int32_t ClientColor = -1;
  std::int32_t Reserved = 0;
  std::array<char, 40> InfoText1{}, InfoText2{};
  std::array<char, 400> InfoText3{};

  bool HasClientTile() const {
    return std::int64_t(ClientTile.Left) + ClientTile.Top + ClientTile.Width + ClientTile.Height != 0;
  }
  // Every piece rectangle the painter may cut from the picture, for validation.
  std::vector<PieceRect> AllPieces() const;
};

// A whole skin file split into its three parts.
struct SkinFileContents {
  SkinHeader Header;
  SkinData Data;
  std::vector<std::uint8_t> PictureBlock;
};

// Reads header, record and picture block. Throws SignatureError for a wrong signature
// and SkinError for a file shorter than header and record.
SkinFileContents ReadSkinFile(const std::uint8_t* bytes, std::size_t size);

// Writes the header and record back in file form (1534 bytes); the picture block follows.
std::vector<std::uint8_t> WriteSkinHeaderAndData(const SkinHeader& header, const SkinData& data);

// The kinds of image file the picture block may carry.
enum class ImageKind { Unknown, Bmp, Png, Gif, Jpeg };
ImageKind DetectImageKind(const std::uint8_t* bytes, std::size_t size);

// Finds the "SkinPicture" property in a picture block and returns the image file it
// holds (the OLE picture stream's tag and length taken off). Throws SkinError.
std::vector<std::uint8_t> ExtractSkinPicture(const std::vector<std::uint8_t>& block);

// Builds a picture block holding one "SkinPicture" property with an image file inside
// an OLE picture stream.
std::vector<std::uint8_t> MakePictureBlock(const std::vector<std::uint8_t>& imageFile);

}  // namespace dirsheet::skin
