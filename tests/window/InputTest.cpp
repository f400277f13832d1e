// The main window driven with real mouse and keyboard input on the X display: skinned, it
// moves by its caption, minimizes and closes through the skin's buttons; skinned or not,
// Alt+F4 closes it after a click on a tree node, which leaves the focus in the tree.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "skin/win32/ClsSkinner.h"
#include "tests/support/XInput.h"
#include "tests/window/FormTestSupport.h"
#include "tests/window/ImagesFolder.h"

namespace dirsheet::window::test {
namespace {

const auto* const g_unmanaged = ::testing::AddGlobalTestEnvironment(new UnmanagedWindows);

class MainWindowInput : public ::testing::Test {
 protected:
  void Open(bool skinned) {
    if (skinned) images_.CopyAll();
    form = Form1::Create(GetModuleHandleA(nullptr), Form1Services{}, SW_SHOW);
    ASSERT_NE(form, nullptr);
    hwnd = form->Handle();
    SetForegroundWindow(hwnd);
    Run(300);
  }
  void TearDown() override {
    form.reset();
    PumpFor(50);
    MoveTo(5, 1000);
  }
  // The program's own message loop: the window's keyboard handling comes first.
  MessageFilter Loop() {
    return [this](MSG& m) { return form && form->PreTranslate(m); };
  }
  void Run(int ms) { PumpFor(ms, Loop()); }
  bool RunUntil(const std::function<bool()>& done) { return PumpUntil(done, 3000, Loop()); }
  RECT WindowRect() const {
    RECT r;
    GetWindowRect(hwnd, &r);
    return r;
  }
  // Screen point of the centre of caption button i's normal piece.
  POINT ButtonCentre(int i) const {
    const auto& b = form->Skinner()->Skin().CaptionButtons[i];
    const RECT r = WindowRect();
    return {r.right - b.OffsetX + b.States[0].Width / 2,
            r.top + b.OffsetY + b.States[0].Height / 2};
  }
  LRESULT HitAt(POINT p) const { return SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)); }
  // A real click on the label of the tree's root, then Alt+F4 typed on the keyboard.
  void ClickTreeThenAltF4() {
    HWND tree = form->TreeView1();
    HTREEITEM root = TreeView_GetRoot(tree);
    ASSERT_TRUE(root);
    ClickAt(CentreOf(tree, NodeRect(tree, root)));
    Run(200);
    ASSERT_EQ(GetFocus(), tree);
    ASSERT_EQ(GetText(form->Dir()), "Desktop") << "the click reached the tree";
    Xdo("key alt+F4");
    EXPECT_TRUE(RunUntil([&] { return !IsWindow(hwnd); })) << "Alt+F4 closes the window";
  }

  ImagesFolder images_;
  std::unique_ptr<Form1> form;
  HWND hwnd = nullptr;
};

TEST_F(MainWindowInput, SkinnedMovesMinimizesRestoresAndCloses) {
  Open(true);
  ASSERT_EQ(form->Skinner()->HookedWindow(), hwnd);
  const RECT r = WindowRect();
  const int captionY = r.top + form->Skinner()->Skin().ActiveFrame[4].Height / 2;
  const POINT grip = {(r.left + r.right) / 2, captionY};
  ASSERT_EQ(HitAt(grip), HTCAPTION);

  // Move by the caption.
  Xdo("mousemove " + std::to_string(grip.x) + " " + std::to_string(grip.y) +
          " mousedown 1 mousemove " + std::to_string(grip.x + 40) + " " +
          std::to_string(grip.y + 30) + " sleep 0.2 mouseup 1",
      false);
  EXPECT_TRUE(RunUntil([&] { return WindowRect().left == r.left + 40; }));
  Run(200);
  const RECT moved = WindowRect();
  EXPECT_EQ(moved.top, r.top + 30);
  EXPECT_EQ(moved.right - moved.left, r.right - r.left);

  // The window has no maximize box: its slot does not act.
  ASSERT_EQ(HitAt(ButtonCentre(skin::kMinimize)), HTMINBUTTON);
  ClickAt(ButtonCentre(skin::kMaximize));
  Run(200);
  EXPECT_FALSE(IsZoomed(hwnd));
  EXPECT_EQ(WindowRect().left, moved.left);

  // Minimize with the skin's button, restore.
  ClickAt(ButtonCentre(skin::kMinimize));
  EXPECT_TRUE(RunUntil([&] { return IsIconic(hwnd) != 0; }));
  ShowWindow(hwnd, SW_RESTORE);
  SetForegroundWindow(hwnd);
  Run(300);
  EXPECT_FALSE(IsIconic(hwnd));
  const RECT restored = WindowRect();
  EXPECT_EQ(restored.right - restored.left, r.right - r.left);
  EXPECT_EQ(restored.bottom - restored.top, r.bottom - r.top);
  EXPECT_EQ(form->Skinner()->HookedWindow(), hwnd);

  // Close with the skin's button.
  ASSERT_EQ(HitAt(ButtonCentre(skin::kClose)), HTCLOSE);
  ClickAt(ButtonCentre(skin::kClose));
  EXPECT_TRUE(RunUntil([&] { return !IsWindow(hwnd); }));
}

// The close button's hover look on an inactive window: its corners show the inactive
// caption, not a trace of the active one. Read from the screen after a real pointer move.
TEST_F(MainWindowInput, InactiveCloseButtonHoverShowsNoActiveColour) {
  Open(true);
  ASSERT_EQ(form->Skinner()->Skin().CaptionButtons.size(), 4u);
  HWND other = MakeTestWindow("other", 600, 600, 200, 150);
  SetForegroundWindow(other);
  Run(300);
  ASSERT_NE(GetActiveWindow(), hwnd);
  const auto& b = form->Skinner()->Skin().CaptionButtons[skin::kClose];
  const RECT r = WindowRect();
  const RECT button = {r.right - b.OffsetX - r.left, r.top + b.OffsetY - r.top,
                       r.right - b.OffsetX - r.left + b.States[0].Width,
                       r.top + b.OffsetY - r.top + b.States[0].Height};
  const Capture before = CaptureWindow(hwnd);
  MoveTo(r.left + button.left + b.States[0].Width / 2, r.top + button.top + b.States[0].Height / 2);
  Run(300);
  const Capture hover = CaptureWindow(hwnd);
  DestroyWindow(other);
  // The hover look was drawn (the button changed), over the inactive caption only.
  int changed = 0;
  for (int y = button.top; y < button.bottom; ++y)
    for (int x = button.left; x < button.right; ++x) changed += before.At(x, y) != hover.At(x, y);
  EXPECT_GT(changed, 0) << "no hover look drawn";
  const COLORREF activeCaption = RGB(43, 87, 154);  // the skin's active caption fill
  EXPECT_EQ(hover.Count(button, activeCaption), 0);
  // Each corner pixel of the button shows what the caption shows beside the button.
  const COLORREF caption = hover.At(button.left - 2, button.top + 1);
  EXPECT_EQ(hover.At(button.left, button.top), caption);
  EXPECT_EQ(hover.At(button.right - 1, button.top), caption);
}

TEST_F(MainWindowInput, SkinnedAltF4ClosesFromTheTree) {
  Open(true);
  ASSERT_EQ(form->Skinner()->HookedWindow(), hwnd);
  ClickTreeThenAltF4();
}

TEST_F(MainWindowInput, UnskinnedAltF4ClosesFromTheTree) {
  Open(false);
  ASSERT_EQ(form->Skinner()->HookedWindow(), nullptr);
  ClickTreeThenAltF4();
}

}  // namespace
}  // namespace dirsheet::window::test
