// Caption buttons, hit testing, the hover timer, the icon menu and the menu bar on real
// windows under Wine, driven with real pointer and keyboard input on the X display
// (xdotool). Checks that must run while a popup menu is open run from a thread timer,
// which every modal loop of the platform keeps dispatching.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "skin/win32/ClsSkinner.h"
#include "tests/skin/SkinTestFiles.h"
#include "tests/skin/WinTestUtil.h"
#include "tests/support/XInput.h"

namespace dirsheet::skin::testing {
namespace {

using win32::ClsSkinner;

const auto* const g_unmanaged = ::testing::AddGlobalTestEnvironment(new UnmanagedWindows);

// ---------------------------------------------------------------- the fixture

std::string WriteSkin(const std::string& name, const TestSkin& skin) {
  const std::string path = TempPath(name);
  WriteFileBytes(path, SkinFileBytes(skin));
  return path;
}

constexpr int kOpen = 101, kExit = 102, kGo = 201, kCopy = 301;

HMENU MakeMenu() {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, kOpen, "&Open");
  AppendMenuA(file, MF_STRING, kExit, "E&xit");
  HMENU edit = CreatePopupMenu();
  AppendMenuA(edit, MF_STRING, kCopy, "&Copy");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  AppendMenuA(bar, MF_STRING, kGo, "&Go");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");
  return bar;
}

class InputTest : public ::testing::Test {
 protected:
  void TearDown() override {
    win32::SetSkinFaultHook(nullptr);
    engine.reset();
    for (HWND h : windows)
      if (IsWindow(h)) DestroyWindow(h);
    MoveTo(5, 1000);
  }

  // A skinned window at (100, 100); its own procedure writes down system commands and
  // menu commands.
  HWND Hooked(DWORD style = WS_OVERLAPPEDWINDOW, bool withMenu = false, int cx = 300,
              int cy = 200) {
    TestSkinOptions o;
    o.MenuColor = 0xFFFFFF;  // the engine draws the menu bar
    HWND h = MakeTestWindow("Input", 100, 100, cx, cy, Recording(), style);
    if (withMenu) SetMenu(h, MakeMenu());
    windows.push_back(h);
    engine = std::make_unique<ClsSkinner>();
    EXPECT_TRUE(engine->LoadSkinFromFile(WriteSkin("input.skin", MakeTestSkin(o))));
    EXPECT_TRUE(engine->HookForm(h));
    SetForegroundWindow(h);
    SetActiveWindow(h);
    PumpFor(150);
    return h;
  }
  TestProc Recording() {
    return [this](HWND, UINT msg, WPARAM wp, LPARAM, LRESULT&) {
      if (msg == WM_SYSCOMMAND) sysCommands.push_back(unsigned(wp & 0xFFF0));
      if (msg == WM_COMMAND) commands.push_back(int(LOWORD(wp)));
      return false;
    };
  }
  static RECT WindowRect(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return r;
  }
  // Screen point of a caption button's centre (test skin: 12 x 12 at W - OffsetX, 4).
  static POINT ButtonCentre(HWND h, int offsetX) {
    const RECT r = WindowRect(h);
    return {r.right - offsetX + 6, r.top + 4 + 6};
  }
  // Screen point of a bar item's centre.
  POINT ItemCentre(HWND h, int item) const {
    const RECT r = WindowRect(h);
    const Rect& it = engine->Bar().Layout().Items[item];
    return {r.left + 4 + (it.left + it.right) / 2, r.top + (it.top + it.bottom) / 2};
  }
  bool HasSysCommand(unsigned cmd) const {
    for (unsigned c : sysCommands)
      if (c == cmd) return true;
    return false;
  }

