#include "skin/Interaction.h"

#include <algorithm>

namespace dirsheet::skin {

bool ShapeContains(const Shape& shape, int x, int y) {
  for (const Rect& r : shape)
    if (r.Contains(x, y)) return true;
  return false;
}

Shape MoveShape(const Shape& shape, int dx, int dy) {
  Shape out;
  out.reserve(shape.size());
  for (const Rect& r : shape) out.push_back({r.left + dx, r.top + dy, r.right + dx, r.bottom + dy});
  return out;
}

std::array<Shape, 4> PlaceButtonShapes(const SkinData& data, const std::array<Shape, 4>& shapes,
                                       int W) {
  std::array<Shape, 4> placed;
  for (int i = 0; i < 4; ++i) {
    int x, y;
    PlacedButtonOrigin(data, i, W, x, y);
    placed[i] = MoveShape(shapes[i], x, y);
  }
  return placed;
}

int CaptionButtonAt(const std::array<Shape, 4>& placed, std::uint32_t style, int x, int y) {
  if (!(style & kStyleSysMenu)) return -1;
  const int first = (style & (kStyleMinimizeBox | kStyleMaximizeBox)) ? 0 : kClose;
  for (int i = first; i < 4; ++i)
    if (ShapeContains(placed[i], x, y)) return i;
  return -1;
}

int ButtonHitCode(int button) {
  switch (button) {
    case kMinimize: return kHitMinButton;
    case kMaximize: case kRestore: return kHitMaxButton;
    case kClose: return kHitClose;
    default: return kHitNowhere;
  }
}

std::array<int, 4> RestingButtonStates(bool active) {
  const int s = active ? 0 : 3;
  return {s, s, s, s};
}

std::array<int, 4> HoverButtonStates(bool active, int button, bool leftButtonDown) {
  std::array<int, 4> states = RestingButtonStates(active);
  if (button < 0 || button > 3) return states;
  states[button] = leftButtonDown ? 2 : 1;
  if (button == kMaximize) states[kRestore] = states[kMaximize];
  return states;
}

HitResult FrameHitTest(const SkinData& data, const std::array<Shape, 4>& placed,
                       std::uint32_t style, int W, int H, int x, int y, const MenuBarLayout* bar) {
  HitResult r;
  r.Button = CaptionButtonAt(placed, style, x, y);
  if (r.Button >= 0) {
    r.Decided = true;
    r.Code = ButtonHitCode(r.Button);
    return r;
  }
  r.Code = BorderHitTest(data, style, W, H, x, y);
  r.Decided = r.Code != kHitNowhere;
  if (!r.Decided && bar && !bar->Items.empty()) {
    const MenuBarStrip strip = MenuBarStripLayout(data, W);
    const int left = MenuBarOriginX(data);
    const Rect onWindow{left, bar->Bar.top, left + strip.Width, bar->Bar.bottom};
    if (onWindow.Contains(x, y)) {
      r.Code = kHitMenu;
      r.Decided = true;
    }
  }
  return r;
}

unsigned ButtonCommand(int button, std::uint32_t style, bool minimized, bool maximized) {
  switch (button) {
    case kMinimize:
      if (!(style & kStyleMinimizeBox)) return 0;
      return minimized ? kScRestore : kScMinimize;
    case kMaximize:
    case kRestore:
      if (!(style & kStyleMaximizeBox)) return 0;
      return maximized ? kScRestore : kScMaximize;
    case kClose:
      return kScClose;
    default:
      return 0;
  }
}

// ---------------------------------------------------------------- menu bar

namespace {
constexpr int kMdiIconSize = 16;
}  // namespace

MenuBarLayout LayoutMenuBarItems(const SkinData& d, const std::vector<int>& widths,
                                 bool mdiMaximized, int W) {
  const MenuBarSkin& mb = d.MenuBar;
  const FrameSkin& f = d.ActiveFrame;
  MenuBarLayout out;
  out.MdiMaximized = mdiMaximized;
  const int top = f[4].Height, bottom = f[4].Height + mb.Bar[1].Height;
  out.Bar = {0, top, W - mb.Bar[2].Width - f[8].Width - f[0].Width, bottom};
  const int margin = mb.Hot[0].Width + mb.Hot[2].Width;
  int x = mb.Bar[0].Width;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    int w = std::max(std::max(widths[i], 0) + margin, 10);
    // The child's system menu shows the child's 16-pixel icon instead of a caption: the
    // icon takes the caption's place, so it never runs into the next item.
    if (mdiMaximized && i == 0) w = std::max(kMdiIconSize + margin, 10);
    out.Items.push_back({x, top, x + w, bottom});
    x += w;
  }
  PlaceMdiButtons(d, out, W);
  return out;
}

