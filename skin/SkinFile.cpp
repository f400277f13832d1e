#include "skin/SkinFile.h"

#include <algorithm>
#include <cstring>

#include "skin/Bytes.h"

namespace dirsheet::skin {

namespace {

const char* const kFramePieceNames[kFramePieces] = {
    "LeftTop",  "LeftMiddle",  "LeftBottom",  "CaptionLeft", "CaptionMiddle", "CaptionRight",
    "RightTop", "RightMiddle", "RightBottom", "BottomLeft",  "BottomMiddle",  "BottomRight"};
const char* const kButtonNames[kCaptionButtons] = {"Minimize", "Maximize", "Restore", "Close"};
const char* const kStateNames[4] = {"Normal", "Hot", "Pressed", "Inactive"};
const char* const kBarPieceNames[3] = {"Left", "Middle", "Right"};

void VisitFrame(const std::string& prefix, FrameSkin& f, SkinFieldVisitor& v) {
  for (int k = 0; k < kFramePieces; ++k) v.Piece(prefix + "." + kFramePieceNames[k], f[k]);
}

void VisitBarGroup(const std::string& prefix, std::array<PieceRect, 3>& g, SkinFieldVisitor& v) {
  for (int k = 0; k < 3; ++k) v.Piece(prefix + "." + kBarPieceNames[k], g[k]);
}

// Reads little-endian fields in file order; running out of bytes is a SkinError.
class Reader : public SkinFieldVisitor {
 public:
  Reader(const std::uint8_t* p, std::size_t n) : p_(p), n_(n) {}
  std::uint32_t U(int bytes) {
    if (std::size_t(bytes) > n_ - pos_) throw SkinError("the file is cut short");
    const std::uint32_t v = LoadLe(p_ + pos_, bytes);
    pos_ += std::size_t(bytes);
    return v;
  }
  void Raw(void* out, std::size_t k) {
    if (k > n_ - pos_) throw SkinError("the file is cut short");
    std::memcpy(out, p_ + pos_, k);
    pos_ += k;
  }
  void Int32(const std::string&, std::int32_t& v) override { v = std::int32_t(U(4)); }
  void Int16(const std::string&, std::int16_t& v) override { v = std::int16_t(U(2)); }
  void Byte(const std::string&, std::uint8_t& v) override { v = std::uint8_t(U(1)); }
  void Piece(const std::string& n, PieceRect& p) override {
    Int32(n, p.Left);
    Int32(n, p.Top);
    Int32(n, p.Width);
    Int32(n, p.Height);
  }
  void Font(const std::string&, SkinFont& f) override { Raw(f.Raw.data(), f.Raw.size()); }
  void Text(const std::string&, char* text, std::size_t size) override { Raw(text, size); }