  MessageRecorder boxes;
  std::unique_ptr<ClsSkinner> engine;
  std::vector<HWND> windows;
  std::vector<unsigned> sysCommands;
  std::vector<int> commands;
};

constexpr int kMinX = 46, kMaxX = 32, kCloseX = 18;  // the test skin's button offsets

// ---------------------------------------------------------------- caption buttons

TEST_F(InputTest, HoverMakesAButtonHotAndLeavingTheFrameResetsIt) {
  HWND h = Hooked();
  const POINT close = ButtonCentre(h, kCloseX);
  MoveTo(close.x, close.y);
  ASSERT_TRUE(PumpUntil([&] { return engine->Buttons().State(kClose) == ButtonState::Hot; }));
  EXPECT_TRUE(engine->Hover().Running());
  EXPECT_EQ(ScreenPixel(close.x, close.y), ToColorRef(kButtonState[1]));
  EXPECT_EQ(engine->Buttons().State(kMinimize), ButtonState::Normal);

  // Off the window: the next tick of the 1 ms timer puts the button back.
  Xdo("mousemove 700 700");
  EXPECT_TRUE(
      PumpUntil([&] { return engine->Buttons().State(kClose) == ButtonState::Normal; }, 500));
  EXPECT_FALSE(engine->Hover().Running());
  PumpFor(50);
  EXPECT_EQ(ScreenPixel(close.x, close.y), ToColorRef(kButtonState[0]));
}

TEST_F(InputTest, ReleaseActsOnTheButtonUnderThePointer) {
  HWND h = Hooked();
  const POINT min = ButtonCentre(h, kMinX), max = ButtonCentre(h, kMaxX);
  Xdo("mousemove " + std::to_string(min.x) + " " + std::to_string(min.y) + " mousedown 1");
  ASSERT_TRUE(
      PumpUntil([&] { return engine->Buttons().State(kMinimize) == ButtonState::Pressed; }));
  EXPECT_EQ(ScreenPixel(min.x, min.y), ToColorRef(kButtonState[2]));
  EXPECT_TRUE(sysCommands.empty());  // nothing happens on press
  Xdo("mousemove " + std::to_string(max.x) + " " + std::to_string(max.y) + " mouseup 1");
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(h) != 0; }));
  EXPECT_FALSE(HasSysCommand(SC_MINIMIZE));
  EXPECT_FALSE(IsIconic(h));

  // Maximized, the maximize slot shows restore and a click on it restores.
  const POINT restore = ButtonCentre(h, kMaxX);
  ClickAt(restore);
  EXPECT_TRUE(PumpUntil([&] { return !IsZoomed(h); }));
  EXPECT_TRUE(HasSysCommand(SC_RESTORE));
}

TEST_F(InputTest, WithoutMinimizeAndMaximizeBoxesOnlyCloseAnswers) {
  HWND h = Hooked(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME);
  const RECT r = WindowRect(h);
  auto hit = [&](POINT p) { return SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)); };
  EXPECT_NE(hit(ButtonCentre(h, kMinX)), HTMINBUTTON);
  EXPECT_NE(hit(ButtonCentre(h, kMaxX)), HTMAXBUTTON);
  EXPECT_EQ(hit(ButtonCentre(h, kCloseX)), HTCLOSE);
  ClickAt(ButtonCentre(h, kMinX));
  ClickAt(ButtonCentre(h, kMaxX));
  EXPECT_FALSE(HasSysCommand(SC_MINIMIZE));
  EXPECT_FALSE(HasSysCommand(SC_MAXIMIZE));
  EXPECT_FALSE(IsIconic(h));
  EXPECT_FALSE(IsZoomed(h));
  EXPECT_EQ(WindowRect(h).right, r.right);
  ClickAt(ButtonCentre(h, kCloseX));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(h); }));
  EXPECT_TRUE(HasSysCommand(SC_CLOSE));
}

TEST_F(InputTest, ClickOnTheIconOpensTheSystemMenuBelowIt) {
  HWND h = Hooked();
  const RECT r = WindowRect(h);
  RECT popup = {};
  Watcher w([&] {
    HWND p = OpenPopup();
    if (!p) return false;
    GetWindowRect(p, &popup);
    EndMenu();
    return true;
  });
  ClickAt({r.left + 6 + 8, r.top + 2 + 8});  // the test skin's 16 x 16 icon at (6, 2)
  ASSERT_TRUE(PumpUntil([&] { return w.Done(); }));
  EXPECT_EQ(popup.left, r.left + 6);
  EXPECT_EQ(popup.top, r.top + 2 + 16);
  PumpFor(100);
  EXPECT_EQ(WindowRect(h).left, r.left);  // the click did not turn into a move
  EXPECT_TRUE(IsWindow(h));
}

