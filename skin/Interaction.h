// What the skinned frame does with the pointer and the keyboard, as pure functions: the
// non-client hit test, caption-button states and commands, and the menu bar drawn inside
// the frame (item rectangles, the item under the pointer, mnemonics, moving between items).
// The Win32 layer only feeds these with window sizes, styles, points and menu captions.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "skin/Geometry.h"
#include "skin/SkinFile.h"

namespace dirsheet::skin {

// True when the point lies in one of the shape's rectangles.
bool ShapeContains(const Shape& shape, int x, int y);

// The shape moved by (dx, dy).
Shape MoveShape(const Shape& shape, int dx, int dy);

// The shape of each caption button: the runs of its normal piece.
using ButtonShapes = std::array<Shape, kCaptionButtons>;
ButtonShapes MakeButtonShapes(const SkinData& data, const PictureView& picture);

// The hit areas of the four caption buttons on a window W pixels wide: each button's
// shape placed at (W - OffsetX, OffsetY).
ButtonShapes PlaceButtonShapes(const SkinData& data, const ButtonShapes& shapes, int W);

// The first caption button whose placed shape holds the point, in index order from 0
// (from 3, the close button, when the window has neither a minimize nor a maximize box);
// -1 when none does or the window has no system menu.
int CaptionButtonAt(const ButtonShapes& placed, std::uint32_t style, int x, int y);

// Hit code answered for a caption button (minimize, maximize for both the maximize and
// the restore piece, close).
int ButtonHitCode(int button);

// Every button normal while the window is active, inactive otherwise.
ButtonStates RestingButtonStates(bool active);

// States after the pointer came over `button`: hot, or pressed while the left mouse
// button is down. The restore piece follows the maximize button, since the maximize
// slot shows one or the other.
ButtonStates HoverButtonStates(bool active, int button, bool leftButtonDown);

struct MenuBarLayout;

// The full non-client hit test. `Decided` false means the frame has no answer and the
// window's own procedure decides. With a menu bar drawn by the engine its strip answers
// the menu code: the platform knows nothing of that bar and would answer "nowhere",
// which brings no pointer messages at all.
struct HitResult {
  bool Decided = false;
  int Code = kHitNowhere;
  int Button = -1;  // caption button under the pointer, if any
};
HitResult FrameHitTest(const SkinData& data, const ButtonShapes& placed, std::uint32_t style, int W,
                       int H, int x, int y, const MenuBarLayout* bar = nullptr);

// System commands of the platform sent by the caption buttons.
constexpr unsigned kScMinimize = 0xF020, kScMaximize = 0xF030, kScClose = 0xF060,
                   kScRestore = 0xF120;

// The command a release over `button` sends, or 0 when that button does nothing for
// this style (minimize without a minimize box, maximize or restore without a maximize box).
unsigned ButtonCommand(int button, std::uint32_t style, bool minimized, bool maximized);

// ---- menu bar ----

// The menu bar lies inside the borders, below the caption, across the client area's width.
// Its coordinates have x = 0 at the left border (piece 1's width) and y = 0 at the
// window's top.
struct MenuBarLayout {
  Rect Bar;                 // the bar; its right edge is where the bar's right end piece starts
  std::vector<Rect> Items;  // one per top-level item
  bool MdiMaximized = false;
  // The child's minimize, restore and close squares at the bar's right end: an MDI child
  // is maximized and the menu holds the child's system menu (item 0) and the three.
  bool HasMdiButtons() const { return MdiMaximized && Items.size() >= 4; }
  bool IsMdiButton(int i) const { return HasMdiButtons() && i >= int(Items.size()) - 3; }
  // Items that open menus: all of them less the three squares.
  int MenuItems() const { return HasMdiButtons() ? int(Items.size()) - 3 : int(Items.size()); }
};

// Item rectangles from the measured caption widths. `captionWidths[i]` is the width of
// item i's caption in the bar font; with `mdiMaximized` item 0 is the child's system menu
// (its icon, no caption) and the last three become the child's buttons (HasMdiButtons).
MenuBarLayout LayoutMenuBarItems(const SkinData& data, const std::vector<int>& captionWidths,
                                 bool mdiMaximized, int W);

// Places the three MDI squares again for a new window width (the bar's right end moved).
void PlaceMdiButtons(const SkinData& data, MenuBarLayout& layout, int W);

// Where x = 0 of the bar lies on the window, and the item under a window point (-1: none).
int MenuBarOriginX(const SkinData& data);
int MenuItemAt(const SkinData& data, const MenuBarLayout& layout, int windowX, int windowY);

// The bar's drawing surface: its size and where it lies on the window.
struct MenuBarStrip {
  int Width = 0, Height = 0;
  int WindowX = 0, WindowY = 0;
};
MenuBarStrip MenuBarStripLayout(const SkinData& data, int W);

// The mnemonic of a caption: the character after the first "&" that is not part of a
// doubled "&&" (which stands for the ampersand itself), lower-cased; 0 when there is none.
char MnemonicOf(const std::string& caption);

// The first item whose mnemonic is the key's character (compared lower-cased); -1 when
// none matches. Captions without a mnemonic never match.
int MatchMnemonic(const std::vector<std::string>& captions, char key);

// Keyboard moves between bar items: left from item 0 wraps to the last item, right from
// the last item wraps to item 0. The MDI child's three squares at the end are skipped
// (they are buttons, not menus).
int PreviousMenuItem(const MenuBarLayout& layout, int index);
int NextMenuItem(const MenuBarLayout& layout, int index);

// Item colours: which of the skin's four colours an item's caption uses.
enum class ItemLook { Normal, Hot, Pressed, Disabled };
ItemLook MenuItemLook(int item, int highlighted, bool pressed, bool disabled, bool windowActive);

// The text colour for a look.
std::int32_t MenuItemColor(const MenuBarSkin& bar, ItemLook look);

}  // namespace dirsheet::skin
