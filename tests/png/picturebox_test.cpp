// The picture box under Wine: real windows, real GDI, pixels read back.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/win32/Twips.h"
#include "png/LoadPNG.h"
#include "png/win32/CBitmap.h"
#include "png/win32/PictureBox.h"

using namespace dirsheet::png;
using namespace dirsheet::png::win32;
using namespace dirsheet::platform::win32;

namespace {

std::string Suite(const char* name) { return std::string(DIRSHEET_TESTDATA) + "/pngsuite/" + name; }

// The test screen's 96 pixels per inch, for which sizes in twips are worked out by hand.
bool At96PixelsPerInch() {
  const WindowDc screen(nullptr, true);
  return GetDeviceCaps(screen.get(), LOGPIXELSX) == 96 &&
         GetDeviceCaps(screen.get(), LOGPIXELSY) == 96;
}

class PictureBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PictureBoxTestHost";
    RegisterClassA(&wc);
    host_ = CreateWindowExA(0, wc.lpszClassName, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                            400, 300, nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(host_, nullptr);
  }
  void TearDown() override { DestroyWindow(host_); }

  // The colours the portable pipeline draws for a file, as top-down RGB.
  static std::vector<uint8_t> Expected(const std::string& path, uint32_t background) {
    MemorySurface target, bg(background);
    LoadPNG d;
    d.PicBox(&target);
    d.BackgroundPicture(&bg);
    d.SetAlpha(true);
    d.SetTrans(true);
    d.OpenPNG(path);
    return target.Drawn() ? DeviceBitmapToRgb(*target.Drawn()) : std::vector<uint8_t>{};
  }

  static void Decode(PictureBox& box, const std::string& path, PictureSurface* background) {
    LoadPNG d;
    d.PicBox(&box);
    d.SetToBkgrnd(false, 0, 0);
    d.BackgroundPicture(background);
    d.SetAlpha(true);
    d.SetTrans(true);
    d.OpenPNG(path);
    ASSERT_EQ(d.ErrorNumber(), 0);
  }

  static SIZE Client(const PictureBox& box) {
    RECT r{};
    GetClientRect(box.hWnd(), &r);
    return SIZE{r.right, r.bottom};
  }

  static std::vector<uint8_t> ReadBack(const PictureBox& box, int w, int h) {
    std::vector<uint8_t> rgb;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const COLORREF c = GetPixel(box.hDC(), x, y);
        rgb.insert(rgb.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
      }
    return rgb;
  }

  HWND host_ = nullptr;
};

TEST_F(PictureBoxTest, DecodesIntoTheBoxAndTakesTheImageSize) {
  // Truecolour, grey, palette, interlaced and alpha over the box itself.
  for (const char* name :
       {"basn2c08.png", "basn0g04.png", "basn3p08.png", "basi0g02.png", "basn3p01.png"}) {
    auto box = PictureBox::Create(host_, 10, 10, 5, 5);
    ASSERT_TRUE(box);
    Decode(*box, Suite(name), box.get());
    EXPECT_EQ(Client(*box).cx, 32) << name;
    EXPECT_EQ(Client(*box).cy, 32) << name;
    EXPECT_TRUE(ReadBack(*box, 32, 32) == Expected(Suite(name), 0)) << name;
    HBITMAP copy = box->CopyPicture();
    ASSERT_NE(copy, nullptr);
    BITMAP info{};
    GetObjectA(copy, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 32);
    DeleteObject(copy);
  }
}

TEST_F(PictureBoxTest, AlphaBlendsWithTheBoxBehindIt) {
  auto box = PictureBox::Create(host_, 0, 0, 40, 40);
  box->SetBackColor(RGB(0x80, 0x60, 0x40));
  box->Cls();
  Decode(*box, Suite("basn6a08.png"), box.get());
  EXPECT_TRUE(ReadBack(*box, 32, 32) == Expected(Suite("basn6a08.png"), 0x00406080));
}

TEST_F(PictureBoxTest, BorderedBoxEndsWithInnerAreaOfTheImage) {
  auto box = PictureBox::Create(host_, 0, 0, 10, 10, /*border=*/true);
  ASSERT_TRUE(box);
  Decode(*box, Suite("basn2c08.png"), nullptr);
  EXPECT_EQ(Client(*box).cx, 32);
  EXPECT_EQ(Client(*box).cy, 32);
  EXPECT_TRUE(ReadBack(*box, 32, 32) == Expected(Suite("basn2c08.png"), 0));
  EXPECT_EQ(box->ScaleMode(), kTwips);
  EXPECT_EQ(box->Parent().ScaleMode(), kTwips);
}

TEST_F(PictureBoxTest, NarrowBackgroundIsWidenedBeforeTheCapture) {
  auto background = PictureBox::Create(host_, 100, 100, 8, 8);
  background->SetBackColor(RGB(0x80, 0x60, 0x40));
  background->Cls();
  auto target = PictureBox::Create(host_, 200, 100, 8, 8);
  Decode(*target, Suite("basn6a08.png"), background.get());
  // The whole image was blended with the widened background's colour.
  EXPECT_TRUE(ReadBack(*target, 32, 32) == Expected(Suite("basn6a08.png"), 0x00406080));
  if (!At96PixelsPerInch()) GTEST_SKIP() << "sizes are given for 15 twips a pixel";
  // The image size in twips plus 100 twips (480 + 100), as whole pixels of the window
  // (38.67 -> 39), back in twips.
  EXPECT_EQ(background->Width(), 585);
  EXPECT_EQ(background->Height(), 585);
  EXPECT_EQ(target->Width(), 480);
}

TEST_F(PictureBoxTest, TwipsConversionsAndTwipsPlacement) {
  if (!At96PixelsPerInch()) GTEST_SKIP() << "sizes are given for 15 twips a pixel";
  EXPECT_EQ(TwipsPerPixelX(), 15);
  EXPECT_EQ(TwipsPerPixelY(), 15);
  EXPECT_EQ(PixelsToTwips(32, true), 480);
  EXPECT_EQ(TwipsToPixels(487, true), 32);   // 32.47
  EXPECT_EQ(TwipsToPixels(488, false), 33);  // 32.53
  auto box = PictureBox::CreateTwips(host_, 0, 0, 600, 300);
  EXPECT_EQ(Client(*box).cx, 40);
  EXPECT_EQ(Client(*box).cy, 20);
  EXPECT_EQ(box->Width(), 600);
  box->Parent().SetScaleMode(kPixels);
  EXPECT_EQ(box->Width(), 40);
  box->Parent().SetScaleMode(kTwips);
}

}  // namespace