TEST_F(InputTest, TheWindowMovesSizesMinimizesRestoresAndCloses) {
  HWND h = Hooked();
  RECT r = WindowRect(h);
  // Move by the caption.
  Xdo("mousemove " + std::to_string(r.left + 120) + " " + std::to_string(r.top + 10) +
          " mousedown 1 mousemove " + std::to_string(r.left + 160) + " " +
          std::to_string(r.top + 40) + " sleep 0.2 mouseup 1",
      false);
  EXPECT_TRUE(PumpUntil([&] { return WindowRect(h).left == r.left + 40; }));
  PumpFor(200);
  const LONG top = r.top;
  r = WindowRect(h);
  EXPECT_EQ(r.top, top + 30);
  // Size by the right border.
  Xdo("mousemove " + std::to_string(r.right - 2) + " " + std::to_string(r.top + 100) +
          " mousedown 1 mousemove " + std::to_string(r.right + 48) + " " +
          std::to_string(r.top + 100) + " sleep 0.2 mouseup 1",
      false);
  EXPECT_TRUE(PumpUntil([&] { return WindowRect(h).right == r.right + 50; }));
  PumpFor(200);
  // Minimize with the skin's button, restore, close with the skin's button.
  ClickAt(ButtonCentre(h, kMinX));
  EXPECT_TRUE(PumpUntil([&] { return IsIconic(h) != 0; }));
  ShowWindow(h, SW_RESTORE);
  PumpFor(200);
  EXPECT_FALSE(IsIconic(h));
  EXPECT_EQ(engine->HookedWindow(), h);
  ClickAt(ButtonCentre(h, kCloseX));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(h); }));
}

// ---------------------------------------------------------------- menu bar

TEST_F(InputTest, MenuBarIsLaidOutInsideTheFrame) {
  HWND h = Hooked(WS_OVERLAPPEDWINDOW, true);
  ASSERT_TRUE(engine->Bar().Shown());
  EXPECT_EQ(GetMenu(h), nullptr);  // the engine draws it
  ASSERT_EQ(engine->Bar().Layout().Items.size(), 3u);
  POINT origin = {0, 0};
  ClientToScreen(h, &origin);
  EXPECT_EQ(origin.y - WindowRect(h).top, 20 + 16);  // caption and bar above the client
  // Hovering an item makes it hot.
  const POINT file = ItemCentre(h, 0);
  EXPECT_EQ(SendMessageA(h, WM_NCHITTEST, 0, MAKELPARAM(file.x, file.y)), HTMENU);
  MoveTo(file.x, file.y);
  EXPECT_TRUE(PumpUntil([&] { return engine->Bar().HotItem() == 0; }));
  Xdo("mousemove 700 700");
  EXPECT_TRUE(PumpUntil([&] { return engine->Bar().HotItem() == -1; }, 500));
}

TEST_F(InputTest, TakingTheMenuLeavesNoTraceOfThePlatformsBar) {
  // The program's own skin, on a window that showed its standard menu bar until hooked.
  HWND h = MakeTestWindow("Input", 100, 100, 300, 200, nullptr);
  windows.push_back(h);
  SetMenu(h, MakeMenu());
  PumpFor(100);
  engine = std::make_unique<ClsSkinner>();
  ASSERT_TRUE(engine->LoadSkinFromFile(std::string(DIRSHEET_SOURCE_DIR) + "/images/RAD.Skin"));
  ASSERT_TRUE(engine->HookForm(h));
  ASSERT_TRUE(engine->Bar().Shown());
  PumpFor(200);
  POINT origin = {0, 0};
  ClientToScreen(h, &origin);
  const RECT wr = WindowRect(h);
  const Capture cap = CaptureWindow(h);
  const RECT top = {origin.x - wr.left, origin.y - wr.top, origin.x - wr.left + 150,
                    origin.y - wr.top + 40};
  EXPECT_EQ(cap.Count(top, RGB(255, 255, 255)), 150 * 40);  // the window's white background
}

