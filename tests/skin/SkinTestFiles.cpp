#include "tests/skin/SkinTestFiles.h"

#include <cstring>
#include <fstream>

namespace dirsheet::skin::testing {

namespace {

void Fill(Image& img, const PieceRect& p, std::uint32_t color) {
  for (int y = p.Top; y < p.Top + p.Height; ++y)
    for (int x = p.Left; x < p.Left + p.Width; ++x)
      img.Pixels[std::size_t(y) * img.Width + x] = color;
}

void SetPx(Image& img, int x, int y, std::uint32_t c) {
  img.Pixels[std::size_t(y) * img.Width + x] = c;
}

// Twelve pieces at (ox, oy): corners and ends 4 or 8 wide, caption 20 high, borders 4.
FrameSkin MakeFrame(Image& img, int oy, std::uint32_t caption, std::uint32_t edge, bool rounded) {
  FrameSkin f;
  f[0] = {0, oy, 4, 20};
  f[1] = {0, oy + 20, 4, 4};
  f[2] = {0, oy + 24, 4, 4};
  f[3] = {4, oy, 8, 20};
  f[4] = {12, oy, 8, 20};
  f[5] = {20, oy, 8, 20};
  f[6] = {28, oy, 4, 20};
  f[7] = {28, oy + 20, 4, 4};
  f[8] = {28, oy + 24, 4, 4};
  f[9] = {4, oy + 24, 8, 4};
  f[10] = {12, oy + 24, 8, 4};
  f[11] = {20, oy + 24, 8, 4};
  for (int k = 0; k < 12; ++k) Fill(img, f[k], (k >= 3 && k <= 5) ? caption : edge);
  if (rounded) {
    // Top-left and top-right corners cut as small triangles.
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3 - y; ++x) {
        SetPx(img, x, oy + y, kMagenta);
        SetPx(img, 31 - x, oy + y, kMagenta);
      }
  }
  return f;
}

void SetFont(SkinFont& font, std::int32_t height, std::int32_t weight, const char* face) {
  font.Raw.fill(0);
  std::memcpy(font.Raw.data(), &height, 4);  // little-endian host in every build we have
  std::memcpy(font.Raw.data() + 16, &weight, 4);
  std::strncpy(reinterpret_cast<char*>(font.Raw.data() + 28), face, 31);
}

}  // namespace

std::uint32_t TileColor(int x, int y) {
  return std::uint32_t(x * 16) << 16 | std::uint32_t(y * 16) << 8 | 0x40;
}

TestSkin MakeTestSkin(const TestSkinOptions& o) {
  TestSkin s;
  Image& img = s.Picture;
  img.Width = 128;
  img.Height = 128;
  img.Pixels.assign(128 * 128, 0x123456);
  SkinData& d = s.Data;
  d.ActiveFrame = MakeFrame(img, 0, kActiveCaption, kActiveEdge, o.RoundedCorners);
  d.InactiveFrame = MakeFrame(img, 32, kInactiveCaption, kInactiveEdge, o.RoundedCorners);
  const int offsetX[4] = {46, 32, 32, 18};
  for (int i = 0; i < 4; ++i) {
    for (int st = 0; st < 4; ++st) {
      PieceRect p{st * 14, 64 + i * 14, 12, 12};
      d.CaptionButtons[i].States[st] = p;
      Fill(img, p, kButtonState[st]);
      SetPx(img, p.Left, p.Top, kMagenta);  // one transparent corner pixel per button
    }
    d.CaptionButtons[i].OffsetX = offsetX[i];
    d.CaptionButtons[i].OffsetY = 4;
  }
  auto& t = d.CaptionText;
  t.TextLeft = 26;
  t.TextTop = 2;
  t.TextRightMargin = 50;
  t.TextHeight = 16;
  t.ActiveTextColor = 0xFFFFFF;
  t.InactiveTextColor = 0xC0C0C0;
  SetFont(t.Font, -12, 700, "Tahoma");
  t.TextFormat = 0;
  d.Icon.IconLeft = 6;
  d.Icon.IconTop = 2;
  d.Icon.IconWidth = 16;
  d.Icon.IconHeight = 16;
  for (int g = 0; g < 3; ++g) {
    auto& group = g == 0 ? d.MenuBar.Bar : g == 1 ? d.MenuBar.Hot : d.MenuBar.Pressed;
    for (int k = 0; k < 3; ++k) {
      group[k] = {64 + 4 * k, 16 * g, 4, 16};
      Fill(img, group[k], 0xE0E0E0 - 0x202020 * g);
    }
  }
  d.MenuBar.NormalItemColor = 0;
  d.MenuBar.HotItemColor = 0xFFFFFF;
  d.MenuBar.PressedItemColor = 0xFFFFFF;
  d.MenuBar.DisabledItemColor = 0x808080;
  SetFont(d.MenuBar.Font, -11, 400, "Tahoma");
  d.MenuColor = o.MenuColor;
  d.MinTrackSize[0] = 120;
  d.MinTrackSize[1] = 60;
  if (o.ClientTile) {
    d.ClientTile = {96, 0, 16, 16};
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) SetPx(img, 96 + x, y, TileColor(x, y));
  }
  d.ClientColor = o.ClientColor;
  return s;
}

