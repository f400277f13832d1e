// The skin file: an 11-byte header, the fixed 1523-byte skin record and a picture block
// (skin/PictureBlock.h). Everything here is portable; the Win32 layer turns the model into
// fonts, regions and drawing surfaces.
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
  SignatureError() : SkinError("the signature is not SKIN#") {}
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

// The twelve frame pieces in file order: left edge, caption, right edge, bottom edge, each
// as its first end, its middle (repeated) and its last end.
enum FramePiece : int {
  kLeftTop,
  kLeftMiddle,
  kLeftBottom,
  kCaptionLeft,
  kCaptionMiddle,
  kCaptionRight,
  kRightTop,
  kRightMiddle,
  kRightBottom,
  kBottomLeft,
  kBottomMiddle,
  kBottomRight,
  kFramePieces
};

struct FrameSkin {
  std::array<PieceRect, kFramePieces> Pieces;
  const PieceRect& operator[](int k) const { return Pieces[k]; }
  PieceRect& operator[](int k) { return Pieces[k]; }
  int LeftBorder() const { return Pieces[kLeftMiddle].Width; }
  int CaptionHeight() const { return Pieces[kCaptionMiddle].Height; }
  int RightBorder() const { return Pieces[kRightMiddle].Width; }
  int BottomBorder() const { return Pieces[kBottomMiddle].Height; }
};

enum CaptionButtonIndex : int { kMinimize = 0, kMaximize = 1, kRestore = 2, kClose = 3 };
constexpr int kCaptionButtons = 4;

// A caption button's state; it selects which of the button's four pieces is drawn.
enum class ButtonState : int { Normal = 0, Hot = 1, Pressed = 2, Inactive = 3 };

struct CaptionButtonSkin {
  std::array<PieceRect, 4> States;  // by ButtonState
  std::int32_t OffsetX = 0;         // from the window's right edge to the button's left edge
  std::int32_t OffsetY = 0;         // from the window's top edge
  const PieceRect& Piece(ButtonState s) const { return States[std::size_t(s)]; }
};

// A logical font as the platform lays it out; the first 60 bytes go to font creation.
struct SkinFont {
  std::array<std::uint8_t, 61> Raw{};
  std::int32_t Int32At(std::size_t at) const;  // little-endian, at byte `at`
  std::int32_t Height() const { return Int32At(0); }
  std::int32_t Weight() const { return Int32At(16); }
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

// The three pieces of each menu-bar group.
enum MenuBarPiece : int { kBarLeft = 0, kBarMiddle = 1, kBarRight = 2 };

struct MenuBarSkin {
  std::array<PieceRect, 3> Bar, Hot, Pressed;  // by MenuBarPiece
  std::int32_t NormalItemColor = 0, HotItemColor = 0, PressedItemColor = 0, DisabledItemColor = 0;
  SkinFont Font;
  std::int32_t Reserved = 0;
  // The bar's height: that of its left end.
  int Height() const { return Bar[kBarLeft].Height; }
};

struct SkinData {
  FrameSkin ActiveFrame, InactiveFrame;
  std::array<CaptionButtonSkin, kCaptionButtons> CaptionButtons;
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
    return std::int64_t(ClientTile.Left) + ClientTile.Top + ClientTile.Width + ClientTile.Height !=
           0;
  }
};

// Visits the record's fields in file order under readable names ("ActiveFrame.LeftTop",
// "CaptionText.TextLeft"...). The reader, the writer and the skin dump all go through it,
// so the layout is written down once.
class SkinFieldVisitor {
 public:
  virtual ~SkinFieldVisitor() = default;
  virtual void Int32(const std::string& name, std::int32_t& v) = 0;
  virtual void Int16(const std::string& name, std::int16_t& v) = 0;
  virtual void Byte(const std::string& name, std::uint8_t& v) = 0;
  virtual void Color(const std::string& name, std::int32_t& v) { Int32(name, v); }
  virtual void Piece(const std::string& name, PieceRect& p) = 0;
  virtual void Font(const std::string& name, SkinFont& f) = 0;
  virtual void Text(const std::string& name, char* text, std::size_t size) = 0;
};
void VisitSkinData(SkinData& data, SkinFieldVisitor& visitor);

// Every piece rectangle of the skin under its field name, in file order (the client tile
// only when there is one).
struct NamedPiece {
  std::string Name;
  PieceRect Piece;
};
std::vector<NamedPiece> AllPieces(const SkinData& data);

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

// Largest piece side the engine lays out. Sizes from the file are any Int32: widths and
// heights below 0 count as 0 and above this as this, so that sums of them cannot overflow
// and a window never has negative borders.
constexpr std::int32_t kMaxPieceSide = 16384;

// The record with every piece size and the icon size brought into [0, kMaxPieceSide].
SkinData WithLimitedSizes(SkinData data);

}  // namespace dirsheet::skin