TEST_F(InputTest, AltFOpensTheFilePopupInEitherCase) {
  HWND h = Hooked(WS_OVERLAPPEDWINDOW, true);
  for (const char* keys : {"alt+f", "alt+shift+f"}) {
    int opened = -1;
    Watcher w([&] {
      if (!engine->Bar().MenuMode() || !OpenPopup()) return false;
      opened = engine->Bar().OpenItem();
      EndMenu();
      return true;
    });
    Xdo(std::string("key ") + keys);
    EXPECT_TRUE(PumpUntil([&] { return w.Done(); })) << keys;
    EXPECT_EQ(opened, 0) << keys;
    EXPECT_TRUE(PumpUntil([&] { return !engine->Bar().MenuMode(); })) << keys;
  }
  EXPECT_TRUE(IsWindow(h));
  EXPECT_TRUE(commands.empty());
}

TEST_F(InputTest, ArrowKeysMoveBetweenPopups) {
  HWND h = Hooked(WS_OVERLAPPEDWINDOW, true);
  std::vector<int> seen;
  int step = 0;
  Watcher w([&] {
    if (!engine->Bar().MenuMode() || !OpenPopup()) return false;
    const int item = engine->Bar().OpenItem();
    if (!seen.empty() && seen.back() == item) return false;
    seen.push_back(item);
    if (step == 0)
      Xdo("key Left", false);  // from the first item to the last
    else if (step == 1)
      Xdo("key Right", false);  // and back: the wrap the other way
    else if (step == 2)
      Xdo("key Right", false);  // past "Go", which has no popup
    else
      EndMenu();
    return ++step > 3;
  });
  Xdo("key alt+f");
  EXPECT_TRUE(PumpUntil([&] { return w.Done(); }, 5000));
  EXPECT_EQ(seen, (std::vector<int>{0, 2, 0, 2}));
  EXPECT_TRUE(PumpUntil([&] { return !engine->Bar().MenuMode(); }));
  EXPECT_TRUE(commands.empty());  // moving never ran "Go"
  EXPECT_TRUE(IsWindow(h));
}

TEST_F(InputTest, AnItemWithoutPopupActsOnReleaseNotOnPress) {
  HWND h = Hooked(WS_OVERLAPPEDWINDOW, true);
  const POINT go = ItemCentre(h, 1);
  bool pressedWithoutCommand = false;
  Watcher w([&] {
    if (!engine->Bar().MenuMode() || engine->Bar().OpenItem() != 1) return false;
    pressedWithoutCommand = commands.empty();
    Xdo("mouseup 1", false);
    return true;
  });
  Xdo("mousemove " + std::to_string(go.x) + " " + std::to_string(go.y) + " mousedown 1");
  ASSERT_TRUE(PumpUntil([&] { return !commands.empty(); }));
  EXPECT_TRUE(pressedWithoutCommand);
  EXPECT_EQ(commands, (std::vector<int>{kGo}));
  EXPECT_TRUE(PumpUntil([&] { return !engine->Bar().MenuMode(); }));
}

TEST_F(InputTest, ClickingAnItemOpensItsPopupAndAnEntryRunsItsCommand) {
  HWND h = Hooked(WS_OVERLAPPEDWINDOW, true);
  const POINT edit = ItemCentre(h, 2);
  RECT popup = {};
  Watcher w([&] {
    HWND p = OpenPopup();
    if (!p || engine->Bar().OpenItem() != 2) return false;
    GetWindowRect(p, &popup);
    // Pick the first entry with the keyboard.
    Xdo("mousemove 700 700 key Down Return", false);
    return true;
  });
  ClickAt(edit);
  ASSERT_TRUE(PumpUntil([&] { return !commands.empty(); }));
  EXPECT_EQ(commands, (std::vector<int>{kCopy}));
  const RECT r = WindowRect(h);
  EXPECT_EQ(popup.left, r.left + 4 + engine->Bar().Layout().Items[2].left);
  EXPECT_EQ(popup.top, r.top + 36);  // below the bar
  EXPECT_TRUE(PumpUntil([&] { return !engine->Bar().MenuMode(); }));
}