void PlaceMdiButtons(const SkinData& d, MenuBarLayout& layout, int W) {
  const MenuBarSkin& mb = d.MenuBar;
  const FrameSkin& f = d.ActiveFrame;
  layout.Bar.right = W - mb.Bar[2].Width - f[8].Width - f[0].Width;
  const std::size_t n = layout.Items.size();
  if (!layout.MdiMaximized || n <= 2) return;
  const int s = layout.Bar.Height();
  const int R = layout.Bar.right;
  for (int k = 0; k < 3; ++k) {
    Rect& r = layout.Items[n - 1 - k];
    r.left = R - (k + 1) * s;
    r.right = R - k * s;
  }
}

int MenuBarOriginX(const SkinData& d) { return d.ActiveFrame[0].Width; }

int MenuItemAt(const SkinData& d, const MenuBarLayout& layout, int windowX, int windowY) {
  const int x = windowX - MenuBarOriginX(d);
  for (std::size_t i = 0; i < layout.Items.size(); ++i)
    if (layout.Items[i].Contains(x, windowY)) return int(i);
  return -1;
}

MenuBarStrip MenuBarStripLayout(const SkinData& d, int W) {
  const FrameSkin& f = d.ActiveFrame;
  const MenuBarSkin& mb = d.MenuBar;
  MenuBarStrip s;
  s.Width = W - f[0].Width - f[6].Width;
  s.Height = mb.Bar[0].Height;
  s.MiddleFrom = mb.Bar[0].Width;
  s.MiddleTo = s.Width - mb.Bar[2].Width;
  return s;
}

namespace {

// Lower case in the Western ANSI code page: ASCII letters and the accented capitals
// 0xC0-0xDE except the multiplication sign.
char LowerAnsi(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return char(u + 32);
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return char(u + 32);
  return c;
}

}  // namespace

char MnemonicOf(const std::string& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {  // "&&" draws one ampersand
      ++i;
      continue;
    }
    return LowerAnsi(caption[i + 1]);
  }
  return 0;
}

int MatchMnemonic(const std::vector<std::string>& captions, char key) {
  if (key == 0) return -1;
  const char k = LowerAnsi(key);
  for (std::size_t i = 0; i < captions.size(); ++i) {
    const char m = MnemonicOf(captions[i]);
    if (m != 0 && m == k) return int(i);
  }
  return -1;
}

namespace {
// Items reachable by the arrow keys: all of them, less the MDI child's three buttons.
int MenuItemsCount(int count, bool mdiMaximized) {
  return (mdiMaximized && count > 3) ? count - 3 : count;
}
}  // namespace

int PreviousMenuItem(int index, int count, bool mdiMaximized) {
  const int n = MenuItemsCount(count, mdiMaximized);
  if (n <= 0) return -1;
  if (index <= 0 || index >= n) return n - 1;
  return index - 1;
}

int NextMenuItem(int index, int count, bool mdiMaximized) {
  const int n = MenuItemsCount(count, mdiMaximized);
  if (n <= 0) return -1;
  if (index < 0 || index + 1 >= n) return 0;
  return index + 1;
}

ItemLook MenuItemLook(int item, int highlighted, bool pressed, bool disabled, bool windowActive) {
  if (disabled || !windowActive) return ItemLook::Disabled;
  if (item == highlighted) return pressed ? ItemLook::Pressed : ItemLook::Hot;
  return ItemLook::Normal;
}

std::int32_t MenuItemColor(const MenuBarSkin& bar, ItemLook look) {
  switch (look) {
    case ItemLook::Hot: return bar.HotItemColor;
    case ItemLook::Pressed: return bar.PressedItemColor;
    case ItemLook::Disabled: return bar.DisabledItemColor;
    case ItemLook::Normal: break;
  }
  return bar.NormalItemColor;
}

}  // namespace dirsheet::skin
