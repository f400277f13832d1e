// The menus of a skinned window on real windows under Wine: the item colours of the
// engine's menu bar read back as pixels, the menu backgrounds the engine gives and takes
// back, and a hook that fails leaving the window as it was.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "skin/win32/ClsSkinner.h"
#include "tests/skin/SkinTestFiles.h"
#include "tests/skin/WinTestUtil.h"

namespace dirsheet::skin::testing {
namespace {

using win32::ClsSkinner;

std::string WriteSkin(const std::string& name, const TestSkin& skin) {
  const std::string path = TempPath(name);
  WriteFileBytes(path, SkinFileBytes(skin));
  return path;
}

HBRUSH MenuBackground(HMENU menu) {
  MENUINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = MIM_BACKGROUND;
  GetMenuInfo(menu, &info);
  return info.hbrBack;
}

class MenuTest : public ::testing::Test {
 protected:
  void TearDown() override {
    engine.reset();
    for (HWND h : windows)
      if (IsWindow(h)) DestroyWindow(h);
    Pump(1);
  }
  HWND Window(const char* caption = "Menus", int x = 100) {
    HWND h = MakeTestWindow(caption, x, 100, 320, 200);
    windows.push_back(h);
    return h;
  }
  static HMENU MakeMenu(HMENU* file = nullptr) {
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    AppendMenuA(popup, MF_STRING, 11, "&Open");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "&File");
    AppendMenuA(bar, MF_STRING, 12, "&Go");
    AppendMenuA(bar, MF_STRING | MF_GRAYED, 13, "&Dim");
    if (file) *file = popup;
    return bar;
  }
  MessageRecorder boxes;
  std::unique_ptr<ClsSkinner> engine;
  std::vector<HWND> windows;
};

// ---------------------------------------------------------------- menu-bar colours

// The four item colours, each its own, in a plain bold font that is never smoothed, so
// that text pixels have exactly the item's colour.
constexpr COLORREF kNormal = RGB(0x80, 0, 0), kHot = RGB(0, 0x80, 0), kPressed = RGB(0, 0, 0x80),
                   kDisabled = RGB(0x80, 0x80, 0x80);
constexpr std::uint8_t kNonAntialiased = 3;  // the logical font's quality byte

TestSkin ColouredBarSkin() {
  TestSkinOptions o;
  o.MenuColor = 0xFFFFFF;  // the engine draws the bar
  TestSkin s = MakeTestSkin(o);
  auto& bar = s.Data.MenuBar;
  bar.NormalItemColor = std::int32_t(kNormal);
  bar.HotItemColor = std::int32_t(kHot);
  bar.PressedItemColor = std::int32_t(kPressed);
  bar.DisabledItemColor = std::int32_t(kDisabled);
  const std::int32_t weight = 700;
  for (int i = 0; i < 4; ++i) bar.Font.Raw[16 + std::size_t(i)] = std::uint8_t(weight >> (8 * i));
  bar.Font.Raw[26] = kNonAntialiased;
  return s;
}

struct ItemPixels {
  int Normal, Hot, Pressed, Disabled;
  COLORREF Background;  // the item's middle, away from its text
};

TEST_F(MenuTest, ItemColoursByState) {
  HWND h = Window();
  SetMenu(h, MakeMenu());
  engine = std::make_unique<ClsSkinner>();
  ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("menucolours.skin", ColouredBarSkin())));
  ASSERT_TRUE(engine->HookForm(h));
  SetForegroundWindow(h);
  SetActiveWindow(h);
  Pump();
  ASSERT_TRUE(engine->Active());
  win32::MenuBar& bar = engine->Bar();
  ASSERT_EQ(bar.Layout().Items.size(), 3u);

  auto read = [&](int item) {
    Pump();  // Wine puts what was drawn on the screen from its message loop
    const Capture cap = CaptureWindow(h);
    const Rect& it = bar.Layout().Items[std::size_t(item)];
    const RECT r = {4 + it.left, it.top, 4 + it.right,
                    it.bottom};  // the bar starts at the left border
    return ItemPixels{cap.Count(r, kNormal), cap.Count(r, kHot), cap.Count(r, kPressed),
                      cap.Count(r, kDisabled), cap.At(4 + it.left + 1, it.top + 1)};
  };
  const COLORREF barColour = ToColorRef(0xE0E0E0), hotColour = ToColorRef(0xC0C0C0),
                 pressedColour = ToColorRef(0xA0A0A0);

  bar.PaintMenuBar(-1, false);
  ItemPixels file = read(0), go = read(1), dim = read(2);
  EXPECT_GT(file.Normal, 0);
  EXPECT_EQ(file.Hot + file.Pressed + file.Disabled, 0);
  EXPECT_EQ(file.Background, barColour);
  EXPECT_GT(go.Normal, 0);
  EXPECT_GT(dim.Disabled, 0);  // greyed and disabled
  EXPECT_EQ(dim.Normal, 0);

  bar.PaintMenuBar(0, false);  // hot
  file = read(0);
  go = read(1);
  EXPECT_GT(file.Hot, 0);
  EXPECT_EQ(file.Normal, 0);
  EXPECT_EQ(file.Background, hotColour);
  EXPECT_GT(go.Normal, 0);

  bar.PaintMenuBar(0, true);  // pressed (open)
  file = read(0);
  EXPECT_GT(file.Pressed, 0);
  EXPECT_EQ(file.Hot + file.Normal, 0);
  EXPECT_EQ(file.Background, pressedColour);

  bar.PaintMenuBar(2, false);  // a disabled item stays disabled when hot
  dim = read(2);
  EXPECT_GT(dim.Disabled, 0);
  EXPECT_EQ(dim.Hot, 0);

  // Inactive, every item is drawn disabled.
  HWND other = Window("other", 600);
  SetForegroundWindow(other);
  SetActiveWindow(other);
  Pump();
  ASSERT_FALSE(engine->Active());
  bar.PaintMenuBar(0, false);
  for (int i = 0; i < 3; ++i) {
    const ItemPixels p = read(i);
    EXPECT_GT(p.Disabled, 0) << i;
    EXPECT_EQ(p.Normal + p.Hot + p.Pressed, 0) << i;
  }
}

