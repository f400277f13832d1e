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

ButtonShapes MakeButtonShapes(const SkinData& data, const PictureView& picture) {
  ButtonShapes shapes;
  for (int i = 0; i < kCaptionButtons; ++i)
    shapes[i] = PieceRuns(picture, data.CaptionButtons[i].Piece(ButtonState::Normal));
  return shapes;
}

ButtonShapes PlaceButtonShapes(const SkinData& data, const ButtonShapes& shapes, int W) {
  ButtonShapes placed;
  for (int i = 0; i < kCaptionButtons; ++i) {
    int x, y;
    PlacedButtonOrigin(data, i, W, x, y);
    placed[i] = MoveShape(shapes[i], x, y);
  }
  return placed;
}

int CaptionButtonAt(const ButtonShapes& placed, std::uint32_t style, int x, int y) {
  if (!(style & kStyleSysMenu)) return -1;
  const int first = (style & (kStyleMinimizeBox | kStyleMaximizeBox)) ? 0 : kClose;
  for (int i = first; i < kCaptionButtons; ++i)
    if (ShapeContains(placed[i], x, y)) return i;
  return -1;
}

int ButtonHitCode(int button) {
  switch (button) {
    case kMinimize:
      return kHitMinButton;
    case kMaximize:
    case kRestore:
      return kHitMaxButton;
    case kClose:
      return kHitClose;
    default:
      return kHitNowhere;
  }
}

ButtonStates RestingButtonStates(bool active) {
  const ButtonState s = active ? ButtonState::Normal : ButtonState::Inactive;
  return {s, s, s, s};
}

ButtonStates HoverButtonStates(bool active, int button, bool leftButtonDown) {
  ButtonStates states = RestingButtonStates(active);
  if (button < 0 || button >= kCaptionButtons) return states;
  states[button] = leftButtonDown ? ButtonState::Pressed : ButtonState::Hot;
  if (button == kMaximize) states[kRestore] = states[kMaximize];
  return states;
}

HitResult FrameHitTest(const SkinData& data, const ButtonShapes& placed, std::uint32_t style, int W,
                       int H, int x, int y, const MenuBarLayout* bar) {
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
    const Rect onWindow{strip.WindowX, strip.WindowY, strip.WindowX + strip.Width,
                        strip.WindowY + strip.Height};
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
  MenuBarLayout out;
  out.MdiMaximized = mdiMaximized;
  const int top = d.ActiveFrame.CaptionHeight(), bottom = top + mb.Height();
  out.Bar = {0, top, 0, bottom};
  const int margin = mb.Hot[kBarLeft].Width + mb.Hot[kBarRight].Width;
  int x = mb.Bar[kBarLeft].Width;
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
  layout.Bar.right = MenuBarStripLayout(d, W).Width - d.MenuBar.Bar[kBarRight].Width;
  if (!layout.HasMdiButtons()) return;
  const std::size_t n = layout.Items.size();
  const int s = layout.Bar.Height();
  const int R = layout.Bar.right;
  for (int k = 0; k < 3; ++k) {
    Rect& r = layout.Items[n - 1 - std::size_t(k)];
    r.left = R - (k + 1) * s;
    r.right = R - k * s;
  }
}

int MenuBarOriginX(const SkinData& d) { return d.ActiveFrame.LeftBorder(); }

int MenuItemAt(const SkinData& d, const MenuBarLayout& layout, int windowX, int windowY) {
  const int x = windowX - MenuBarOriginX(d);
  for (std::size_t i = 0; i < layout.Items.size(); ++i)
    if (layout.Items[i].Contains(x, windowY)) return int(i);
  return -1;
}

MenuBarStrip MenuBarStripLayout(const SkinData& d, int W) {
  const FrameSkin& f = d.ActiveFrame;
  MenuBarStrip s;
  s.Width = std::max(W - f.LeftBorder() - f.RightBorder(), 0);
  s.Height = d.MenuBar.Height();
  s.WindowX = f.LeftBorder();
  s.WindowY = f.CaptionHeight();
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

int PreviousMenuItem(const MenuBarLayout& layout, int index) {
  const int n = layout.MenuItems();
  if (n <= 0) return -1;
  if (index <= 0 || index >= n) return n - 1;
  return index - 1;
}

int NextMenuItem(const MenuBarLayout& layout, int index) {
  const int n = layout.MenuItems();
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
    case ItemLook::Hot:
      return bar.HotItemColor;
    case ItemLook::Pressed:
      return bar.PressedItemColor;
    case ItemLook::Disabled:
      return bar.DisabledItemColor;
    case ItemLook::Normal:
      break;
  }
  return bar.NormalItemColor;
}

}  // namespace dirsheet::skin