 private:
  const std::uint8_t* p_;
  std::size_t n_;
  std::size_t pos_ = 0;
};

class Writer : public SkinFieldVisitor {
 public:
  void U(std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
  }
  void Int32(const std::string&, std::int32_t& v) override { U(std::uint32_t(v), 4); }
  void Int16(const std::string&, std::int16_t& v) override { U(std::uint16_t(v), 2); }
  void Byte(const std::string&, std::uint8_t& v) override { out.push_back(v); }
  void Piece(const std::string& n, PieceRect& p) override {
    Int32(n, p.Left);
    Int32(n, p.Top);
    Int32(n, p.Width);
    Int32(n, p.Height);
  }
  void Font(const std::string&, SkinFont& f) override {
    out.insert(out.end(), f.Raw.begin(), f.Raw.end());
  }
  void Text(const std::string&, char* text, std::size_t size) override {
    out.insert(out.end(), text, text + size);
  }
  std::vector<std::uint8_t> out;
};

class PieceCollector : public SkinFieldVisitor {
 public:
  void Int32(const std::string&, std::int32_t&) override {}
  void Int16(const std::string&, std::int16_t&) override {}
  void Byte(const std::string&, std::uint8_t&) override {}
  void Piece(const std::string& n, PieceRect& p) override { pieces.push_back({n, p}); }
  void Font(const std::string&, SkinFont&) override {}
  void Text(const std::string&, char*, std::size_t) override {}
  std::vector<NamedPiece> pieces;
};

std::int32_t Limit(std::int32_t v) { return std::clamp<std::int32_t>(v, 0, kMaxPieceSide); }

void LimitPiece(PieceRect& p) {
  p.Width = Limit(p.Width);
  p.Height = Limit(p.Height);
}

}  // namespace

void VisitSkinData(SkinData& d, SkinFieldVisitor& v) {
  VisitFrame("ActiveFrame", d.ActiveFrame, v);
  VisitFrame("InactiveFrame", d.InactiveFrame, v);
  for (int i = 0; i < kCaptionButtons; ++i) {
    const std::string b = std::string("CaptionButtons.") + kButtonNames[i];
    for (int s = 0; s < 4; ++s) v.Piece(b + "." + kStateNames[s], d.CaptionButtons[i].States[s]);
    v.Int32(b + ".OffsetX", d.CaptionButtons[i].OffsetX);
    v.Int32(b + ".OffsetY", d.CaptionButtons[i].OffsetY);
  }
  auto& t = d.CaptionText;
  v.Int32("CaptionText.TextLeft", t.TextLeft);
  v.Int32("CaptionText.TextTop", t.TextTop);
  v.Int32("CaptionText.TextRightMargin", t.TextRightMargin);
  v.Int32("CaptionText.TextHeight", t.TextHeight);
  v.Color("CaptionText.ActiveTextColor", t.ActiveTextColor);
  v.Color("CaptionText.InactiveTextColor", t.InactiveTextColor);
  v.Font("CaptionText.Font", t.Font);
  v.Int32("CaptionText.TextFormat", t.TextFormat);
  auto& ic = d.Icon;
  v.Int16("Icon.Reserved1", ic.Reserved1);
  v.Int32("Icon.IconLeft", ic.IconLeft);
  v.Int32("Icon.IconTop", ic.IconTop);
  v.Int32("Icon.IconWidth", ic.IconWidth);
  v.Int32("Icon.IconHeight", ic.IconHeight);
  v.Byte("Icon.Reserved2", ic.Reserved2);
  auto& m = d.MenuBar;
  VisitBarGroup("MenuBar.Bar", m.Bar, v);
  VisitBarGroup("MenuBar.Hot", m.Hot, v);
  VisitBarGroup("MenuBar.Pressed", m.Pressed, v);
  v.Color("MenuBar.NormalItemColor", m.NormalItemColor);
  v.Color("MenuBar.HotItemColor", m.HotItemColor);
  v.Color("MenuBar.PressedItemColor", m.PressedItemColor);
  v.Color("MenuBar.DisabledItemColor", m.DisabledItemColor);
  v.Font("MenuBar.Font", m.Font);
  v.Int32("MenuBar.Reserved", m.Reserved);
  v.Color("MenuColor", d.MenuColor);
  v.Int16("DropShadow", d.DropShadow);
  v.Int32("MinTrackSize.Width", d.MinTrackSize[0]);
  v.Int32("MinTrackSize.Height", d.MinTrackSize[1]);
  v.Piece("ClientTile", d.ClientTile);
  v.Color("ClientColor", d.ClientColor);
  v.Int32("Reserved", d.Reserved);
  v.Text("InfoText1", d.InfoText1.data(), d.InfoText1.size());
  v.Text("InfoText2", d.InfoText2.data(), d.InfoText2.size());
  v.Text("InfoText3", d.InfoText3.data(), d.InfoText3.size());
}

std::int32_t SkinFont::Int32At(std::size_t at) const { return std::int32_t(LoadLe(&Raw[at], 4)); }

std::string SkinFont::FaceName() const {
  const char* face = reinterpret_cast<const char*>(Raw.data() + 28);
  return std::string(face, strnlen(face, 32));
}

std::vector<NamedPiece> AllPieces(const SkinData& data) {
  SkinData copy = data;
  PieceCollector c;
  VisitSkinData(copy, c);
  if (!data.HasClientTile()) c.pieces.pop_back();  // the client tile is the last piece
  return c.pieces;
}

SkinFileContents ReadSkinFile(const std::uint8_t* bytes, std::size_t size) {
  SkinFileContents c;
  if (size >= 5 && std::memcmp(bytes, kSkinSignature, 5) != 0) throw SignatureError();
  if (size < kPictureBlockOffset) throw SkinError("the file is shorter than its header and record");
  Reader r(bytes, size);
  r.Raw(c.Header.Signature.data(), 5);
  c.Header.Reserved1 = std::int16_t(r.U(2));
  c.Header.Reserved2 = std::int16_t(r.U(2));
  c.Header.Reserved3 = std::int16_t(r.U(2));
  VisitSkinData(c.Data, r);
  c.PictureBlock.assign(bytes + kPictureBlockOffset, bytes + size);
  return c;
}

std::vector<std::uint8_t> WriteSkinHeaderAndData(const SkinHeader& header, const SkinData& data) {
  Writer w;
  w.out.insert(w.out.end(), header.Signature.begin(), header.Signature.end());
  w.U(std::uint16_t(header.Reserved1), 2);
  w.U(std::uint16_t(header.Reserved2), 2);
  w.U(std::uint16_t(header.Reserved3), 2);
  SkinData copy = data;
  VisitSkinData(copy, w);
  return w.out;
}

SkinData WithLimitedSizes(SkinData d) {
  for (FrameSkin* f : {&d.ActiveFrame, &d.InactiveFrame})
    for (PieceRect& p : f->Pieces) LimitPiece(p);
  for (auto& b : d.CaptionButtons)
    for (PieceRect& p : b.States) LimitPiece(p);
  for (auto* group : {&d.MenuBar.Bar, &d.MenuBar.Hot, &d.MenuBar.Pressed})
    for (PieceRect& p : *group) LimitPiece(p);
  // The client tile keeps its values: they also decide whether there is a tile at all.
  d.Icon.IconWidth = Limit(d.Icon.IconWidth);
  d.Icon.IconHeight = Limit(d.Icon.IconHeight);
  return d;
}

}  // namespace dirsheet::skin