TEST_F(InputTest, TheMenuIsReadAgainOnStyleChangeShowAndIconRequest) {
  HWND h = Hooked();  // no menu yet
  auto clientTop = [&] {
    POINT o = {0, 0};
    ClientToScreen(h, &o);
    return o.y - WindowRect(h).top;
  };
  EXPECT_FALSE(engine->Bar().Shown());
  EXPECT_EQ(clientTop(), 20);
  // A style change finds the menu the engine did not know yet.
  SetMenu(h, MakeMenu());
  SetWindowLongA(h, GWL_STYLE, GetWindowLongA(h, GWL_STYLE));
  PumpFor(50);
  EXPECT_TRUE(engine->Bar().Shown());
  EXPECT_EQ(GetMenu(h), nullptr);
  EXPECT_EQ(engine->Bar().Layout().Items.size(), 3u);
  EXPECT_EQ(clientTop(), 20 + 16);
  // A menu given later is taken when the window shows.
  HMENU two = CreateMenu();
  AppendMenuA(two, MF_STRING, 1, "&One");
  AppendMenuA(two, MF_STRING, 2, "&Two");
  SetMenu(h, two);
  ShowWindow(h, SW_HIDE);
  ShowWindow(h, SW_SHOW);
  PumpFor(100);
  EXPECT_EQ(engine->Bar().Menu(), two);
  EXPECT_EQ(GetMenu(h), nullptr);
  EXPECT_EQ(engine->Bar().Layout().Items.size(), 2u);
  EXPECT_EQ(clientTop(), 20 + 16);

  // Emptied, the menu leaves the frame at the next icon request; filled again, it is back.
  HMENU m = engine->Bar().Menu();
  while (GetMenuItemCount(m) > 0) DeleteMenu(m, 0, MF_BYPOSITION);
  SendMessageA(h, WM_GETICON, ICON_SMALL, 0);
  EXPECT_FALSE(engine->Bar().Shown());
  EXPECT_EQ(clientTop(), 20);
  AppendMenuA(m, MF_STRING, 7, "&New");
  SendMessageA(h, WM_GETICON, ICON_SMALL, 0);
  EXPECT_TRUE(engine->Bar().Shown());
  EXPECT_EQ(engine->Bar().Layout().Items.size(), 1u);
  EXPECT_EQ(clientTop(), 20 + 16);
}

TEST_F(InputTest, AMinimizedWindowHasNoBottomStripAndNoMenuBar) {
  HWND h = Hooked(WS_OVERLAPPEDWINDOW, true);
  ASSERT_TRUE(engine->Bar().Shown());
  ShowWindow(h, SW_MINIMIZE);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(h) != 0; }));
  PumpFor(100);
  engine->PaintFrame();
  const RECT r = WindowRect(h);
  const int W = r.right - r.left, H = r.bottom - r.top;
  ASSERT_GT(H, 20 + 2);  // the caption and some rows below it are on the screen
  Capture cap = CaptureWindow(h);
  // Below the caption and between the two side strips: neither the bottom strip nor the
  // bar (whose middle piece is 0xE0E0E0) was drawn.
  const RECT below = {8, 20, W - 8, H};
  EXPECT_EQ(cap.Count(below, ToColorRef(kActiveEdge)), 0);
  EXPECT_EQ(cap.Count(below, ToColorRef(0xE0E0E0)), 0);
  EXPECT_EQ(cap.At(1, H - 2), ToColorRef(kActiveEdge));  // the side strips are
  EXPECT_EQ(cap.At(W / 2, 10), ToColorRef(kActiveCaption));

  // Restored, both are back.
  ShowWindow(h, SW_RESTORE);
  ASSERT_TRUE(PumpUntil([&] { return !IsIconic(h); }));
  PumpFor(100);
  const RECT restored = WindowRect(h);
  cap = CaptureWindow(h);
  EXPECT_EQ(cap.At((restored.right - restored.left) / 2, restored.bottom - restored.top - 2),
            ToColorRef(kActiveEdge));
  const RECT bar = {4 + engine->Bar().Layout().Items.back().right + 2, 20,
                    4 + engine->Bar().Layout().Items.back().right + 40, 36};
  EXPECT_EQ(cap.Count(bar, ToColorRef(0xE0E0E0)), (bar.right - bar.left) * 16);
}

