// The program's main window, skinned with its own skin, driven with real input: it moves
// by its caption, minimizes and closes through the skin's buttons and comes back from
// minimized with its skinned frame.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <memory>
#include <string>

#include "skin/win32/ClsSkinner.h"
#include "tests/skin/WinTestUtil.h"
#include "tests/skin/XInput.h"
#include "window/Form1.h"

namespace dirsheet::skin::testing {
namespace {

const auto* const g_unmanaged = ::testing::AddGlobalTestEnvironment(new UnmanagedWindows);

std::string ImagesFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path);
  return p.substr(0, p.find_last_of('\\')) + "\\images";
}

class MainWindowInput : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(ImagesFolder().c_str(), nullptr);
    for (const char* f : {"RAD.Skin", "start.png", "stop.png", "save.png"}) {
      std::ifstream in(std::string(DIRSHEET_SOURCE_DIR) + "/images/" + f, std::ios::binary);
      std::ofstream out(ImagesFolder() + "\\" + f, std::ios::binary);
      out << in.rdbuf();
    }
    form = window::Form1::Create(GetModuleHandleA(nullptr), window::Form1Services{}, SW_SHOW);
    ASSERT_NE(form, nullptr);
    hwnd = form->Handle();
    SetForegroundWindow(hwnd);
    PumpFor(300);
  }
  void TearDown() override {
    form.reset();
    PumpFor(50);
    for (const char* f : {"RAD.Skin", "start.png", "stop.png", "save.png"})
      DeleteFileA((ImagesFolder() + "\\" + f).c_str());
    RemoveDirectoryA(ImagesFolder().c_str());
    MoveTo(5, 1000);
  }
  RECT WindowRect() const {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r;
  }
  // Screen point of the centre of caption button i's normal piece.
  POINT ButtonCentre(int i) const {
    const auto& b = form->Skinner()->Skin().CaptionButtons[i];
    const RECT r = WindowRect();
    return {r.right - b.OffsetX + b.States[0].Width / 2, r.top + b.OffsetY + b.States[0].Height / 2};
  }
  LRESULT HitAt(POINT p) const { return SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)); }

  MessageRecorder boxes;
  std::unique_ptr<window::Form1> form;
  HWND hwnd = nullptr;
};

TEST_F(MainWindowInput, MovesMinimizesRestoresAndCloses) {
  ASSERT_EQ(form->Skinner()->HookedWindow(), hwnd);
  const RECT r = WindowRect();
  const int captionY = r.top + form->Skinner()->Skin().ActiveFrame[4].Height / 2;
  const POINT grip = {(r.left + r.right) / 2, captionY};
  ASSERT_EQ(HitAt(grip), HTCAPTION);

  // Move by the caption.
  Xdo("mousemove " + std::to_string(grip.x) + " " + std::to_string(grip.y) + " mousedown 1 mousemove " +
          std::to_string(grip.x + 40) + " " + std::to_string(grip.y + 30) + " sleep 0.2 mouseup 1",
      false);
  EXPECT_TRUE(PumpUntil([&] { return WindowRect().left == r.left + 40; }));
  PumpFor(200);
  const RECT moved = WindowRect();
  EXPECT_EQ(moved.top, r.top + 30);
  EXPECT_EQ(moved.right - moved.left, r.right - r.left);

  // The window has no maximize box: its slot does not act.
  ASSERT_EQ(HitAt(ButtonCentre(kMinimize)), HTMINBUTTON);
  ClickAt(ButtonCentre(kMaximize));
  PumpFor(200);
  EXPECT_FALSE(IsZoomed(hwnd));
  EXPECT_EQ(WindowRect().left, moved.left);

  // Minimize with the skin's button, restore.
  ClickAt(ButtonCentre(kMinimize));
  EXPECT_TRUE(PumpUntil([&] { return IsIconic(hwnd) != 0; }));
  ShowWindow(hwnd, SW_RESTORE);
  SetForegroundWindow(hwnd);
  PumpFor(300);
  EXPECT_FALSE(IsIconic(hwnd));
  const RECT restored = WindowRect();
  EXPECT_EQ(restored.right - restored.left, r.right - r.left);
  EXPECT_EQ(restored.bottom - restored.top, r.bottom - r.top);
  EXPECT_EQ(form->Skinner()->HookedWindow(), hwnd);

  // Close with the skin's button.
  ASSERT_EQ(HitAt(ButtonCentre(kClose)), HTCLOSE);
  ClickAt(ButtonCentre(kClose));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hwnd); }));
  EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
}  // namespace dirsheet::skin::testing