// ---------------------------------------------------------------- menu backgrounds

TEST_F(MenuTest, TheApplicationsMenuBrushStaysItsOwn) {
  for (std::int32_t menuColor : {-1, 0x00C0FF}) {
    HWND h = Window();
    HMENU file = nullptr;
    HMENU menu = MakeMenu(&file);
    // The application's own background for its menu and submenus.
    HBRUSH own = CreateSolidBrush(RGB(1, 2, 3));
    MENUINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND | MIM_APPLYTOSUBMENUS;
    info.hbrBack = own;
    ASSERT_TRUE(SetMenuInfo(menu, &info));
    SetMenu(h, menu);

    TestSkinOptions o;
    o.MenuColor = menuColor;
    engine = std::make_unique<ClsSkinner>();
    ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("brush.skin", MakeTestSkin(o))));
    ASSERT_TRUE(engine->HookForm(h));
    HBRUSH engines = MenuBackground(menu);
    EXPECT_NE(engines, own) << menuColor;
    EXPECT_EQ(MenuBackground(file), engines) << menuColor;
    EXPECT_EQ(GetObjectType(own), DWORD(OBJ_BRUSH)) << menuColor;
    // A new skin while hooked colours the menu again: the application's brush stays.
    ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("brush2.skin", MakeTestSkin(o))));
    EXPECT_NE(MenuBackground(menu), own) << menuColor;
    EXPECT_EQ(GetObjectType(own), DWORD(OBJ_BRUSH)) << menuColor;

    // Given back, the menu and its submenus show the application's brush again.
    engine->UnHookForm(h);
    EXPECT_EQ(MenuBackground(menu), own) << menuColor;
    EXPECT_EQ(MenuBackground(file), own) << menuColor;
    EXPECT_EQ(GetObjectType(own), DWORD(OBJ_BRUSH)) << menuColor;
    EXPECT_EQ(GetMenu(h), menu) << menuColor;
    engine.reset();
    DestroyWindow(h);  // with its menu
    DeleteObject(own);
  }
  EXPECT_TRUE(boxes.Shown().empty());
}

// ---------------------------------------------------------------- a hook that fails

TEST_F(MenuTest, AFailedHookLeavesTheWindowAsItWas) {
  HWND h = Window();
  HMENU menu = MakeMenu();
  SetMenu(h, menu);
  // A first engine that keeps the window's menu bar holds the window.
  TestSkinOptions keep;
  keep.MenuColor = -1;
  ClsSkinner first;
  ASSERT_TRUE(first.LoadSkinFromFile(WriteSkin("first.skin", MakeTestSkin(keep))));
  ASSERT_TRUE(first.HookForm(h));
  Pump();
  const HBRUSH background = MenuBackground(menu);
  const ULONG_PTR classStyle = GetClassLongPtrA(h, GCL_STYLE);
  const LONG_PTR proc = GetWindowLongPtrA(h, GWLP_WNDPROC);
  RECT before;
  GetWindowRect(h, &before);

  // A second engine whose skin would take the menu into the frame and add a drop shadow
  // cannot intercept the window: nothing of what it did on the way stays.
  TestSkinOptions take;
  take.MenuColor = 0x00C0FF;
  TestSkin shadow = MakeTestSkin(take);
  shadow.Data.DropShadow = 1;
  engine = std::make_unique<ClsSkinner>();
  ASSERT_TRUE(engine->LoadSkinFromFile(WriteSkin("second.skin", shadow)));
  EXPECT_FALSE(engine->HookForm(h));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].Text, "Window handle is already subclassed.");
  EXPECT_EQ(engine->HookedWindow(), nullptr);
  EXPECT_EQ(GetMenu(h), menu);
  EXPECT_EQ(MenuBackground(menu), background);
  EXPECT_EQ(GetObjectType(background), DWORD(OBJ_BRUSH));
  EXPECT_EQ(GetClassLongPtrA(h, GCL_STYLE), classStyle);
  EXPECT_EQ(GetWindowLongPtrA(h, GWLP_WNDPROC), proc);
  RECT after;
  GetWindowRect(h, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  engine.reset();

  // The first engine still draws the window.
  RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  Pump();
  EXPECT_EQ(WindowPixel(h, (after.right - after.left) / 2, 10),
            ToColorRef(first.Active() ? kActiveCaption : kInactiveCaption));
  first.UnHookForm(h);
}

}  // namespace
}  // namespace dirsheet::skin::testing