// ---------------------------------------------------------------- MDI

// An MDI frame with the menu, its client and one child of the given style; the frame
// writes down the system keys that reach it.
void MakeMdiFrame(HMENU menu, DWORD childStyle, HWND& frame, HWND& client, HWND& child,
                  std::vector<UINT>* frameKeys = nullptr) {
  frame = MakeTestWindow("MDI frame", 100, 100, 400, 300,
                         [frameKeys](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) {
                           if (frameKeys && (msg == WM_SYSKEYDOWN || msg == WM_SYSCHAR))
                             frameKeys->push_back(msg);
                           HWND mdi = FindWindowExA(hwnd, nullptr, "MDIClient", nullptr);
                           r = DefFrameProcA(hwnd, mdi, msg, wp, lp);
                           return true;
                         });
  SetMenu(frame, menu);
  CLIENTCREATESTRUCT ccs = {GetSubMenu(menu, 2), 50000};
  RECT cr;
  GetClientRect(frame, &cr);
  client = CreateWindowExA(0, "MDIClient", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                           cr.right, cr.bottom, frame, nullptr, GetModuleHandleA(nullptr), &ccs);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = DefMDIChildProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = "SkinTestMdiChild";
  RegisterClassA(&wc);
  MDICREATESTRUCTA mcs = {"SkinTestMdiChild", "Child", GetModuleHandleA(nullptr), 0, 0, 200, 150,
                          childStyle,         0};
  child = client ? reinterpret_cast<HWND>(
                       SendMessageA(client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)))
                 : nullptr;
  PumpFor(100);
}

TEST_F(InputTest, AHookedMdiChildHandsItsSystemKeysToTheFrame) {
  std::vector<UINT> frameKeys;
  HWND frame = nullptr, client = nullptr, child = nullptr;
  MakeMdiFrame(MakeMenu(), WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, frame, client, child,
               &frameKeys);
  windows.push_back(frame);
  ASSERT_NE(child, nullptr);
  engine = std::make_unique<ClsSkinner>();
  ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("input.skin", MakeTestSkin())));
  ASSERT_TRUE(engine->HookForm(child));
  SendMessageA(child, WM_SYSKEYDOWN, 'Q', 0x20000001);
  PumpFor(50);
  ASSERT_FALSE(frameKeys.empty());
  EXPECT_EQ(frameKeys[0], UINT(WM_SYSKEYDOWN));  // passed on unchanged
  const std::size_t seen = frameKeys.size();
  SendMessageA(child, WM_SYSKEYDOWN, VK_F4, 0x20000001);  // Alt+F4 closes the child alone
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(child); }));
  EXPECT_TRUE(IsWindow(frame));
  EXPECT_EQ(frameKeys.size(), seen);
}

