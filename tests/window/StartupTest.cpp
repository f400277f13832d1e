// The main window's skinned start-up: with the skin file missing or refused the window
// keeps its standard frame and start-up goes on; with the program's own skin and
// button pictures it comes up skinned with pictures on its buttons.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <string>

#include "skin/win32/ClsSkinner.h"
#include "tests/window/FormTestSupport.h"
#include "tests/window/ImagesFolder.h"

namespace dirsheet::window::test {
namespace {

// The images folder beside the test program is made by each test as it needs it.
class StartupTest : public ::testing::Test {
 protected:
  void TearDown() override {
    form.reset();
    Pump(1);
  }
  std::string Images() const { return images.Path(); }
  void Start() {
    form = Form1::Create(GetModuleHandleA(nullptr), Form1Services{}, SW_SHOW);
    ASSERT_NE(form, nullptr);
    Pump();
  }
  bool StartUpWentOn() const {
    return TreeView_GetCount(form->TreeView1()) > 0 &&
           SendMessageA(form->SaveAs(), CB_GETCOUNT, 0, 0) == 2;
  }
  bool HasRegion() const {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    const bool has = GetWindowRgn(form->Handle(), rgn) != ERROR;
    DeleteObject(rgn);
    return has;
  }
  ImagesFolder images;
  std::unique_ptr<Form1> form;
};

TEST_F(StartupTest, MissingSkinKeepsTheStandardFrameAndGoesOn) {
  MessageBoxWatcher boxes;
  Start();  // no images folder at all
  ASSERT_NE(form->Skinner(), nullptr);
  EXPECT_EQ(form->Skinner()->HookedWindow(), nullptr);
  EXPECT_FALSE(HasRegion());
  EXPECT_TRUE(StartUpWentOn());
  EXPECT_EQ(form->ButtonPicture(1), nullptr);  // captions alone
  EXPECT_FALSE(boxes.Seen());
}

TEST_F(StartupTest, RefusedSkinShowsItsMessageAndGoesOn) {
  for (const char* f : {"start.png", "stop.png", "save.png"}) images.Copy(f);
  std::ofstream(Images() + "\\RAD.Skin", std::ios::binary) << std::string(2000, 's');
  // The skin engine's own message box, closed by the watcher.
  MessageBoxWatcher boxes;
  Start();
  EXPECT_TRUE(boxes.Seen());
  EXPECT_FALSE(boxes.Text().empty());
  EXPECT_EQ(form->Skinner()->HookedWindow(), nullptr);
  EXPECT_FALSE(HasRegion());
  EXPECT_TRUE(StartUpWentOn());
  for (int i = 1; i <= 3; ++i) EXPECT_NE(form->ButtonPicture(i), nullptr) << i;
}

TEST_F(StartupTest, OwnSkinAndPicturesDressTheWindow) {
  Start();
  RECT plainClient;
  GetClientRect(form->Handle(), &plainClient);
  form.reset();
  Pump(1);

  images.CopyAll();
  MessageBoxWatcher boxes;
  Start();
  EXPECT_EQ(form->Skinner()->HookedWindow(), form->Handle());
  EXPECT_TRUE(HasRegion());
  RECT skinnedClient;
  GetClientRect(form->Handle(), &skinnedClient);
  EXPECT_EQ(skinnedClient.right, plainClient.right);
  EXPECT_EQ(skinnedClient.bottom, plainClient.bottom);
  EXPECT_TRUE(StartUpWentOn());
  EXPECT_FALSE(boxes.Seen());

  // The Start picture: its transparent corner blended to the box's own background, its
  // middle the white arrow.
  HBITMAP picture = form->ButtonPicture(1);
  ASSERT_NE(picture, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, picture);
  EXPECT_EQ(GetPixel(dc, 0, 0), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(GetPixel(dc, 16, 16), RGB(255, 255, 255));
  // Below the circle lies the soft shadow: grey pixels between the background and black.
  const BYTE face = GetRValue(GetSysColor(COLOR_BTNFACE));
  int blended = 0;
  for (int x = 8; x < 24; ++x) {
    const COLORREF c = GetPixel(dc, x, 30);
    blended += GetRValue(c) < face && GetRValue(c) > 0 && GetRValue(c) == GetGValue(c);
  }
  EXPECT_GT(blended, 0);
  SelectObject(dc, old);
  DeleteDC(dc);
}

}  // namespace
}  // namespace dirsheet::window::test
