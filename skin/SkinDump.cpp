#include "skin/SkinDump.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "skin/Geometry.h"

namespace dirsheet::skin {

namespace {

// Printable text on one line: control characters as \n, \r, \t or \xNN.
std::string Escaped(const char* text, std::size_t size) {
  std::string out;
  for (std::size_t i = 0; i < size && text[i] != '\0'; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\t')
      out += "\\t";
    else if (c < 0x20 || c == 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += char(c);
    }
  }
  return out;
}

// Colours as the skin maker writes them: "#RRGGBB" from 0x00BBGGRR, -1 as it is, and any
// other value (one with a high byte) in hexadecimal.
std::string ColorText(std::int32_t v) {
  char buf[16];
  const auto u = std::uint32_t(v);
  if (v == -1) return "-1";
  if (u >> 24)
    std::snprintf(buf, sizeof buf, "0x%08X", unsigned(u));
  else
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", unsigned(u & 0xFF), unsigned((u >> 8) & 0xFF),
                  unsigned((u >> 16) & 0xFF));
  return buf;
}

class Printer : public SkinFieldVisitor {
 public:
  explicit Printer(std::ostream& out) : out_(out) {}
  void Int32(const std::string& n, std::int32_t& v) override { out_ << n << ": " << v << "\n"; }
  void Int16(const std::string& n, std::int16_t& v) override { out_ << n << ": " << v << "\n"; }
  void Byte(const std::string& n, std::uint8_t& v) override { out_ << n << ": " << int(v) << "\n"; }
  void Color(const std::string& n, std::int32_t& v) override {
    out_ << n << ": " << ColorText(v) << "\n";
  }
  void Piece(const std::string& n, PieceRect& p) override {
    out_ << n << ": " << p.Width << " x " << p.Height << " at (" << p.Left << ", " << p.Top
         << ")\n";
  }
  void Font(const std::string& n, SkinFont& f) override {
    static const char* const ints[5] = {"Height", "Width", "Escapement", "Orientation", "Weight"};
    static const char* const bytes[8] = {"Italic",  "Underline",     "StrikeOut",
                                         "CharSet", "OutPrecision",  "ClipPrecision",
                                         "Quality", "PitchAndFamily"};
    for (int i = 0; i < 5; ++i)
      out_ << n << "." << ints[i] << ": " << f.Int32At(4 * std::size_t(i)) << "\n";
    for (int i = 0; i < 8; ++i)
      out_ << n << "." << bytes[i] << ": " << int(f.Raw[20 + std::size_t(i)]) << "\n";
    out_ << n << ".FaceName: " << Escaped(reinterpret_cast<const char*>(f.Raw.data() + 28), 32)
         << "\n";
  }
  void Text(const std::string& n, char* text, std::size_t size) override {
    out_ << n << ": " << Escaped(text, size) << "\n";
  }

 private:
  std::ostream& out_;
};

void PrintOutsidePieces(const SkinData& d, const Image& picture, std::ostream& out) {
  std::string names;
  for (const NamedPiece& p : AllPieces(d)) {
    if (!PieceOutsidePicture(p.Piece, picture.Width, picture.Height)) continue;
    names += names.empty() ? "" : ", ";
    names += p.Name;
  }
  out << "PiecesOutsidePicture: " << (names.empty() ? "none" : names) << "\n";
}

// True when the block's picture is one only the platform's picture loader decodes.
bool PlatformOnlyPicture(const std::vector<std::uint8_t>& block) {
  try {
    const FoundPicture found = ExtractSkinPicture(block);
    const ImageKind kind = DetectImageKind(found.File.data(), found.File.size());
    return kind == ImageKind::Gif || kind == ImageKind::Jpeg;
  } catch (const SkinError&) {
    return false;
  }
}

}  // namespace

bool DumpSkin(const std::vector<std::uint8_t>& bytes, PictureDecoder decode, std::ostream& out,
              std::string& reason) {
  SkinFileContents contents;
  try {
    contents = ReadSkinFile(bytes.data(), bytes.size());
  } catch (const SkinError& e) {
    out << "Signature: "
        << Escaped(reinterpret_cast<const char*>(bytes.data()),
                   std::min<std::size_t>(5, bytes.size()))
        << "\nLoads: no\n";
    reason = e.what();
    return false;
  }
  out << "Signature: " << std::string(contents.Header.Signature.data(), 5) << "\n";
  out << "Header.Reserved1: " << contents.Header.Reserved1 << "\n";
  out << "Header.Reserved2: " << contents.Header.Reserved2 << "\n";
  out << "Header.Reserved3: " << contents.Header.Reserved3 << "\n";
  Printer printer(out);
  VisitSkinData(contents.Data, printer);
  out << "PictureBlock: " << contents.PictureBlock.size() << " bytes\n";
  try {
    const LoadedSkinFile s = LoadSkinBytes(bytes.data(), bytes.size(), decode);
    out << "Picture: " << PictureSourceName(s.Picture.Source) << ", at offset " << s.Picture.Offset
        << " of the block, " << s.Picture.File.size() << " bytes\n";
    out << "PictureFormat: " << ImageKindName(s.Kind) << "\n";
    out << "PictureSize: " << s.Pixels.Width << " x " << s.Pixels.Height << "\n";
    PrintOutsidePieces(s.Contents.Data, s.Pixels, out);
  } catch (const SkinError& e) {
    out << "Loads: no\n";
    reason = e.what();
    if (decode == DecodePortablePicture && PlatformOnlyPicture(contents.PictureBlock))
      reason += " here: GIF and JPEG pictures are decoded by the platform (use skindump.exe)";
    return false;
  }
  out << "Loads: yes\n";
  return true;
}

}  // namespace dirsheet::skin