TEST_F(InputTest, MaximizedMdiChildShowsItsIconAndThreeButtonsOnTheBar) {
  HMENU menu = MakeMenu();
  HWND frame = nullptr, client = nullptr, child = nullptr;
  MakeMdiFrame(menu, WS_MAXIMIZE, frame, client, child);
  ASSERT_NE(child, nullptr);
  windows.push_back(frame);
  const int plain = GetMenuItemCount(menu);
  ASSERT_GE(plain, 7);  // the child's system menu and its three buttons were added

  TestSkinOptions o;
  o.MenuColor = 0xFFFFFF;
  engine = std::make_unique<ClsSkinner>();
  ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("input.skin", MakeTestSkin(o))));
  ASSERT_TRUE(engine->HookForm(frame));
  SetForegroundWindow(frame);
  PumpFor(200);
  const MenuBarLayout& bar = engine->Bar().Layout();
  ASSERT_TRUE(bar.MdiMaximized);
  ASSERT_EQ(int(bar.Items.size()), plain);
  const int n = plain, side = bar.Bar.Height();
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(bar.Items[n - 1 - k].right, bar.Bar.right - k * side) << k;
    EXPECT_EQ(bar.Items[n - 1 - k].Width(), side) << k;
  }
  // The child's icon is drawn in item 0: not only the bar's own colour there.
  engine->Bar().PaintMenuBar(-1, false);
  const Capture cap = CaptureWindow(frame);
  const Rect& icon = bar.Items[0];
  const RECT area = {4 + icon.left, icon.top, 4 + icon.right, icon.bottom};
  const int barColour = cap.Count(area, ToColorRef(0xE0E0E0));
  EXPECT_LT(barColour, (area.right - area.left) * (area.bottom - area.top) - 20);
  // A new menu set through the client is the bar's menu, with the child's items added.
  HMENU next = CreateMenu();
  AppendMenuA(next, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), "&Window");
  SendMessageA(client, WM_MDISETMENU, reinterpret_cast<WPARAM>(next), 0);
  PumpFor(100);
  EXPECT_EQ(engine->Bar().Menu(), next);
  ASSERT_EQ(bar.Items.size(), 5u);
  EXPECT_TRUE(bar.MdiMaximized);
  // The close square closes the child.
  const Rect& close = bar.Items[4];
  const RECT now = WindowRect(frame);
  ClickAt(
      {now.left + 4 + (close.left + close.right) / 2, now.top + (close.top + close.bottom) / 2});
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(child); }));
}

// ---------------------------------------------------------------- failures and release

void ThrowIn(const char* where) { throw std::runtime_error(std::string("test fault in ") + where); }

TEST_F(InputTest, AFailingTimerTickLeavesTheWindowUsable) {
  HWND h = Hooked();
  win32::SetSkinFaultHook(ThrowIn);
  const POINT close = ButtonCentre(h, kCloseX);
  MoveTo(close.x, close.y);
  ASSERT_TRUE(PumpUntil([&] { return !boxes.Shown().empty(); }));
  PumpFor(100);
  EXPECT_EQ(boxes.Shown().size(), 1u);  // one message, not one per tick
  EXPECT_NE(boxes.Shown()[0].Text.find("test fault"), std::string::npos);
  EXPECT_FALSE(engine->Hover().Running());
  win32::SetSkinFaultHook(nullptr);
  ClickAt(ButtonCentre(h, kMinX));
  EXPECT_TRUE(PumpUntil([&] { return IsIconic(h) != 0; }));
}

TEST_F(InputTest, AFailingMenuLoopReleasesItsHotKeys) {
  HWND h = Hooked(WS_OVERLAPPEDWINDOW, true);
  win32::SetSkinFaultHook(ThrowIn);
  engine->Bar().OpenMenuBarItem(0);  // fails at once
  EXPECT_FALSE(engine->Bar().MenuMode());
  win32::SetSkinFaultHook(nullptr);
  HWND other = MakeTestWindow("other", 500, 500, 100, 100);
  windows.push_back(other);
  SetForegroundWindow(h);  // the keys go to the skinned window
  PumpFor(100);
  EXPECT_TRUE(RegisterHotKey(other, 0, 0, VK_LEFT));  // nobody holds the arrow keys
  UnregisterHotKey(other, 0);
  // The bar still works.
  int opened = -1;
  Watcher w([&] {
    if (!OpenPopup()) return false;
    opened = engine->Bar().OpenItem();
    EndMenu();
    return true;
  });
  Xdo("key alt+e");
  EXPECT_TRUE(PumpUntil([&] { return w.Done(); }));
  EXPECT_EQ(opened, 2);
  EXPECT_TRUE(IsWindow(h));
}

