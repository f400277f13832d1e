#include "skin/win32/SkinPicture.h"

#include <ole2.h>
#include <olectl.h>

#include <cstring>

#include "skin/SkinFile.h"

namespace dirsheet::skin::win32 {

namespace {

// Description of a 32-bit picture stored top row first.
BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return bi;
}

// GIF and JPEG go through the platform's OLE picture loader; the bitmap it makes is
// read back as 32-bit pixels.
bool DecodeWithOle(const std::vector<std::uint8_t>& file, Image& out) {
  HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, file.size());
  if (!mem) return false;
  std::memcpy(GlobalLock(mem), file.data(), file.size());
  GlobalUnlock(mem);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(mem, TRUE, &stream))) {
    GlobalFree(mem);
    return false;
  }
  IPicture* picture = nullptr;
  HRESULT hr = OleLoadPicture(stream, LONG(file.size()), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(&picture));
  stream->Release();
  if (FAILED(hr) || !picture) return false;
  bool ok = false;
  OLE_HANDLE handle = 0;
  SHORT type = 0;
  if (SUCCEEDED(picture->get_Type(&type)) && type == PICTYPE_BITMAP &&
      SUCCEEDED(picture->get_Handle(&handle))) {
    HBITMAP bmp = reinterpret_cast<HBITMAP>(static_cast<ULONG_PTR>(handle));
    BITMAP info = {};
    if (GetObjectA(bmp, sizeof info, &info) && info.bmWidth > 0 && info.bmHeight > 0 &&
        info.bmWidth <= kMaxImageSide && info.bmHeight <= kMaxImageSide) {
      BITMAPINFO bi = TopDown32(info.bmWidth, info.bmHeight);
      out.Width = info.bmWidth;
      out.Height = info.bmHeight;
      out.Pixels.assign(std::size_t(out.Width) * out.Height, 0);
      HDC dc = GetDC(nullptr);
      ok = GetDIBits(dc, bmp, 0, UINT(out.Height), out.Pixels.data(), &bi, DIB_RGB_COLORS) == out.Height;
      ReleaseDC(nullptr, dc);
      for (auto& px : out.Pixels) px &= 0xFFFFFF;
    }
  }
  picture->Release();
  return ok;
}

}  // namespace

bool DecodeSkinPicture(const std::vector<std::uint8_t>& file, Image& out) {
  switch (DetectImageKind(file.data(), file.size())) {
    case ImageKind::Bmp:
      try {
        out = DecodeBmp(file.data(), file.size());
        return true;
      } catch (const SkinError&) {
        return false;
      }
    case ImageKind::Png:
      return DecodePng(file.data(), file.size(), out);
    case ImageKind::Gif:
    case ImageKind::Jpeg:
      return DecodeWithOle(file, out);
    default:
      return false;
  }
}

HBITMAP MakeDibSection(const Image& img) {
  if (img.Width <= 0 || img.Height <= 0) return nullptr;
  BITMAPINFO bi = TopDown32(img.Width, img.Height);
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp || !bits) return bmp;
  std::memcpy(bits, img.Pixels.data(), img.Pixels.size() * 4);
  return bmp;
}

}  // namespace dirsheet::skin::win32
