// The main window's skinned start-up: with the skin file missing or refused the window
// keeps its standard frame and start-up goes on; with the program's own skin and
// button pictures it comes up skinned with pictures on its buttons.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <string>

#include "png/win32/PictureBox.h"
#include "skin/win32/ClsSkinner.h"
#include "tests/skin/WinTestUtil.h"
#include "window/Form1.h"

namespace dirsheet::skin::testing {
namespace {

std::string ExeFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path);
  return p.substr(0, p.find_last_of('\\'));
}

void CopyInto(const std::string& name, const std::string& to) {
  std::ifstream in(std::string(DIRSHEET_SOURCE_DIR) + "/images/" + name, std::ios::binary);
  std::ofstream out(to, std::ios::binary);
  out << in.rdbuf();
}

// The images folder beside the test program, made and removed by each test.
class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override { RemoveImages(); }
  void TearDown() override {
    form.reset();
    Pump(1);
    RemoveImages();
  }
  std::string Images() const { return ExeFolder() + "\\images"; }
  void RemoveImages() {
    for (const char* f : {"RAD.Skin", "start.png", "stop.png", "save.png"})
      DeleteFileA((Images() + "\\" + f).c_str());
    RemoveDirectoryA(Images().c_str());
  }
  void Start() {
    window::Form1Services services;
    form = window::Form1::Create(GetModuleHandleA(nullptr), std::move(services), SW_SHOW);
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
  MessageRecorder boxes;
  std::unique_ptr<window::Form1> form;
};

TEST_F(StartupTest, MissingSkinKeepsTheStandardFrameAndGoesOn) {
  Start();  // no images folder at all
  ASSERT_NE(form->Skinner(), nullptr);
  EXPECT_EQ(form->Skinner()->HookedWindow(), nullptr);
  EXPECT_FALSE(HasRegion());
  EXPECT_TRUE(StartUpWentOn());
  EXPECT_EQ(form->ButtonPicture(1), nullptr);  // captions alone
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(StartupTest, RefusedSkinShowsItsMessageAndGoesOn) {
  CreateDirectoryA(Images().c_str(), nullptr);
  std::ofstream(Images() + "\\RAD.Skin", std::ios::binary) << std::string(2000, 's');
  for (const char* f : {"start.png", "stop.png", "save.png"}) CopyInto(f, Images() + "\\" + f);
  Start();
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].Type, UINT(MB_ICONERROR));
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

  CreateDirectoryA(Images().c_str(), nullptr);
  for (const char* f : {"RAD.Skin", "start.png", "stop.png", "save.png"})
    CopyInto(f, Images() + "\\" + f);
  Start();
  EXPECT_EQ(form->Skinner()->HookedWindow(), form->Handle());
  EXPECT_TRUE(HasRegion());
  RECT skinnedClient;
  GetClientRect(form->Handle(), &skinnedClient);
  EXPECT_EQ(skinnedClient.right, plainClient.right);
  EXPECT_EQ(skinnedClient.bottom, plainClient.bottom);
  EXPECT_TRUE(StartUpWentOn());
  EXPECT_TRUE(boxes.Shown().empty());

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
}  // namespace dirsheet::skin::testing
