#include "png/win32/PictureBox.h"

#include <cstring>
#include <utility>

#include "platform/win32/Twips.h"
#include "png/win32/CBitmap.h"

namespace dirsheet::png::win32 {

namespace {

using platform::win32::Bitmap;
using platform::win32::Brush;
using platform::win32::MemoryDc;
using platform::win32::PixelsToTwips;
using platform::win32::SelectGuard;
using platform::win32::TwipsToPixels;
using platform::win32::WindowDc;

constexpr char kClassName[] = "DirsheetPictureBox";
constexpr char kScaleProperty[] = "Dirsheet.ScaleMode";

void RegisterClassOnce() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;  // replaced per window once `this` is known
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
    // Whoever shows pictures also shows the decoder's message as a message box.
    CBitmap::InstallMessageBoxNotifications();
    return true;
  }();
  (void)registered;
}

}  // namespace

int ScaleContainer::ScaleMode() const {
  const auto stored = reinterpret_cast<INT_PTR>(GetPropA(hwnd_, kScaleProperty));
  return stored == kPixels ? kPixels : kTwips;
}

void ScaleContainer::SetScaleMode(int mode) {
  SetPropA(hwnd_, kScaleProperty,
           reinterpret_cast<HANDLE>(static_cast<INT_PTR>(mode == kPixels ? kPixels : kTwips)));
}

std::unique_ptr<PictureBox> PictureBox::Create(HWND parent, int x, int y, int width, int height,
                                               bool border, int id) {
  RegisterClassOnce();
  std::unique_ptr<PictureBox> box(new PictureBox());
  box->hwnd_ = CreateWindowExA(border ? WS_EX_CLIENTEDGE : 0, kClassName, "",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               GetModuleHandleA(nullptr), nullptr);
  if (!box->hwnd_) return nullptr;
  SetWindowLongPtrA(box->hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box.get()));
  SetWindowLongPtrA(box->hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PictureBox::WindowProc));
  WindowDc screen(nullptr, true);  // the screen's
  box->imageDC_.reset(CreateCompatibleDC(screen.get()));
  box->OnSize();
  box->Cls();
  return box;
}

std::unique_ptr<PictureBox> PictureBox::CreateTwips(HWND parent, long x, long y, long width,
                                                    long height, bool border, int id) {
  return Create(parent, TwipsToPixels(x, true), TwipsToPixels(y, false), TwipsToPixels(width, true),
                TwipsToPixels(height, false), border, id);
}

PictureBox::~PictureBox() {
  if (hwnd_) {
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
  // The image is deselected before the bitmap and the device context are deleted.
  if (imageDC_ && oldImage_) SelectObject(imageDC_.get(), oldImage_);
}

LRESULT CALLBACK PictureBox::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<PictureBox*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  return self->HandleMessage(msg, wp, lp);
}

LRESULT PictureBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the image covers the whole client area
    case WM_SIZE:
      OnSize();
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      break;
    default:
      break;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

void PictureBox::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  BitBlt(dc, 0, 0, imageSize_.cx, imageSize_.cy, imageDC_.get(), 0, 0, SRCCOPY);
  EndPaint(hwnd_, &ps);
}

// Keeps the persistent image as large as the client area, its content kept.
void PictureBox::OnSize() {
  const SIZE client = ClientPixels();
  const SIZE size{client.cx > 0 ? client.cx : 1, client.cy > 0 ? client.cy : 1};
  if (image_ && size.cx == imageSize_.cx && size.cy == imageSize_.cy) return;
  WindowDc screen(nullptr, true);  // the screen's
  Bitmap fresh(CreateCompatibleBitmap(screen.get(), size.cx, size.cy));
  {
    MemoryDc dc(CreateCompatibleDC(screen.get()));
    SelectGuard select(dc.get(), fresh.get());
    RECT all{0, 0, size.cx, size.cy};
    const Brush brush(CreateSolidBrush(backColor_));
    FillRect(dc.get(), &all, brush.get());
    if (image_) BitBlt(dc.get(), 0, 0, imageSize_.cx, imageSize_.cy, imageDC_.get(), 0, 0, SRCCOPY);
  }
  HGDIOBJ previous = SelectObject(imageDC_.get(), fresh.get());
  if (!oldImage_) oldImage_ = previous;
  image_ = std::move(fresh);
  imageSize_ = size;
}

