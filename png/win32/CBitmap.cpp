#include "png/win32/CBitmap.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "png/Notify.h"
#include "png/win32/GdiHandles.h"
#include "png/win32/PictureBox.h"

namespace dirsheet::png::CBitmap {

namespace {

win32::Bitmap& Current() {
    static win32::Bitmap bitmap;
    return bitmap;
}

void Create(int bits, const uint8_t* pixels, long width, long height, bool topRowFirst) {
    // The description followed by up to 256 colour table entries.
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    const BitmapInfoHeader h = DescribeDeviceBitmap(width, height, bits, topRowFirst);
    static_assert(sizeof(BitmapInfoHeader) == sizeof(BITMAPINFOHEADER), "same layout");
    std::memcpy(info.data(), &h, sizeof h);
    const std::vector<RgbQuad> table = TableFor(bits);
    if (!table.empty()) std::memcpy(info.data() + sizeof h, table.data(), table.size() * sizeof(RgbQuad));
    const auto* bmi = reinterpret_cast<const BITMAPINFO*>(info.data());
    win32::ScreenDC screen;
    Current().reset(CreateDIBitmap(screen.get(), &bmi->bmiHeader, CBM_INIT, pixels, bmi, DIB_RGB_COLORS));
}

long ScreenTwipsPerPixel(int axis) {
    win32::ScreenDC screen;
    const int dpi = GetDeviceCaps(screen.get(), axis);
    return dpi > 0 ? 1440 / dpi : 15;
}

}  // namespace

void CreateDeviceBitmap1(const uint8_t* p, long w, long h, bool top) { Create(1, p, w, h, top); }
void CreateDeviceBitmap4(const uint8_t* p, long w, long h, bool top) { Create(4, p, w, h, top); }
void CreateDeviceBitmap8(const uint8_t* p, long w, long h, bool top) { Create(8, p, w, h, top); }
void CreateDeviceBitmap24(const uint8_t* p, long w, long h, bool top) { Create(24, p, w, h, top); }
void CreateDeviceBitmap32(const uint8_t* p, long w, long h, bool top) { Create(32, p, w, h, top); }
HBITMAP CurrentDeviceBitmap() { return Current().get(); }

long TwipsPerPixelX() { return ScreenTwipsPerPixel(LOGPIXELSX); }
long TwipsPerPixelY() { return ScreenTwipsPerPixel(LOGPIXELSY); }

long PixelsToTwips(long pixels, bool horizontal) {
    return pixels * (horizontal ? TwipsPerPixelX() : TwipsPerPixelY());
}

long TwipsToPixels(long twips, bool horizontal) {
    const long tpp = horizontal ? TwipsPerPixelX() : TwipsPerPixelY();
    return std::lrint(static_cast<double>(twips) / static_cast<double>(tpp));
}

void DrawToPictureBox(long w, long h, win32::PictureBox& target, long x, long y, bool keepSize) {
    target.Cls();
    win32::ScaleContainer parent = target.Parent();
    const int parentMode = parent.ScaleMode();
    parent.SetScaleMode(win32::kTwips);
    const int ownMode = target.ScaleMode();
    target.SetScaleMode(win32::kTwips);

    const long widthTwips = PixelsToTwips(w, true), heightTwips = PixelsToTwips(h, false);
    long destW = w, destH = h;  // with the size kept, the image is drawn at its own size
    if (!keepSize) {
        target.SetHeight(heightTwips);
        target.SetWidth(widthTwips);
        if (target.ScaleHeight() != target.Height()) {
            // A border: draw at the outer size, then grow the box by the border so that
            // the inner area is the image.
            destW = TwipsToPixels(target.Width(), true);
            destH = TwipsToPixels(target.Height(), false);
            target.SetHeight(target.Height() + (target.Height() - target.ScaleHeight()));
            target.SetWidth(target.Width() + (target.Width() - target.ScaleWidth()));
        } else {
            target.SetScaleMode(win32::kPixels);
            destW = target.ScaleWidth();
            destH = target.ScaleHeight();
        }
    }
    if (Current()) {
        win32::MemoryDC memory(target.hDC());
        {
            win32::SelectGuard select(memory.get(), Current().get());
            StretchBlt(target.hDC(), x, y, destW, destH, memory.get(), 0, 0, w, h, SRCCOPY);
        }
        Current().reset();
    }
    parent.SetScaleMode(parentMode);
    target.SetScaleMode(ownMode);
    target.SetPictureFromImage();
    InvalidateRect(target.hWnd(), nullptr, FALSE);
}

void InstallMessageBoxNotifications() {
    SetNotificationHook([](const std::string& text) { MessageBoxA(nullptr, text.c_str(), "Dirsheet", MB_OK); });
}

}  // namespace dirsheet::png::CBitmap