// GDI objects in use. Wine's GetGuiResources answers 0, but it hands freed handle slots
// out again first: enough fresh handles to fill the holes freed handles left put the
// highest slot right above the handles in use.
DWORD GdiCount() {
  const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (n != 0) return n;
  HRGN probes[256];
  DWORD top = 0;
  for (HRGN& p : probes) {
    p = CreateRectRgn(0, 0, 1, 1);
    top = std::max(top, DWORD(reinterpret_cast<ULONG_PTR>(p) & 0xFFFF));
  }
  for (HRGN p : probes) DeleteObject(p);
  return top;
}

TEST_F(InputTest, UnhookAndDestroyReleaseHotKeysAndTimers) {
  HWND h = Hooked(WS_OVERLAPPEDWINDOW, true);
  HWND other = MakeTestWindow("other", 500, 500, 100, 100);
  windows.push_back(other);
  SetForegroundWindow(h);  // the keys go to the skinned window
  PumpFor(100);

  // Unhooked while a popup is open.
  bool heldDuringMenu = false, freeAfterUnhook = false;
  Watcher w([&] {
    if (!engine->Bar().MenuMode() || !OpenPopup()) return false;
    heldDuringMenu = !RegisterHotKey(other, 0, 0, VK_LEFT);
    engine->UnHookForm(h);
    freeAfterUnhook = RegisterHotKey(other, 0, 0, VK_LEFT) != 0;
    UnregisterHotKey(other, 0);
    EndMenu();
    return true;
  });
  Xdo("key alt+f");
  ASSERT_TRUE(PumpUntil([&] { return w.Done(); }));
  PumpFor(100);
  EXPECT_TRUE(heldDuringMenu);
  EXPECT_TRUE(freeAfterUnhook);
  EXPECT_FALSE(engine->Bar().MenuMode());

  // Hook, hover (timer running), unhook, hook again: nothing left behind.
  DWORD gdi = 0, user = 0;
  for (int round = 0; round < 4; ++round) {
    HMENU menu = MakeMenu();
    SetMenu(h, menu);
    ASSERT_TRUE(engine->HookForm(h));
    const POINT close = ButtonCentre(h, kCloseX);
    MoveTo(close.x, close.y);
    EXPECT_TRUE(PumpUntil([&] { return engine->Hover().Running(); })) << round;
    engine->UnHookForm(h);
    EXPECT_FALSE(engine->Hover().Running());
    PumpFor(30);
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, h, WM_TIMER, WM_TIMER, PM_NOREMOVE)) << round;
    EXPECT_TRUE(RegisterHotKey(other, 0, 0, VK_LEFT)) << round;
    UnregisterHotKey(other, 0);
    MoveTo(700, 700);
    DestroyMenu(menu);
    PumpFor(50);
    if (round == 0) {  // the first round's one-off allocations are not counted
      gdi = GdiCount();
      user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    }
  }
  EXPECT_LE(GdiCount(), gdi + 1);
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user);

  // Destroyed while a popup is open: the hot keys go with it.
  SetMenu(h, MakeMenu());
  ASSERT_TRUE(engine->HookForm(h));
  bool freeAfterDestroy = false;
  Watcher d([&] {
    if (!engine->Bar().MenuMode() || !OpenPopup()) return false;
    DestroyWindow(h);
    EndMenu();
    freeAfterDestroy = RegisterHotKey(other, 0, 0, VK_LEFT) != 0;
    UnregisterHotKey(other, 0);
    return true;
  });
  SetForegroundWindow(h);
  PumpFor(100);
  Xdo("key alt+f");
  ASSERT_TRUE(PumpUntil([&] { return d.Done(); }));
  PumpFor(200);
  EXPECT_TRUE(freeAfterDestroy);
  EXPECT_FALSE(IsWindow(h));
}

}  // namespace
}  // namespace dirsheet::skin::testing
