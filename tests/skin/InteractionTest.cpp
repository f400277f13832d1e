// The frame's answers to the pointer and the keyboard: hit codes across a window, caption
// buttons against their placed shapes, button slots and commands, menu-bar layout, the
// item under the pointer, mnemonics and moving between items.
#include <gtest/gtest.h>

#include "skin/Interaction.h"
#include "tests/skin/SkinTestFiles.h"

namespace dirsheet::skin {
namespace {

using testing::MakeTestSkin;
using testing::TestSkin;

constexpr std::uint32_t kAllButtons = kStyleSysMenu | kStyleMinimizeBox | kStyleMaximizeBox;
constexpr std::uint32_t kOverlapped = kStyleDlgFrame | kStyleSizeFrame | kAllButtons;

ButtonShapes Shapes(const TestSkin& s) { return MakeButtonShapes(s.Data, ViewOf(s.Picture)); }

// States from 0 to 3 (normal, hot, pressed, inactive) per button.
ButtonStates States(int a, int b, int c, int d) {
  return {ButtonState(a), ButtonState(b), ButtonState(c), ButtonState(d)};
}

// The test skin: caption 20 high, borders 4, icon 16 x 16 at (6, 2); buttons 12 x 12 at
// y = 4 with their left edges at W - 46 (minimize), W - 32 (maximize and restore) and
// W - 18 (close), each with its top-left pixel transparent.
TEST(FrameHitTest, CodesAcrossAWindow) {
  const TestSkin s = MakeTestSkin();
  const int W = 200, H = 100;
  const auto placed = PlaceButtonShapes(s.Data, Shapes(s), W);
  struct Case {
    const char* what;
    std::uint32_t style;
    int x, y;
    bool decided;
    int code;
    int button;
  };
  const Case cases[] = {
      {"minimize", kOverlapped, 160, 10, true, kHitMinButton, kMinimize},
      {"maximize", kOverlapped, 170, 4 + 11, true, kHitMaxButton, kMaximize},
      {"close", kOverlapped, 182 + 11, 4 + 11, true, kHitClose, kClose},
      {"close's transparent corner", kOverlapped, 182, 4, false, kHitNowhere, -1},
      {"close, next pixel", kOverlapped, 183, 4, true, kHitClose, kClose},
      {"just below close", kOverlapped, 190, 16, false, kHitNowhere, -1},
      {"between buttons", kOverlapped, 180, 10, false, kHitNowhere, -1},
      {"icon", kOverlapped, 6, 2, true, kHitSysMenu, -1},
      {"icon, last pixel", kOverlapped, 21, 17, true, kHitSysMenu, -1},
      {"beside icon", kOverlapped, 22, 10, false, kHitNowhere, -1},
      {"caption", kOverlapped, 100, 10, false, kHitNowhere, -1},
      {"client", kOverlapped, 100, 50, false, kHitNowhere, -1},
      {"top-left", kOverlapped, 0, 0, true, kHitTopLeft, -1},
      {"top-left, caption height", kOverlapped, 3, 19, true, kHitTopLeft, -1},
      {"left", kOverlapped, 3, 20, true, kHitLeft, -1},
      {"left, lowest", kOverlapped, 0, 96, true, kHitLeft, -1},
      {"bottom-left", kOverlapped, 0, 97, true, kHitBottomLeft, -1},
      {"left zone ends", kOverlapped, 4, 50, false, kHitNowhere, -1},
      {"right zone starts after W - 4", kOverlapped, 196, 50, false, kHitNowhere, -1},
      {"right", kOverlapped, 197, 50, true, kHitRight, -1},
      {"top-right", kOverlapped, 199, 0, true, kHitTopRight, -1},
      {"bottom-right", kOverlapped, 199, 99, true, kHitBottomRight, -1},
      {"bottom", kOverlapped, 100, 97, true, kHitBottom, -1},
      {"just above bottom", kOverlapped, 100, 96, false, kHitNowhere, -1},
      {"top edge has no code of its own", kOverlapped, 100, 0, false, kHitNowhere, -1},
      // Without a sizing frame the borders do not size.
      {"fixed frame left", kStyleDlgFrame | kAllButtons, 1, 50, false, kHitNowhere, -1},
      {"fixed frame icon", kStyleDlgFrame | kAllButtons, 8, 8, true, kHitSysMenu, -1},
      // Without the dialog-frame bit the icon is no system-menu area; the corner sizes.
      {"no dialog frame, icon", kStyleSizeFrame | kAllButtons, 8, 8, false, kHitNowhere, -1},
      {"no dialog frame, corner", kStyleSizeFrame | kAllButtons, 2, 2, true, kHitTopLeft, -1},
      // Without the system-menu bit there are no buttons.
      {"no system menu", kStyleDlgFrame | kStyleSizeFrame, 190, 10, false, kHitNowhere, -1},
      // Only the close button answers without minimize and maximize boxes.
      {"close only: min slot", kStyleDlgFrame | kStyleSysMenu, 160, 10, false, kHitNowhere, -1},
      {"close only: max slot", kStyleDlgFrame | kStyleSysMenu, 170, 10, false, kHitNowhere, -1},
      {"close only: close", kStyleDlgFrame | kStyleSysMenu, 190, 10, true, kHitClose, kClose},
      // One of the two boxes: both slots answer, their commands decide (ButtonCommand).
      {"max box only: min slot", kStyleDlgFrame | kStyleSysMenu | kStyleMaximizeBox, 160, 10, true,
       kHitMinButton, kMinimize},
  };
  for (const Case& c : cases) {
    const HitResult r = FrameHitTest(s.Data, placed, c.style, W, H, c.x, c.y);
    EXPECT_EQ(r.Decided, c.decided) << c.what;
    EXPECT_EQ(r.Code, c.code) << c.what;
    EXPECT_EQ(r.Button, c.button) << c.what;
  }
}

TEST(FrameHitTest, TheEnginesMenuBarAnswersTheMenuCode) {
  const TestSkin s = MakeTestSkin();
  const int W = 200, H = 100;
  const auto placed = PlaceButtonShapes(s.Data, Shapes(s), W);
  const MenuBarLayout bar = LayoutMenuBarItems(s.Data, {30, 20}, false, W);
  const MenuBarLayout none = LayoutMenuBarItems(s.Data, {}, false, W);
  struct Case {
    int x, y;
    const MenuBarLayout* bar;
    int code;
  } cases[] = {
      {10, 28, &bar, kHitMenu},     {150, 20, &bar, kHitMenu},      {195, 35, &bar, kHitMenu},
      {10, 36, &bar, kHitNowhere},  {10, 19, &bar, kHitNowhere},  // below and above the bar
      {1, 28, &bar, kHitLeft},      {198, 28, &bar, kHitRight},   // the borders still size
      {10, 28, &none, kHitNowhere}, {10, 28, nullptr, kHitNowhere},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FrameHitTest(s.Data, placed, kOverlapped, W, H, c.x, c.y, c.bar).Code, c.code)
        << c.x << "," << c.y;
}

TEST(FrameHitTest, ButtonsFollowTheRightEdge) {
  const TestSkin s = MakeTestSkin();
  const auto shapes = Shapes(s);
  for (int W : {120, 200, 641}) {
    const auto placed = PlaceButtonShapes(s.Data, shapes, W);
    EXPECT_EQ(CaptionButtonAt(placed, kAllButtons, W - 18 + 5, 9), kClose) << W;
    EXPECT_EQ(CaptionButtonAt(placed, kAllButtons, W - 46 + 5, 9), kMinimize) << W;
    EXPECT_EQ(CaptionButtonAt(placed, kAllButtons, W - 18 - 1, 9), -1) << W;
  }
  // Shapes that overlap: the lower index wins, as the buttons are tested in order.
  ButtonShapes same = {Shape{{0, 0, 10, 10}}, Shape{{0, 0, 10, 10}}, Shape{{0, 0, 10, 10}},
                       Shape{{0, 0, 10, 10}}};
  EXPECT_EQ(CaptionButtonAt(same, kAllButtons, 5, 5), kMinimize);
  EXPECT_EQ(CaptionButtonAt(same, kStyleSysMenu, 5, 5), kClose);
  EXPECT_EQ(CaptionButtonAt(same, kStyleSysMenu | kStyleMinimizeBox, 5, 5), kMinimize);
}

TEST(ButtonStates, HoverPressAndRest) {
  EXPECT_EQ(RestingButtonStates(true), States(0, 0, 0, 0));
  EXPECT_EQ(RestingButtonStates(false), States(3, 3, 3, 3));
  EXPECT_EQ(HoverButtonStates(true, kClose, false), States(0, 0, 0, 1));
  EXPECT_EQ(HoverButtonStates(true, kMinimize, true), States(2, 0, 0, 0));
  // The restore piece follows the maximize button.
  EXPECT_EQ(HoverButtonStates(true, kMaximize, false), States(0, 1, 1, 0));
  EXPECT_EQ(HoverButtonStates(false, kMaximize, true), States(3, 2, 2, 3));
  EXPECT_EQ(HoverButtonStates(true, -1, true), RestingButtonStates(true));
}

TEST(ButtonCommand, WhatAReleaseSends) {
  struct Case {
    int button;
    std::uint32_t style;
    bool minimized, maximized;
    unsigned command;
  };
  const Case cases[] = {
      {kMinimize, kAllButtons, false, false, kScMinimize},
      {kMinimize, kAllButtons, true, false, kScRestore},
      {kMinimize, kStyleSysMenu | kStyleMaximizeBox, false, false, 0},
      {kMaximize, kAllButtons, false, false, kScMaximize},
      {kMaximize, kAllButtons, false, true, kScRestore},
      {kRestore, kAllButtons, false, true, kScRestore},
      {kRestore, kAllButtons, false, false, kScMaximize},
      {kMaximize, kStyleSysMenu | kStyleMinimizeBox, false, false, 0},
      {kClose, kStyleSysMenu, false, false, kScClose},
      {-1, kAllButtons, false, false, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ButtonCommand(c.button, c.style, c.minimized, c.maximized), c.command)
        << c.button << " " << c.style << " " << c.minimized << c.maximized;
}

// Which piece and state each slot draws, per style and window state.
TEST(CaptionButtonSlots, PiecesAndStatesPerStyle) {
  const TestSkin s = MakeTestSkin();
  const ButtonStates hotMax = HoverButtonStates(true, kMaximize, false);
  const ButtonStates inactive = RestingButtonStates(false);
  struct Slot {
    int button, state;
  };
  struct Case {
    const char* what;
    std::uint32_t style;
    ButtonStates states;
    std::vector<Slot> slots;
  };
  const Case cases[] = {
      {"normal", kAllButtons, hotMax, {{kMinimize, 0}, {kMaximize, 1}, {kClose, 0}}},
      {"maximized shows restore",
       kAllButtons | kStyleMaximized,
       hotMax,
       {{kMinimize, 0}, {kRestore, 1}, {kClose, 0}}},
      {"minimized shows restore in the min slot",
       kAllButtons | kStyleMinimized,
       hotMax,
       {{kRestore, 0}, {kMaximize, 1}, {kClose, 0}}},
      {"inactive", kAllButtons, inactive, {{kMinimize, 3}, {kMaximize, 3}, {kClose, 3}}},
      {"no minimize box",
       kStyleSysMenu | kStyleMaximizeBox,
       hotMax,
       {{kMinimize, 3}, {kMaximize, 1}, {kClose, 0}}},
      {"no maximize box",
       kStyleSysMenu | kStyleMinimizeBox,
       hotMax,
       {{kMinimize, 0}, {kMaximize, 3}, {kClose, 0}}},
      {"close only", kStyleSysMenu, hotMax, {{kClose, 0}}},
      {"no system menu", kAllButtons & ~kStyleSysMenu, hotMax, {}},
  };
  for (const Case& c : cases) {
    const auto draws = CaptionButtonDraws(s.Data, c.style, c.states, 200);
    ASSERT_EQ(draws.size(), c.slots.size()) << c.what;
    for (std::size_t i = 0; i < draws.size(); ++i) {
      EXPECT_EQ(draws[i].Button, c.slots[i].button) << c.what << " slot " << i;
      EXPECT_EQ(int(draws[i].State), c.slots[i].state) << c.what << " slot " << i;
    }
  }
}

// ---- menu bar: the test skin's bar pieces are 4 x 16, so the margin around a caption is
// 8, items start at x = 4 and the bar lies from y = 20 to 36.

TEST(MenuBarLayout, ItemsSideBySideFromMeasuredWidths) {
  const TestSkin s = MakeTestSkin();
  const MenuBarLayout l = LayoutMenuBarItems(s.Data, {30, 0, 45, 1}, false, 300);
  EXPECT_EQ(l.Bar, (Rect{0, 20, 300 - 4 - 4 - 4, 36}));
  const std::vector<Rect> expected = {
      {4, 20, 42, 36}, {42, 20, 52, 36}, {52, 20, 105, 36}, {105, 20, 115, 36}};
  EXPECT_EQ(l.Items, expected);  // an empty caption still gets the minimum width of 10
  EXPECT_TRUE(LayoutMenuBarItems(s.Data, {}, false, 300).Items.empty());
}

TEST(MenuBarLayout, MdiChildMaximizedGetsIconAndThreeSquares) {
  const TestSkin s = MakeTestSkin();
  MenuBarLayout l = LayoutMenuBarItems(s.Data, {50, 30, 20, 5, 5, 5}, true, 300);
  const int R = 300 - 12, side = 16;
  ASSERT_EQ(l.Items.size(), 6u);
  EXPECT_EQ(l.Items[0], (Rect{4, 20, 4 + 16 + 8, 36}));  // the icon is the caption
  EXPECT_EQ(l.Items[1].left, l.Items[0].right);
  EXPECT_EQ(l.Items[5], (Rect{R - side, 20, R, 36}));
  EXPECT_EQ(l.Items[4], (Rect{R - 2 * side, 20, R - side, 36}));
  EXPECT_EQ(l.Items[3], (Rect{R - 3 * side, 20, R - 2 * side, 36}));
  // A resize moves the squares with the right end, and only them.
  const Rect item1 = l.Items[1];
  PlaceMdiButtons(s.Data, l, 400);
  EXPECT_EQ(l.Items[5], (Rect{400 - 12 - side, 20, 400 - 12, 36}));
  EXPECT_EQ(l.Items[1], item1);
  // Item 0 and the three squares need four items: with fewer there are no squares, and
  // every item keeps its place side by side.
  for (std::vector<int> widths : {std::vector<int>{50, 30}, std::vector<int>{50, 30, 20}}) {
    const MenuBarLayout few = LayoutMenuBarItems(s.Data, widths, true, 300);
    EXPECT_FALSE(few.HasMdiButtons());
    EXPECT_EQ(few.Items[1], (Rect{28, 20, 28 + 38, 36}));
    EXPECT_EQ(few.Items.back().left, few.Items[few.Items.size() - 2].right);
  }
}

TEST(MenuBarLayout, ItemUnderThePointer) {
  const TestSkin s = MakeTestSkin();
  const MenuBarLayout l = LayoutMenuBarItems(s.Data, {30, 20}, false, 300);
  // The bar lies on the window from x = 4 (the left border).
  struct Case {
    int x, y, item;
  } cases[] = {
      {8, 20, 0},  {8 + 37, 35, 0}, {8 + 38, 28, 1}, {8 + 65, 28, 1}, {8 + 66, 28, -1},
      {7, 28, -1}, {20, 19, -1},    {20, 36, -1},    {250, 28, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MenuItemAt(s.Data, l, c.x, c.y), c.item) << c.x << "," << c.y;
  const MenuBarStrip strip = MenuBarStripLayout(s.Data, 300);
  EXPECT_EQ(strip.Width, 292);  // between the left and right borders
  EXPECT_EQ(strip.Height, 16);
  EXPECT_EQ(strip.WindowX, 4);
  EXPECT_EQ(strip.WindowY, 20);
}

TEST(Mnemonic, CharacterAfterTheAmpersand) {
  struct Case {
    const char* caption;
    char mnemonic;
  } cases[] = {
      {"&File", 'f'},
      {"E&dit", 'd'},
      {"&View", 'v'},
      {"Help", 0},
      {"", 0},
      {"Trailing&", 0},
      {"Save && &Quit", 'q'},
      {"&&Only", 0},
      {"&1 Recent", '1'},
      {"\xC4&\xD6"
       "ffnen",
       '\xF6'},
  };
  for (const Case& c : cases) EXPECT_EQ(MnemonicOf(c.caption), c.mnemonic) << c.caption;

  const std::vector<std::string> bar = {"&File", "Edit", "F&ormat", "&Help", "&Find"};
  EXPECT_EQ(MatchMnemonic(bar, 'f'), 0);
  EXPECT_EQ(MatchMnemonic(bar, 'F'), 0);
  EXPECT_EQ(MatchMnemonic(bar, 'o'), 2);
  EXPECT_EQ(MatchMnemonic(bar, 'H'), 3);
  EXPECT_EQ(MatchMnemonic(bar, 'e'), -1);  // "Edit" has no mnemonic
  EXPECT_EQ(MatchMnemonic(bar, 'x'), -1);
  EXPECT_EQ(MatchMnemonic(bar, 0), -1);
  EXPECT_EQ(MatchMnemonic({"Help", "Edit"}, 'h'), -1);
}

TEST(MenuNavigation, PreviousAndNextWrap) {
  const TestSkin s = MakeTestSkin();
  struct Case {
    int index, count;
    bool mdi;
    int previous, next;
  } cases[] = {
      {0, 4, false, 3, 1},
      {3, 4, false, 2, 0},
      {1, 4, false, 0, 2},
      {0, 1, false, 0, 0},
      {-1, 4, false, 3, 0},
      {0, 0, false, -1, -1},
      // Six items with an MDI child maximized: items 3 to 5 are the child's buttons.
      {0, 6, true, 2, 1},
      {2, 6, true, 1, 0},
      {4, 6, true, 2, 0},
      // Four: only the child's system menu opens a popup.
      {0, 4, true, 0, 0},
      // Three items have no button squares (the layout draws none): all three are menus.
      {0, 3, true, 2, 1},
      {2, 3, true, 1, 0},
  };
  for (const Case& c : cases) {
    const MenuBarLayout l =
        LayoutMenuBarItems(s.Data, std::vector<int>(std::size_t(c.count), 20), c.mdi, 400);
    EXPECT_EQ(PreviousMenuItem(l, c.index), c.previous) << c.index << "/" << c.count;
    EXPECT_EQ(NextMenuItem(l, c.index), c.next) << c.index << "/" << c.count;
    // What the keys can reach and what the layout draws as squares agree.
    for (int i = 0; i < c.count; ++i) {
      const bool square = l.IsMdiButton(i);
      EXPECT_EQ(square, i >= l.MenuItems()) << i << "/" << c.count;
      if (square) {
        EXPECT_EQ(l.Items[std::size_t(i)].Width(), l.Bar.Height()) << i << "/" << c.count;
      }
    }
  }
}

}  // namespace
}  // namespace dirsheet::skin
