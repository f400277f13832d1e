#include "skin/SkinFile.h"

#include <cstring>

namespace dirsheet::skin {

namespace {

// Reads little-endian fields in file order; running out of bytes is a SkinError.
class Reader {
 public:
  Reader(const std::uint8_t* p, std::size_t n) : p_(p), n_(n) {}
  std::size_t pos() const { return pos_; }
  void need(std::size_t k) const {
    if (k > n_ - pos_) throw SkinError("skin file is cut short");
  }
  std::uint8_t u8() { need(1); return p_[pos_++]; }
  std::int16_t i16() {
    need(2);
    std::uint16_t v = std::uint16_t(p_[pos_] | (p_[pos_ + 1] << 8));
    pos_ += 2;
    return std::int16_t(v);
  }
  std::uint32_t u32() {
    need(4);
    std::uint32_t v = std::uint32_t(p_[pos_]) | std::uint32_t(p_[pos_ + 1]) << 8 |
                      std::uint32_t(p_[pos_ + 2]) << 16 | std::uint32_t(p_[pos_ + 3]) << 24;
    pos_ += 4;
    return v;
  }
  std::int32_t i32() { return std::int32_t(u32()); }
  void skip(std::size_t k) { need(k); pos_ += k; }
  template <std::size_t N>
  void bytes(std::array<char, N>& out) { need(N); std::memcpy(out.data(), p_ + pos_, N); pos_ += N; }
  template <std::size_t N>
  void bytes(std::array<std::uint8_t, N>& out) { need(N); std::memcpy(out.data(), p_ + pos_, N); pos_ += N; }