SIZE PictureBox::OuterPixels() const {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

SIZE PictureBox::ClientPixels() const {
  RECT r{};
  GetClientRect(hwnd_, &r);
  return SIZE{r.right, r.bottom};
}

long PictureBox::ToParentUnits(long pixels, bool horizontal) const {
  return Parent().ScaleMode() == kPixels ? pixels : PixelsToTwips(pixels, horizontal);
}

long PictureBox::FromParentUnits(long value, bool horizontal) const {
  return Parent().ScaleMode() == kPixels ? value : TwipsToPixels(value, horizontal);
}

long PictureBox::Width() const { return ToParentUnits(OuterPixels().cx, true); }
long PictureBox::Height() const { return ToParentUnits(OuterPixels().cy, false); }

void PictureBox::SetWidth(long value) {
  SetWindowPos(hwnd_, nullptr, 0, 0, FromParentUnits(value, true), OuterPixels().cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  OnSize();
}

void PictureBox::SetHeight(long value) {
  SetWindowPos(hwnd_, nullptr, 0, 0, OuterPixels().cx, FromParentUnits(value, false),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  OnSize();
}

long PictureBox::ScaleWidth() const {
  const long px = ClientPixels().cx;
  return scaleMode_ == kPixels ? px : PixelsToTwips(px, true);
}

long PictureBox::ScaleHeight() const {
  const long px = ClientPixels().cy;
  return scaleMode_ == kPixels ? px : PixelsToTwips(px, false);
}

void PictureBox::SetPictureFromImage() {
  picture_.reset(static_cast<HBITMAP>(CopyImage(image_.get(), IMAGE_BITMAP, 0, 0, 0)));
}

HBITMAP PictureBox::CopyPicture() const {
  if (!picture_) return nullptr;
  return static_cast<HBITMAP>(CopyImage(picture_.get(), IMAGE_BITMAP, 0, 0, 0));
}

void PictureBox::Cls() {
  RECT all{0, 0, imageSize_.cx, imageSize_.cy};
  const Brush brush(CreateSolidBrush(backColor_));
  FillRect(imageDC_.get(), &all, brush.get());
  if (picture_) {
    MemoryDc dc(CreateCompatibleDC(imageDC_.get()));
    SelectGuard select(dc.get(), picture_.get());
    BITMAP info{};
    GetObjectA(picture_.get(), sizeof info, &info);
    BitBlt(imageDC_.get(), 0, 0, info.bmWidth, info.bmHeight, dc.get(), 0, 0, SRCCOPY);
  }
  InvalidateRect(hwnd_, nullptr, FALSE);
}

long PictureBox::TwipsPerPixelX() const { return platform::win32::TwipsPerPixelX(); }
long PictureBox::TwipsPerPixelY() const { return platform::win32::TwipsPerPixelY(); }

bool PictureBox::CaptureBackground(long x, long y, long w, long h, uint8_t* bgr) {
  if (!imageDC_) return false;
  MemoryDc memory(CreateCompatibleDC(imageDC_.get()));
  Bitmap copy(CreateCompatibleBitmap(imageDC_.get(), w, h));
  {
    SelectGuard select(memory.get(), copy.get());
    BitBlt(memory.get(), 0, 0, w, h, imageDC_.get(), x, y, SRCCOPY);
  }
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;  // bottom row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  GetDIBits(memory.get(), copy.get(), 0, static_cast<UINT>(h), bgr, &bi, DIB_RGB_COLORS);
  return true;  // what could not be read stays black
}

void PictureBox::ShowDeviceBitmap(DeviceBitmap bitmap, long x, long y, bool keepSize) {
  CBitmap::DrawToPictureBox(bitmap, *this, x, y, keepSize);
}

}  // namespace dirsheet::png::win32