std::vector<std::uint8_t> SkinFileBytes(const TestSkin& skin) {
  SkinHeader h;
  std::memcpy(h.Signature.data(), kSkinSignature, 5);
  std::vector<std::uint8_t> out = WriteSkinHeaderAndData(h, skin.Data);
  const std::vector<std::uint8_t> block = MakePictureBlock(EncodeBmp24(skin.Picture));
  out.insert(out.end(), block.begin(), block.end());
  return out;
}

std::vector<std::uint8_t> EncodeBmp24(const Image& img) {
  const std::size_t stride = ((std::size_t(img.Width) * 24 + 31) / 32) * 4;
  const std::uint32_t size = std::uint32_t(54 + stride * img.Height);
  std::vector<std::uint8_t> out(size, 0);
  auto put = [&](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) out[at + i] = std::uint8_t(v >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  put(2, size, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, std::uint32_t(img.Width), 4);
  put(22, std::uint32_t(img.Height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int y = 0; y < img.Height; ++y) {
    std::uint8_t* row = out.data() + 54 + stride * std::size_t(img.Height - 1 - y);
    for (int x = 0; x < img.Width; ++x) put(std::size_t(row - out.data()) + 3 * x, img.At(x, y), 3);
  }
  return out;
}

std::vector<std::uint8_t> MakePictureBlock(const std::vector<std::uint8_t>& imageFile) {
  const std::string name = "SkinPicture";
  Bag b;
  b.U32(1);
  b.Raw({std::uint8_t(name.size()), 0}).Raw(Bag::Bytes(name.begin(), name.end()));
  b.U32(std::uint32_t(imageFile.size() + 8)).Stream(imageFile);
  return b.bytes;
}

Bag& Bag::Raw(const Bytes& b) {
  bytes.insert(bytes.end(), b.begin(), b.end());
  return *this;
}

Bag& Bag::U32(std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes.push_back(std::uint8_t(v >> (8 * i)));
  return *this;
}

Bag& Bag::Name(const std::string& name, bool utf16) {
  Bytes n;
  for (char c : name) {
    n.push_back(std::uint8_t(c));
    if (utf16) n.push_back(0);
  }
  n.insert(n.end(), utf16 ? 2 : 1, 0);
  U32(std::uint32_t(n.size()));
  return Raw(n).Raw({0x09, 0x00});  // the value's type: an object
}

Bag& Bag::Stream(const Bytes& image) {
  Raw({'l', 't', 0, 0}).U32(std::uint32_t(image.size()));
  return Raw(image);
}

Bag& Bag::Text(const std::string& text) {
  U32(std::uint32_t(text.size()));
  return Raw(Bytes(text.begin(), text.end()));
}

std::vector<std::uint8_t> SkinFileBytesInPropertyBag(const TestSkin& skin, bool utf16Name) {
  SkinHeader h;
  std::memcpy(h.Signature.data(), kSkinSignature, 5);
  std::vector<std::uint8_t> out = WriteSkinHeaderAndData(h, skin.Data);
  const Bag bag = Bag()
                      .U32(2)
                      .Name("Caption", utf16Name)
                      .Text("Made elsewhere")
                      .Name("SkinPicture", utf16Name)
                      .Stream(EncodeBmp24(skin.Picture));
  out.insert(out.end(), bag.bytes.begin(), bag.bytes.end());
  return out;
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

}  // namespace dirsheet::skin::testing
