// Icon files as skin pictures: the largest image of the icon directory, a PNG or a
// device-independent bitmap followed by its one-bit mask.
#include <cstring>

#include "skin/Bytes.h"
#include "skin/Image.h"
#include "skin/PictureBlock.h"
#include "skin/SkinFile.h"

namespace dirsheet::skin {

namespace {

struct Entry {
  std::uint32_t Pixels, Bits, Size, Offset;
};

// The directory entry with the most pixels, then the most bits per pixel.
Entry LargestEntry(const std::uint8_t* b, std::size_t n) {
  const std::uint32_t count = LoadLe(b + 4, 2);
  Require(count > 0 && 6 + 16 * std::size_t(count) <= n, "icon directory cut short");
  Entry best{0, 0, 0, 0};
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint8_t* e = b + 6 + 16 * std::size_t(i);
    const std::uint32_t w = e[0] ? e[0] : 256, h = e[1] ? e[1] : 256;
    const Entry cur{w * h, LoadLe(e + 6, 2), LoadLe(e + 8, 4), LoadLe(e + 12, 4)};
    if (i == 0 || cur.Pixels > best.Pixels || (cur.Pixels == best.Pixels && cur.Bits > best.Bits))
      best = cur;
  }
  Require(best.Offset <= n && best.Size <= n - best.Offset && best.Size > 0,
          "icon image outside its file");
  return best;
}

// Pixels whose mask bit is set are left out of the icon: they become the skin's
// transparent colour. A mask cut short leaves the rest of the picture as it is.
void ApplyMask(Image& img, const std::uint8_t* mask, std::size_t available) {
  const std::size_t stride = ((std::size_t(img.Width) + 31) / 32) * 4;
  for (int r = 0; r < img.Height; ++r) {
    if (stride * std::size_t(r + 1) > available) return;
    const std::uint8_t* row = mask + stride * std::size_t(r);
    const int y = img.Height - 1 - r;  // the mask is stored bottom-up like the image
    for (int x = 0; x < img.Width; ++x)
      if (row[x / 8] & (0x80 >> (x % 8)))
        img.Pixels[std::size_t(y) * img.Width + x] = kTransparentColor;
  }
}

// A bitmap image of an icon: its header gives twice the image's height (image and mask).
Image DecodeIconBitmap(const std::uint8_t* dib, std::size_t len) {
  Require(len >= 40, "icon bitmap header cut short");
  const std::uint32_t headerSize = LoadLe(dib, 4);
  Require(headerSize >= 40 && headerSize <= len, "icon bitmap header cut short");
  const std::int32_t width = std::int32_t(LoadLe(dib + 4, 4));
  const std::int32_t doubled = std::int32_t(LoadLe(dib + 8, 4));
  const std::uint32_t bits = LoadLe(dib + 14, 2), compression = LoadLe(dib + 16, 4),
                      used = LoadLe(dib + 32, 4);
  Require(width > 0 && width <= kMaxImageSide && doubled >= 2 && doubled / 2 <= kMaxImageSide,
          "icon size out of range");
  const std::int32_t height = doubled / 2;
  std::size_t palette = 0;
  if (bits <= 8) palette = 4 * std::size_t(used ? used : (1u << (bits & 15)));
  if (compression == 3 && headerSize == 40) palette = 12;  // the three colour masks
  const std::size_t pixelsAt = std::size_t(headerSize) + palette;
  Require(pixelsAt <= len, "icon palette cut short");

  // The same bitmap as a BMP file of the image's own height.
  std::vector<std::uint8_t> bmp(14 + len);
  bmp[0] = 'B';
  bmp[1] = 'M';
  StoreLe32(&bmp[2], std::uint32_t(bmp.size()));
  StoreLe32(&bmp[10], std::uint32_t(14 + pixelsAt));
  std::memcpy(&bmp[14], dib, len);
  StoreLe32(&bmp[14 + 8], std::uint32_t(height));
  Image img = DecodeBmp(bmp.data(), bmp.size());

  const std::size_t imageBytes = ((std::size_t(width) * bits + 31) / 32) * 4 * std::size_t(height);
  const std::size_t maskAt = pixelsAt + imageBytes;
  if (maskAt < len) ApplyMask(img, dib + maskAt, len - maskAt);
  return img;
}

}  // namespace

Image DecodeIcon(const std::uint8_t* b, std::size_t n) {
  Require(DetectImageKind(b, n) == ImageKind::Icon, "not an icon file");
  const Entry e = LargestEntry(b, n);
  const std::uint8_t* data = b + e.Offset;
  if (DetectImageKind(data, e.Size) == ImageKind::Png) {
    Image img;
    Require(DecodePng(data, e.Size, img), "the icon's PNG image does not decode");
    return img;
  }
  return DecodeIconBitmap(data, e.Size);
}

}  // namespace dirsheet::skin