 private:
  const std::uint8_t* p_;
  std::size_t n_;
  std::size_t pos_ = 0;
};

class Writer {
 public:
  void u8(std::uint8_t v) { out.push_back(v); }
  void i16(std::int16_t v) { u8(std::uint8_t(v)); u8(std::uint8_t(std::uint16_t(v) >> 8)); }
  void i32(std::int32_t v) {
    std::uint32_t u = std::uint32_t(v);
    for (int i = 0; i < 4; ++i) u8(std::uint8_t(u >> (8 * i)));
  }
  template <typename Array>
  void bytes(const Array& a) { out.insert(out.end(), a.begin(), a.end()); }
  std::vector<std::uint8_t> out;
};

void Read(Reader& r, PieceRect& p) {
  p.Left = r.i32(); p.Top = r.i32(); p.Width = r.i32(); p.Height = r.i32();
}
void Write(Writer& w, const PieceRect& p) {
  w.i32(p.Left); w.i32(p.Top); w.i32(p.Width); w.i32(p.Height);
}

// The record's layout in one place: each field visited in file order by the reader and
// by the writer, so the two cannot drift apart.
template <typename IO, typename Data, typename Fn>
void VisitSkinData(IO& io, Data& d, Fn&& piece) {
  for (auto& p : d.ActiveFrame.Pieces) piece(p);
  for (auto& p : d.InactiveFrame.Pieces) piece(p);
  for (auto& b : d.CaptionButtons) {
    for (auto& s : b.States) piece(s);
    io.i32(b.OffsetX); io.i32(b.OffsetY);
  }
  auto& t = d.CaptionText;
  io.i32(t.TextLeft); io.i32(t.TextTop); io.i32(t.TextRightMargin); io.i32(t.TextHeight);
  io.i32(t.ActiveTextColor); io.i32(t.InactiveTextColor);
  io.bytes(t.Font.Raw);
  io.i32(t.TextFormat);
  auto& ic = d.Icon;
  io.i16(ic.Reserved1);
  io.i32(ic.IconLeft); io.i32(ic.IconTop); io.i32(ic.IconWidth); io.i32(ic.IconHeight);
  io.u8(ic.Reserved2);
  auto& m = d.MenuBar;
  for (auto& p : m.Bar) piece(p);
  for (auto& p : m.Hot) piece(p);
  for (auto& p : m.Pressed) piece(p);
  io.i32(m.NormalItemColor); io.i32(m.HotItemColor); io.i32(m.PressedItemColor);
  io.i32(m.DisabledItemColor);
  io.bytes(m.Font.Raw);
  io.i32(m.Reserved);
  io.i32(d.MenuColor);
  io.i16(d.DropShadow);
  io.i32(d.MinTrackSize[0]); io.i32(d.MinTrackSize[1]);
  piece(d.ClientTile);
  io.i32(d.ClientColor);
  io.i32(d.Reserved);
  io.bytes(d.InfoText1); io.bytes(d.InfoText2); io.bytes(d.InfoText3);
}

// Adapters so that one visitor serves both directions.
struct ReadIO {
  Reader& r;
  void i32(std::int32_t& v) { v = r.i32(); }
  void i16(std::int16_t& v) { v = r.i16(); }
  void u8(std::uint8_t& v) { v = r.u8(); }
  template <typename A> void bytes(A& a) { r.bytes(a); }
};
struct WriteIO {
  Writer& w;
  void i32(std::int32_t v) { w.i32(v); }
  void i16(std::int16_t v) { w.i16(v); }
  void u8(std::uint8_t v) { w.u8(v); }
  template <typename A> void bytes(const A& a) { w.bytes(a); }
};

std::int32_t Le32(const std::uint8_t* p) {
  return std::int32_t(std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 |
                      std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24);
}

}  // namespace

std::int32_t SkinFont::Height() const { return Le32(Raw.data()); }
std::int32_t SkinFont::Weight() const { return Le32(Raw.data() + 16); }
std::string SkinFont::FaceName() const {
  const char* face = reinterpret_cast<const char*>(Raw.data() + 28);
  return std::string(face, strnlen(face, 32));
}

std::vector<PieceRect> SkinData::AllPieces() const {
  std::vector<PieceRect> all(ActiveFrame.Pieces.begin(), ActiveFrame.Pieces.end());
  all.insert(all.end(), InactiveFrame.Pieces.begin(), InactiveFrame.Pieces.end());
  for (const auto& b : CaptionButtons) all.insert(all.end(), b.States.begin(), b.States.end());
  for (const auto* group : {&MenuBar.Bar, &MenuBar.Hot, &MenuBar.Pressed})
    all.insert(all.end(), group->begin(), group->end());
  if (HasClientTile()) all.push_back(ClientTile);
  return all;
}

SkinFileContents ReadSkinFile(const std::uint8_t* bytes, std::size_t size) {
  SkinFileContents c;
  if (size >= 5 && std::memcmp(bytes, kSkinSignature, 5) != 0) throw SignatureError();
  if (size < kPictureBlockOffset) throw SkinError("skin file shorter than header and record");
  Reader r(bytes, size);
  r.bytes(c.Header.Signature);
  c.Header.Reserved1 = r.i16();
  c.Header.Reserved2 = r.i16();
  c.Header.Reserved3 = r.i16();
  ReadIO io{r};
  VisitSkinData(io, c.Data, [&](PieceRect& p) { Read(r, p); });
  c.PictureBlock.assign(bytes + kPictureBlockOffset, bytes + size);
  return c;
}

std::vector<std::uint8_t> WriteSkinHeaderAndData(const SkinHeader& header, const SkinData& data) {
  Writer w;
  w.bytes(header.Signature);
  w.i16(header.Reserved1); w.i16(header.Reserved2); w.i16(header.Reserved3);
  WriteIO io{w};
  VisitSkinData(io, data, [&](const PieceRect& p) { Write(w, p); });
  return w.out;
}

ImageKind DetectImageKind(const std::uint8_t* b, std::size_t n) {
  static const std::uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (n >= 8 && std::memcmp(b, png, 8) == 0) return ImageKind::Png;
  if (n >= 2 && b[0] == 'B' && b[1] == 'M') return ImageKind::Bmp;
  if (n >= 6 && (std::memcmp(b, "GIF87a", 6) == 0 || std::memcmp(b, "GIF89a", 6) == 0))
    return ImageKind::Gif;
  if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return ImageKind::Jpeg;
  return ImageKind::Unknown;
}

// Picture block layout (docs/skin-format.md): a property count (u32), then per property
// a name (u16 length + ANSI bytes) and a value (u32 length + bytes). Bytes after the
// last property are ignored: the file loader pads the block with zeros.
std::vector<std::uint8_t> ExtractSkinPicture(const std::vector<std::uint8_t>& block) {
  constexpr std::uint32_t kMaxProperties = 256;
  Reader r(block.data(), block.size());
  std::uint32_t count = r.u32();
  if (count == 0 || count > kMaxProperties) throw SkinError("picture block has no properties");
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint16_t nameLen = std::uint16_t(r.i16());
    r.need(nameLen);
    std::string name(reinterpret_cast<const char*>(block.data() + r.pos()), nameLen);
    r.skip(nameLen);
    std::uint32_t valueLen = r.u32();
    r.need(valueLen);
    const std::uint8_t* value = block.data() + r.pos();
    if (name == "SkinPicture") {
      // An OLE picture stream: "lt\0\0", the image's length, the image file.
      if (valueLen >= 8 && std::memcmp(value, "lt\0\0", 4) == 0) {
        std::uint32_t imageLen = std::uint32_t(Le32(value + 4));
        if (imageLen > valueLen - 8) throw SkinError("picture stream longer than its property");
        return std::vector<std::uint8_t>(value + 8, value + 8 + imageLen);
      }
      if (DetectImageKind(value, valueLen) == ImageKind::Unknown)
        throw SkinError("SkinPicture holds no image");
      return std::vector<std::uint8_t>(value, value + valueLen);
    }
    r.skip(valueLen);
  }
  throw SkinError("picture block has no SkinPicture property");
}

std::vector<std::uint8_t> MakePictureBlock(const std::vector<std::uint8_t>& imageFile) {
  Writer w;
  const std::string name = "SkinPicture";
  w.i32(1);
  w.i16(std::int16_t(name.size()));
  w.bytes(name);
  w.i32(std::int32_t(imageFile.size() + 8));
  w.bytes(std::string("lt\0\0", 4));
  w.i32(std::int32_t(imageFile.size()));
  w.bytes(imageFile);
  return w.out;
}

}  // namespace dirsheet::skin
