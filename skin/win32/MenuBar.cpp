#include "skin/win32/MenuBar.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "skin/Compose.h"
#include "skin/win32/Canvas.h"
#include "skin/win32/Notify.h"

namespace dirsheet::skin::win32 {

using platform::win32::Font;
using platform::win32::MemoryDc;
using platform::win32::SelectGuard;

namespace {

constexpr WPARAM kOpenRequest = 0x1111;  // WM_MENUSELECT asking the engine to open an item
constexpr int kMdiIcon = 16;
enum HotKeyId { kLeftArrowKey = 0, kRightArrowKey = 1 };

// A greyed item: the platform reports it as disabled and greyed (3) or, as Wine does, as
// greyed alone (1); either way it is drawn disabled and opens nothing.
bool IsDisabled(HMENU menu, int i) {
  const UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
  return state != UINT(-1) && (state & MF_GRAYED) != 0;
}

// The popup an item opens, when it opens one that can be used.
HMENU UsablePopup(HMENU menu, int i) {
  HMENU popup = GetSubMenu(menu, i);
  return popup && !IsDisabled(menu, i) ? popup : nullptr;
}

void PostKey(HWND target, WPARAM vk) {
  PostMessageA(target, WM_KEYDOWN, vk, 1);
  PostMessageA(target, WM_KEYUP, vk, LPARAM(0xC0000001));
}

}  // namespace

// ---------------------------------------------------------------- the window's menu

void MenuBar::Attach(HMENU menu) {
  menu_ = menu;
  shown_ = detached_ = false;
  hotItem_ = openItem_ = -1;
  if (!menu) return;
  brushes_.ApplyMenuColor(menu, skin_.Data().MenuColor);
  if (skin_.Data().MenuColor == -1) return;  // the window keeps its own bar
  SetMenu(window_.Handle, nullptr);
  detached_ = true;
  shown_ = GetMenuItemCount(menu) > 0;
}

void MenuBar::Detach() {
  EndMenuMode();
  if (detached_ && menu_ && IsMenu(menu_) && IsWindow(window_.Handle) && !GetMenu(window_.Handle))
    SetMenu(window_.Handle, menu_);
  menu_ = nullptr;
  detached_ = shown_ = false;
  layout_ = MenuBarLayout{};
  captions_.clear();
  hotItem_ = openItem_ = -1;
  canvas_.Release();
}

// Takes the menu the window carries now, as at hook time: with a menu colour of its own
// the skin moves the menu into the frame.
void MenuBar::TakeWindowMenu() {
  HMENU m = GetMenu(window_.Handle);
  if (!m) return;  // a detached menu stays the engine's own
  menu_ = m;
  brushes_.ApplyMenuColor(m, skin_.Data().MenuColor);
  if (skin_.Data().MenuColor == -1) return;
  shown_ = GetMenuItemCount(m) > 0;
  SetMenu(window_.Handle, nullptr);
  detached_ = true;
  window_.RecomputeFrame();  // room for the engine's bar
  LayoutMenuBar();
}

void MenuBar::OnStyleChanged() {
  if (!menu_ && !window_.MdiClient) TakeWindowMenu();
}

void MenuBar::OnGetIcon() {
  if (skin_.Data().MenuColor == -1) return;
  const bool had = shown_;
  shown_ = menu_ && GetMenuItemCount(menu_) > 0;
  if (shown_) {
    if (!had) window_.RecomputeFrame();
    LayoutMenuBar();
  } else {
    const bool wasMdi = layout_.MdiMaximized;
    layout_.MdiMaximized = false;
    if (wasMdi || had) window_.RecomputeFrame();
  }
}

void MenuBar::OnMdiSetMenu(bool before, WPARAM wParam) {
  if (before) {
    if (!wParam) return;
    menu_ = reinterpret_cast<HMENU>(wParam);
    if (skin_.Data().MenuColor != -1) brushes_.ApplyMenuColor(menu_, skin_.Data().MenuColor);
    return;
  }
  // After the client has put the menu on the frame and added a maximized child's items.
  if (!menu_ || skin_.Data().MenuColor == -1) return;
  shown_ = true;
  window_.RecomputeFrame();
  LayoutMenuBar();
}

// ---------------------------------------------------------------- layout

int MenuBar::ItemAt(const WindowPoint& p) const {
  return shown_ ? MenuItemAt(skin_.Data(), layout_, p.x, p.y) : -1;
}

int MenuBar::MenuItemAtCursor() const {
  if (!window_ || !shown_) return -1;
  return ItemAt(window_.Cursor());
}

void MenuBar::LayoutMenuBar() {
  captions_.clear();
  layout_ = MenuBarLayout{};
  if (!window_) return;
  bool mdiMaximized = false;
  if (window_.MdiClient && IsWindow(window_.MdiClient)) {
    BOOL maximized = FALSE;
    HWND active = reinterpret_cast<HWND>(
        SendMessageA(window_.MdiClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    mdiMaximized = active && maximized;
  }
  layout_.MdiMaximized = mdiMaximized;
  const int count = menu_ ? GetMenuItemCount(menu_) : 0;
  if (count <= 0) return;

  MemoryDc dc(CreateCompatibleDC(nullptr));
  HFONT font = resources_.MenuFont();
  SelectGuard selected(dc.get(),
                       font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
  std::vector<int> widths;
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    GetMenuStringA(menu_, UINT(i), text, 255, MF_BYPOSITION);
    std::string caption = (mdiMaximized && i == 0) ? std::string() : std::string(text);
    RECT r = {0, 0, 0, 0};
    if (!caption.empty()) DrawTextA(dc.get(), caption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    widths.push_back(r.right - r.left);
    captions_.push_back(std::move(caption));
  }
  layout_ = LayoutMenuBarItems(skin_.Data(), widths, mdiMaximized, window_.Size().cx);
  PaintMenuBar(-1, false);
}

void MenuBar::UpdateMdiButtons(int W) {
  if (layout_.MdiMaximized) PlaceMdiButtons(skin_.Data(), layout_, W);
}

// ---------------------------------------------------------------- painting

// A hot or pressed item's background: the group's middle repeated between its ends, the
// transparent colour left out.
void MenuBar::PaintItemBackground(PixelBuffer& bar, const std::array<PieceRect, 3>& group,
                                  const Rect& r) const {
  const PictureView& pic = skin_.Picture();
  const int lw = group[kBarLeft].Width, rw = group[kBarRight].Width;
  const Rect middle{r.left + lw, r.top, r.right - rw, r.bottom};
  TilePiece(bar, pic, group[kBarMiddle], middle, middle.left, middle.top, true);
  CopyPiece(bar, pic, group[kBarLeft], r.left, r.top, r, true);
  if (r.right - rw >= r.left) CopyPiece(bar, pic, group[kBarRight], r.right - rw, r.top, r, true);
}

void MenuBar::PaintMdiItem(HDC dc, int i, const RECT& r) const {
  const int n = int(layout_.Items.size());
  if (i == 0) {
    BOOL maximized = FALSE;
    HWND child = reinterpret_cast<HWND>(
        SendMessageA(window_.MdiClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    HICON icon =
        child ? reinterpret_cast<HICON>(SendMessageA(child, WM_GETICON, ICON_SMALL, 0)) : nullptr;
    if (!icon && child) icon = reinterpret_cast<HICON>(GetClassLongPtrA(child, GCLP_HICONSM));
    if (!icon && child) icon = reinterpret_cast<HICON>(GetClassLongPtrA(child, GCLP_HICON));
    if (icon)
      DrawIconEx(dc, r.left + (r.right - r.left - kMdiIcon) / 2, (r.bottom - r.top - kMdiIcon) / 2,
                 icon, kMdiIcon, kMdiIcon, 0, nullptr, DI_NORMAL);
    return;
  }
  // The child's buttons are told apart by their commands, whatever order the platform
  // appended them in; without a known command the position decides.
  const char* glyph = nullptr;
  switch (GetMenuItemID(menu_, i)) {
    case SC_MINIMIZE:
      glyph = "0";
      break;
    case SC_RESTORE:
      glyph = "2";
      break;
    case SC_CLOSE:
      glyph = "r";
      break;
    default:
      glyph = i == n - 3 ? "0" : i == n - 2 ? "2" : "r";
      break;
  }
  Font webdings(CreateFontA(-13, 0, 0, 0, 400, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, "Webdings"));
  SelectGuard selected(dc, webdings.get());
  RECT box = r;
  DrawTextA(dc, glyph, 1, &box, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
}

void MenuBar::PaintMenuBar(int item, bool pressed) {
  if (!window_ || !window_.Dc || !skin_.Loaded() || !shown_ || !IsWindow(window_.Handle) ||
      IsIconic(window_.Handle) || !window_.Visible())
    return;
  const int W = window_.Size().cx;
  UpdateMdiButtons(W);
  const SkinData& d = skin_.Data();
  const MenuBarStrip s = MenuBarStripLayout(d, W);
  Canvas& canvas = canvas_;
  if (!canvas.Fit(window_.Dc.get(), s.Width, s.Height)) return;
  const MenuBarSkin& mb = d.MenuBar;
  const PictureView& pic = skin_.Picture();
  PixelBuffer& px = canvas.Pixels();
  px.Fill(kTransparentColor);
  const int middleFrom = mb.Bar[kBarLeft].Width;
  TilePiece(px, pic, mb.Bar[kBarMiddle], px.Bounds(), middleFrom, 0, false);

  const int n = int(layout_.Items.size());
  // Item rectangles span the whole bar height.
  auto itemRect = [&](int i) {
    return Rect{layout_.Items[i].left, 0, layout_.Items[i].right, s.Height};
  };
  if (item >= 0 && item < n) PaintItemBackground(px, pressed ? mb.Pressed : mb.Hot, itemRect(item));

  HDC dc = canvas.Dc();
  HFONT font = resources_.MenuFont();
  {
    SelectGuard selected(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < n; ++i) {
      const Rect ir = itemRect(i);
      RECT r = {ir.left, ir.top, ir.right, ir.bottom};
      const ItemLook look = MenuItemLook(i, item, pressed, IsDisabled(menu_, i), window_.Active);
      SetTextColor(dc, COLORREF(MenuItemColor(mb, look)));
      if (layout_.MdiMaximized && (i == 0 || layout_.IsMdiButton(i)))
        PaintMdiItem(dc, i, r);
      else if (i < int(captions_.size()))
        DrawTextA(dc, captions_[i].c_str(), -1, &r, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    }
  }
  canvas.Sync();
  // The bar's ends go over whatever the items drew there.
  CopyPiece(px, pic, mb.Bar[kBarLeft], 0, 0, px.Bounds(), false);
  CopyPiece(px, pic, mb.Bar[kBarRight], s.Width - mb.Bar[kBarRight].Width, 0, px.Bounds(), false);
  BitBlt(window_.Dc.get(), s.WindowX, s.WindowY, s.Width, s.Height, dc, 0, 0, SRCCOPY);
}

// ---------------------------------------------------------------- the popup loop

// Runs the window's pending messages; false when the engine or its window went away.
bool MenuBar::RunPendingMessages(HWND window) {
  const std::shared_ptr<bool> alive = alive_;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The loop that asked to quit must still see it.
      PostQuitMessage(int(msg.wParam));
      if (*alive) menuMode_ = false;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    if (!*alive) return false;
  }
  return *alive && window_.Handle == window && IsWindow(window);
}

void MenuBar::OpenMenuBarItem(int index) {
  if (!window_ || !shown_ || !menu_) return;
  if (index < 0) index = MenuItemAtCursor();
  if (menuMode_) {
    // A loop is already running: it opens the item once the current popup is closed.
    if (index >= 0 && index != openItem_) {
      pendingOpen_ = index;
      EndMenu();
    }
    return;
  }
  if (index < 0) return;

  hover_.Stop();
  const HWND window = window_.Handle;
  const std::shared_ptr<bool> alive = alive_;
  hotKeys_ = true;
  RegisterHotKey(window, kLeftArrowKey, 0, VK_LEFT);
  RegisterHotKey(window, kRightArrowKey, 0, VK_RIGHT);
  menuMode_ = true;
  pendingOpen_ = -1;
  try {
    RunMenuLoop(index, window);
  } catch (const std::exception&) {
    // A failure inside the loop ends menu mode below like any other way out; the window
    // keeps its frame, its bar and its keys.
  }
  if (!*alive) {
    UnregisterHotKey(window, kLeftArrowKey);
    UnregisterHotKey(window, kRightArrowKey);
    return;
  }
  EndMenuMode();
  hotItem_ = -1;
  if (window_.Handle == window) PaintMenuBar(-1, false);
}

void MenuBar::RunMenuLoop(int item, HWND window) {
  const std::shared_ptr<bool> alive = alive_;
  while (true) {
    if (!RunPendingMessages(window) || !menuMode_) return;
    if (pendingOpen_ >= 0) item = std::exchange(pendingOpen_, -1);
    FaultPoint("OpenMenuBarItem");
    if (item < 0 || item >= int(layout_.Items.size())) return;
    openItem_ = item;
    PaintMenuBar(item, true);
    if (HMENU popup = UsablePopup(menu_, item)) {
      RECT wr;
      GetWindowRect(window, &wr);
      const Rect& r = layout_.Items[item];
      const int left = wr.left + MenuBarOriginX(skin_.Data());
      TPMPARAMS tpm = {sizeof tpm,
                       {left + r.left, wr.top + r.top, left + r.right, wr.top + r.bottom}};
      idlePopup_ = nullptr;
      lastPopup_ = popup;
      lastSelectFlags_ = 0;
      TrackPopupMenuEx(popup, TPM_VERTICAL | TPM_LEFTALIGN | TPM_TOPALIGN, left + r.left,
                       wr.top + r.bottom, window, &tpm);
    } else {
      // An item without a popup stays pressed until the pointer leaves it, the button is
      // released over it (WM_NCLBUTTONUP posts its command) or menu mode ends.
      while (menuMode_ && pendingOpen_ < 0 && MenuItemAtCursor() == item) {
        WaitMessage();
        if (!RunPendingMessages(window)) return;
      }
    }
    if (!*alive || window_.Handle != window || !menuMode_) return;
    const int next = pendingOpen_ >= 0 ? pendingOpen_ : MenuItemAtCursor();
    if (next < 0) return;
    item = next;
  }
}

void MenuBar::EndMenuMode() {
  if (menuMode_) EndMenu();
  menuMode_ = false;
  pendingOpen_ = -1;
  openItem_ = -1;
  if (hotKeys_ && window_) {
    UnregisterHotKey(window_.Handle, kLeftArrowKey);
    UnregisterHotKey(window_.Handle, kRightArrowKey);
  }
  hotKeys_ = false;
}

void MenuBar::AskToOpenItem(int n) {
  switchRequest_ = true;
  PostMessageA(window_.Handle, WM_MENUSELECT, kOpenRequest, LPARAM(n));
}

// The neighbour in the arrow key's direction that opens a popup: moving with the arrows
// only shows menus and never runs an item's command.
int MenuBar::PopupNeighbour(int from, int direction) const {
  const int count = int(layout_.Items.size());
  int i = from;
  for (int step = 0; step < count; ++step) {
    i = direction < 0 ? PreviousMenuItem(layout_, i) : NextMenuItem(layout_, i);
    if (i < 0) return -1;
    if (UsablePopup(menu_, i)) return i;
  }
  return -1;
}

// ---------------------------------------------------------------- pointer on the bar

void MenuBar::OnPointerMove(const WindowPoint& p) {
  if (menuMode_ || !shown_) return;
  const int item = ItemAt(p);
  if (item < 0 && hotItem_ >= 0) {
    PaintMenuBar(-1, false);
    hotItem_ = -1;
    hover_.Stop();
  } else if (item >= 0 && item != hotItem_) {
    PaintMenuBar(item, false);
    hotItem_ = item;
    hover_.Start();  // a running 1-millisecond timer is as good as a restarted one
  }
}

void MenuBar::OnPress(int item) {
  if (!menuMode_) {
    OpenMenuBarItem(item);
    return;
  }
  if (UsablePopup(menu_, item)) {
    // A press on the open item closes it; on another item the loop switches to it.
    if (item == openItem_)
      menuMode_ = false;
    else
      pendingOpen_ = item;
  } else {
    PaintMenuBar(item, true);
  }
}

void MenuBar::OnRelease(int item) {
  if (!menuMode_ || GetSubMenu(menu_, item)) return;
  PaintMenuBar(item, false);
  if (!IsDisabled(menu_, item))
    PostMessageA(window_.Handle, WM_COMMAND, WPARAM(GetMenuItemID(menu_, item)), 0);
  menuMode_ = false;
}

// ---------------------------------------------------------------- switching popups

void MenuBar::OnEnterIdle(WPARAM wParam, LPARAM lParam, bool& handled) {
  if (!menuMode_ || wParam != MSGF_MENU) {
    handled = false;
    return;
  }
  HWND popup = reinterpret_cast<HWND>(lParam);
  if (switchRequest_ && popup && popup != idlePopup_) {
    PostKey(popup, VK_DOWN);  // a popup opened from the keyboard shows its first entry
    switchRequest_ = false;
  }
  idlePopup_ = popup;
  const int under = MenuItemAtCursor();
  if (under >= 0 && under != openItem_) EndMenu();
}

void MenuBar::OnHotKey(WPARAM wParam, bool& handled) {
  if (!menuMode_ || (wParam != kLeftArrowKey && wParam != kRightArrowKey)) {
    handled = false;  // the window's own hot keys
    return;
  }
  HMENU own = openItem_ >= 0 ? GetSubMenu(menu_, openItem_) : nullptr;
  if (wParam == kLeftArrowKey) {
    if (lastPopup_ == own)
      SwitchByKeyboard(PopupNeighbour(openItem_, -1));
    else
      PostKey(window_.Handle, VK_LEFT);  // closes the submenu
  } else {
    if (lastSelectFlags_ & MF_POPUP)
      PostKey(window_.Handle, VK_RIGHT);  // opens the submenu
    else
      SwitchByKeyboard(PopupNeighbour(openItem_, +1));
  }
}

void MenuBar::SwitchByKeyboard(int item) {
  if (item < 0 || item == openItem_) return;
  menuMode_ = false;
  EndMenu();
  AskToOpenItem(item);
}

void MenuBar::OnMenuSelect(WPARAM wParam, LPARAM lParam, bool& handled) {
  if (wParam == kOpenRequest) {
    const int n = int(lParam);
    if (!shown_ || n < 0 || n >= int(layout_.Items.size())) return;
    if (UsablePopup(menu_, n)) {
      paintFrame_();
      OpenMenuBarItem(n);
    } else if (!IsDisabled(menu_, n)) {
      PostMessageA(window_.Handle, WM_COMMAND, WPARAM(GetMenuItemID(menu_, n)), 0);
    }
    return;
  }
  handled = false;  // the window still hears about its menus
  if (!menuMode_) return;
  lastPopup_ = reinterpret_cast<HMENU>(lParam);
  lastSelectFlags_ = HIWORD(wParam);
  if (!menu_) return;
  int highlighted = -1;
  const int count = GetMenuItemCount(menu_);
  for (int i = 0; i < count && highlighted < 0; ++i) {
    const UINT state = GetMenuState(menu_, UINT(i), MF_BYPOSITION);
    if (state != UINT(-1) && (state & MF_HILITE)) highlighted = i;
  }
  if (highlighted >= 0 && highlighted != lastHighlighted_)
    PostMessageA(window_.Handle, kSwitchMessage, 0, LPARAM(highlighted));
  lastHighlighted_ = highlighted;
}

void MenuBar::OnSwitchMessage(LPARAM lParam) {
  if (!shown_) return;
  EndMenu();
  paintFrame_();
  AskToOpenItem(int(lParam));
}

// ---------------------------------------------------------------- keyboard access

void MenuBar::OnKeyboardAccess(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& handled,
                               LRESULT& lReturn) {
  if (window_.IsMdiChild()) {
    if (uMsg == WM_SYSKEYDOWN && wParam == VK_F4)
      PostMessageA(window_.Handle, WM_CLOSE, 0, 0);
    else
      PostMessageA(GetAncestor(window_.Handle, GA_ROOT), uMsg, wParam, lParam);
    paintFrame_();
    return;
  }
  char key = 0;
  if (uMsg == WM_SYSKEYDOWN)
    key = char(MapVirtualKeyA(UINT(wParam), MAPVK_VK_TO_CHAR) & 0xFF);
  else
    key = char(LOWORD(wParam));
  const int item = shown_ ? MatchMnemonic(captions_, key) : -1;
  if (item < 0) {
    // Keys that open no bar item keep their usual meaning (Alt+F4, Alt+Space...); a menu
    // character that matches nothing is ignored.
    if (uMsg == WM_MENUCHAR)
      lReturn = MAKELRESULT(0, MNC_IGNORE);
    else
      handled = false;
    return;
  }
  if (uMsg == WM_SYSKEYDOWN) {
    // The character that follows opens the item. The key itself still reaches the window
    // so that releasing Alt afterwards does not also start the platform's keyboard menu.
    handled = false;
    return;
  }
  if (uMsg == WM_MENUCHAR) {
    // A character typed in an open popup switches to a bar item only with Alt held.
    if (GetKeyState(VK_MENU) >= 0) {
      lReturn = MAKELRESULT(0, MNC_IGNORE);
      return;
    }
    lReturn = MAKELRESULT(0, MNC_CLOSE);
  }
  if (menuMode_) {
    if (item != openItem_) {
      switchRequest_ = true;
      pendingOpen_ = item;
      EndMenu();
    }
    return;
  }
  AskToOpenItem(item);
}

}  // namespace dirsheet::skin::win32
