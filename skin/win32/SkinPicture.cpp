#include "skin/win32/SkinPicture.h"

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <cstring>

#include "platform/win32/Handles.h"
#include "skin/PictureBlock.h"
#include "skin/win32/Canvas.h"

namespace dirsheet::skin::win32 {

namespace {

using platform::win32::ComPtr;
using platform::win32::GlobalMemory;
using platform::win32::WindowDc;

// The bitmap the picture loader made, read back as 32-bit top-down pixels.
bool ReadBitmap(HBITMAP bmp, Image& out) {
  BITMAP info = {};
  if (!GetObjectA(bmp, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0 ||
      info.bmWidth > kMaxImageSide || info.bmHeight > kMaxImageSide ||
      std::int64_t(info.bmWidth) * info.bmHeight > kMaxImagePixels)
    return false;
  BITMAPINFO bi = TopDown32(info.bmWidth, info.bmHeight);
  out.Width = info.bmWidth;
  out.Height = info.bmHeight;
  out.Pixels.assign(std::size_t(out.Width) * out.Height, 0);
  WindowDc screen(nullptr, true);
  const bool ok = GetDIBits(screen.get(), bmp, 0, UINT(out.Height), out.Pixels.data(), &bi,
                            DIB_RGB_COLORS) == out.Height;
  for (auto& px : out.Pixels) px &= 0xFFFFFF;
  return ok;
}

// GIF and JPEG go through the platform's OLE picture loader.
bool DecodeWithOle(const std::vector<std::uint8_t>& file, Image& out) {
  GlobalMemory mem(GlobalAlloc(GMEM_MOVEABLE, file.size()));
  if (!mem) return false;
  void* bytes = GlobalLock(mem.get());
  if (!bytes) return false;
  std::memcpy(bytes, file.data(), file.size());
  GlobalUnlock(mem.get());
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(mem.get(), TRUE, stream.put()))) return false;
  mem.release();  // the stream frees the memory now
  ComPtr<IPicture> picture;
  if (FAILED(OleLoadPicture(stream.get(), LONG(file.size()), FALSE, IID_IPicture,
                            picture.put_void())) ||
      !picture)
    return false;
  OLE_HANDLE handle = 0;
  SHORT type = 0;
  if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP ||
      FAILED(picture->get_Handle(&handle)))
    return false;
  return ReadBitmap(reinterpret_cast<HBITMAP>(static_cast<ULONG_PTR>(handle)), out);
}

}  // namespace

bool DecodeSkinPicture(const std::vector<std::uint8_t>& file, Image& out) {
  switch (DetectImageKind(file.data(), file.size())) {
    case ImageKind::Gif:
    case ImageKind::Jpeg:
      return DecodeWithOle(file, out);
    default:
      return DecodePortablePicture(file, out);
  }
}

}  // namespace dirsheet::skin::win32
