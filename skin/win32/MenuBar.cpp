// ClsSkinner: the menu bar drawn inside the skinned frame. Layout and painting, the popup
// loop with its arrow-key switching, keyboard access through mnemonics, and reading the
// menu again when the window's menu changes. Item rectangles, mnemonics and neighbours
// come from skin/Interaction.h.
#include <windows.h>

#include <algorithm>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "skin/Interaction.h"
#include "skin/win32/ClsSkinner.h"

namespace dirsheet::skin::win32 {

namespace {

constexpr UINT kFrameChanged = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER |
                               SWP_FRAMECHANGED;  // 0x227
constexpr WPARAM kOpenRequest = 0x1111;  // WM_MENUSELECT asking the engine to open an item
constexpr UINT kDisabledGreyed = MF_GRAYED | MF_DISABLED;  // item state 3
constexpr COLORREF kTransparent = RGB(255, 0, 255);
constexpr int kMdiIcon = 16;

bool IsDisabled(HMENU menu, int i) {
  const UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
  return state != UINT(-1) && (state & kDisabledGreyed) == kDisabledGreyed;
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

// ---------------------------------------------------------------- layout

int ClsSkinner::MenuItemAtPoint(const WindowPoint& p) const {
  return MenuItemAt(skin_, menuLayout_, p.x, p.y);
}

int ClsSkinner::MenuItemAtCursor() const {
  if (!hooked_ || !hasMenuBar_) return -1;
  return MenuItemAtPoint(CursorOnWindow());
}

void ClsSkinner::LayoutMenuBar() {
  menuCaptions_.clear();
  menuLayout_ = MenuBarLayout{};
  if (!hooked_) return;
  bool mdiMaximized = false;
  if (mdiClient_ && IsWindow(mdiClient_)) {
    BOOL maximized = FALSE;
    HWND active = reinterpret_cast<HWND>(
        SendMessageA(mdiClient_, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    mdiMaximized = active && maximized;
  }
  menuLayout_.MdiMaximized = mdiMaximized;
  const int count = menu_ ? GetMenuItemCount(menu_) : 0;
  if (count <= 0) return;

  MemDc dc(CreateCompatibleDC(nullptr));
  SelectGuard font(dc.get(), menuFont_ ? menuFont_.get() : GetStockObject(DEFAULT_GUI_FONT));
  std::vector<int> widths;
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    GetMenuStringA(menu_, UINT(i), text, 255, MF_BYPOSITION);
    std::string caption = (mdiMaximized && i == 0) ? std::string() : std::string(text);
    RECT r = {0, 0, 0, 0};
    if (!caption.empty()) DrawTextA(dc.get(), caption.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
    widths.push_back(r.right - r.left);
    menuCaptions_.push_back(std::move(caption));
  }
  RECT wr;
  GetWindowRect(hooked_, &wr);
  menuLayout_ = LayoutMenuBarItems(skin_, widths, mdiMaximized, wr.right - wr.left);
  PaintMenuBar(-1, false);
}

void ClsSkinner::UpdateMdiButtons(int W) {
  if (menuLayout_.MdiMaximized) PlaceMdiButtons(skin_, menuLayout_, W);
}

// ---------------------------------------------------------------- painting

// Copies of a piece side by side from x to x + width, the last one cut, leaving out the
// transparent colour.
void ClsSkinner::RepeatKeyed(HDC dst, const PieceRect& p, int x, int y, int width) const {
  if (p.Width <= 0 || p.Height <= 0) return;
  for (int at = x; at < x + width; at += p.Width) {
    const int w = std::min(p.Width, x + width - at);
    GdiTransparentBlt(dst, at, y, w, p.Height, skinDC_, p.Left, p.Top, w, p.Height, kTransparent);
  }
}

void ClsSkinner::PaintItemBackground(HDC dc, const std::array<PieceRect, 3>& group,
                                     const RECT& r) const {
  const int lw = group[0].Width, rw = group[2].Width;
  RepeatKeyed(dc, group[1], r.left + lw, r.top, r.right - r.left - lw - rw);
  RepeatKeyed(dc, group[0], r.left, r.top, std::min<int>(lw, r.right - r.left));
  if (r.right - rw >= r.left) RepeatKeyed(dc, group[2], r.right - rw, r.top, rw);
}

void ClsSkinner::PaintMdiItem(HDC dc, int i, const RECT& r) const {
  const int n = int(menuLayout_.Items.size());
  if (i == 0) {
    BOOL maximized = FALSE;
    HWND child = reinterpret_cast<HWND>(
        SendMessageA(mdiClient_, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&maximized)));
    HICON icon = child ? reinterpret_cast<HICON>(SendMessageA(child, WM_GETICON, ICON_SMALL, 0)) : nullptr;
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
    case SC_MINIMIZE: glyph = "0"; break;
    case SC_RESTORE: glyph = "2"; break;
    case SC_CLOSE: glyph = "r"; break;
    default: glyph = i == n - 3 ? "0" : i == n - 2 ? "2" : "r"; break;
  }
  GdiObject webdings(CreateFontA(-13, 0, 0, 0, 400, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, "Webdings"));
  SelectGuard sel(dc, webdings.get());
  RECT box = r;
  DrawTextA(dc, glyph, 1, &box, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
}

void ClsSkinner::PaintMenuBar(int item, bool pressed) {
  if (!hooked_ || !windowDC_ || !skinDC_ || !hasMenuBar_ || !IsWindow(hooked_) || IsIconic(hooked_))
    return;
  RECT wr;
  GetWindowRect(hooked_, &wr);
  const int W = wr.right - wr.left;
  UpdateMdiButtons(W);
  const MenuBarStrip s = MenuBarStripLayout(skin_, W);
  if (s.Width <= 0 || s.Height <= 0) return;
  const MenuBarSkin& mb = skin_.MenuBar;

  MemDc mem(CreateCompatibleDC(windowDC_));
  GdiObject bmp(CreateCompatibleBitmap(windowDC_, s.Width, s.Height));
  if (!mem || !bmp) return;
  SelectGuard selBmp(mem.get(), bmp.get());
  SelectGuard selFont(mem.get(), menuFont_ ? menuFont_.get() : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(mem.get(), TRANSPARENT);
  RepeatPiece(mem.get(), mb.Bar[1], Rect{s.MiddleFrom, 0, s.MiddleTo, s.Height});

  const int n = int(menuLayout_.Items.size());
  const bool mdi = menuLayout_.MdiMaximized;
  for (int i = 0; i < n; ++i) {
    const Rect& it = menuLayout_.Items[i];
    RECT r = {it.left, 0, it.right, s.Height};  // the item spans the whole bar height
    if (i == item) PaintItemBackground(mem.get(), pressed ? mb.Pressed : mb.Hot, r);
    const ItemLook look = MenuItemLook(i, item, pressed, IsDisabled(menu_, i), active_);
    SetTextColor(mem.get(), COLORREF(MenuItemColor(mb, look)));
    if (mdi && (i == 0 || (n > 2 && i >= n - 3))) {
      PaintMdiItem(mem.get(), i, r);
    } else if (i < int(menuCaptions_.size())) {
      DrawTextA(mem.get(), menuCaptions_[i].c_str(), -1, &r, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    }
  }
  DrawPieceAt(mem.get(), mb.Bar[0], 0, 0);
  DrawPieceAt(mem.get(), mb.Bar[2], s.Width - mb.Bar[2].Width, 0);
  BitBlt(windowDC_, skin_.ActiveFrame[0].Width, skin_.ActiveFrame[4].Height, s.Width, s.Height,
         mem.get(), 0, 0, SRCCOPY);
}

void ClsSkinner::DrawPieceAt(HDC dst, const PieceRect& p, int x, int y) const {
  if (p.Width > 0 && p.Height > 0)
    BitBlt(dst, x, y, p.Width, p.Height, skinDC_, p.Left, p.Top, SRCCOPY);
}

// ---------------------------------------------------------------- the popup loop

// Runs the window's pending messages; false when the engine or its window went away.
bool ClsSkinner::RunPendingMessages(const std::shared_ptr<bool>& alive, HWND window) {
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
  return *alive && hooked_ == window && IsWindow(window);
}

void ClsSkinner::OpenMenuBarItem(int index) {
  if (!hooked_ || !hasMenuBar_ || !menu_) return;
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

  StopHoverTimer();
  HWND window = hooked_;
  const std::shared_ptr<bool> alive = alive_;
  hotKeys_ = true;
  RegisterHotKey(window, 0, 0, VK_LEFT);
  RegisterHotKey(window, 1, 0, VK_RIGHT);
  menuMode_ = true;
  pendingOpen_ = -1;
  try {
    RunMenuLoop(index, alive, window);
  } catch (const std::exception&) {
    // A failure inside the loop ends menu mode below like any other way out; the window
    // keeps its frame, its bar and its keys.
  }
  if (!*alive) {
    UnregisterHotKey(window, 0);
    UnregisterHotKey(window, 1);
    return;
  }
  EndMenuMode();
  hotItem_ = -1;
  if (hooked_ == window) PaintMenuBar(-1, false);
}

void ClsSkinner::RunMenuLoop(int item, const std::shared_ptr<bool>& alive, HWND window) {
  while (true) {
    if (!RunPendingMessages(alive, window) || !menuMode_) return;
    if (pendingOpen_ >= 0) item = std::exchange(pendingOpen_, -1);
    FaultPoint("OpenMenuBarItem");
    if (item < 0 || item >= int(menuLayout_.Items.size())) return;
    openItem_ = item;
    PaintMenuBar(item, true);
    if (HMENU popup = UsablePopup(menu_, item)) {
      RECT wr;
      GetWindowRect(window, &wr);
      const Rect& r = menuLayout_.Items[item];
      const int left = wr.left + MenuBarOriginX(skin_);
      TPMPARAMS tpm = {sizeof tpm, {left + r.left, wr.top + r.top, left + r.right, wr.top + r.bottom}};
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
        if (!RunPendingMessages(alive, window)) return;
      }
    }
    if (!*alive || hooked_ != window || !menuMode_) return;
    const int next = pendingOpen_ >= 0 ? pendingOpen_ : MenuItemAtCursor();
    if (next < 0) return;
    item = next;
  }
}

void ClsSkinner::EndMenuMode() {
  if (menuMode_) EndMenu();
  menuMode_ = false;
  pendingOpen_ = -1;
  openItem_ = -1;
  if (hotKeys_ && hooked_) {
    UnregisterHotKey(hooked_, 0);
    UnregisterHotKey(hooked_, 1);
  }
  hotKeys_ = false;
}

void ClsSkinner::AskToOpenItem(int n) {
  switchRequest_ = true;
  PostMessageA(hooked_, WM_MENUSELECT, kOpenRequest, LPARAM(n));
}

// The neighbour in the arrow key's direction that opens a popup: moving with the arrows
// only shows menus and never runs an item's command.
int ClsSkinner::PopupNeighbour(int from, int direction) const {
  const int count = int(menuLayout_.Items.size());
  const bool mdi = menuLayout_.MdiMaximized;
  int i = from;
  for (int step = 0; step < count; ++step) {
    i = direction < 0 ? PreviousMenuItem(i, count, mdi) : NextMenuItem(i, count, mdi);
    if (i < 0) return -1;
    if (UsablePopup(menu_, i)) return i;
  }
  return -1;
}

// ---------------------------------------------------------------- pointer on the bar

void ClsSkinner::OnMenuBarPress(int item) {
  if (!menuMode_) {
    OpenMenuBarItem(item);
    return;
  }
  if (UsablePopup(menu_, item)) {
    // A press on the open item closes it; on another item the loop switches to it.
    if (item == openItem_) menuMode_ = false;
    else pendingOpen_ = item;
  } else {
    PaintMenuBar(item, true);
  }
}

void ClsSkinner::OnMenuBarRelease(int item) {
  if (!menuMode_ || GetSubMenu(menu_, item)) return;
  PaintMenuBar(item, false);
  if (!IsDisabled(menu_, item))
    PostMessageA(hooked_, WM_COMMAND, WPARAM(GetMenuItemID(menu_, item)), 0);
  menuMode_ = false;
}

// ---------------------------------------------------------------- switching popups

void ClsSkinner::OnEnterIdle(WPARAM wParam, LPARAM lParam, bool& bHandled) {
  if (!menuMode_ || wParam != MSGF_MENU) {
    bHandled = false;
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

void ClsSkinner::OnHotKey(WPARAM wParam, bool& bHandled) {
  if (!menuMode_ || wParam > 1) {
    bHandled = false;  // the window's own hot keys
    return;
  }
  HMENU own = openItem_ >= 0 ? GetSubMenu(menu_, openItem_) : nullptr;
  if (wParam == 0) {
    if (lastPopup_ == own) {
      SwitchByKeyboard(PopupNeighbour(openItem_, -1));
    } else {
      PostKey(hooked_, VK_LEFT);  // closes the submenu
    }
  } else {
    if (lastSelectFlags_ & MF_POPUP) {
      PostKey(hooked_, VK_RIGHT);  // opens the submenu
    } else {
      SwitchByKeyboard(PopupNeighbour(openItem_, +1));
    }
  }
}

void ClsSkinner::SwitchByKeyboard(int item) {
  if (item < 0 || item == openItem_) return;
  menuMode_ = false;
  EndMenu();
  AskToOpenItem(item);
}

void ClsSkinner::OnMenuSelect(WPARAM wParam, LPARAM lParam, bool& bHandled) {
  if (wParam == kOpenRequest) {
    const int n = int(lParam);
    if (!hasMenuBar_ || n < 0 || n >= int(menuLayout_.Items.size())) return;
    if (UsablePopup(menu_, n)) {
      PaintFrame();
      OpenMenuBarItem(n);
    } else if (!IsDisabled(menu_, n)) {
      PostMessageA(hooked_, WM_COMMAND, WPARAM(GetMenuItemID(menu_, n)), 0);
    }
    return;
  }
  bHandled = false;  // the window still hears about its menus
  if (!menuMode_) return;
  lastPopup_ = reinterpret_cast<HMENU>(lParam);
  lastSelectFlags_ = HIWORD(wParam);
  if (!menu_) return;
  int highlighted = -1;
  const int count = GetMenuItemCount(menu_);
  for (int i = 0; i < count && highlighted < 0; ++i) {
    const UINT state = GetMenuState(menu_, UINT(i), MF_BYPOSITION) & 0xFF;
    if (state == MF_HILITE || state == (MF_HILITE | kDisabledGreyed)) highlighted = i;
  }
  if (highlighted >= 0 && highlighted != lastHighlighted_)
    PostMessageA(hooked_, kSwitchMessage, 0, LPARAM(highlighted));
  lastHighlighted_ = highlighted;
}

void ClsSkinner::OnSwitchMessage(LPARAM lParam) {
  if (!hasMenuBar_) return;
  EndMenu();
  PaintFrame();
  AskToOpenItem(int(lParam));
}

// ---------------------------------------------------------------- keyboard access

void ClsSkinner::OnKeyboardAccess(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled,
                                  LRESULT& lReturn) {
  if (IsMdiChild()) {
    if (uMsg == WM_SYSKEYDOWN && wParam == VK_F4)
      PostMessageA(hooked_, WM_CLOSE, 0, 0);
    else
      PostMessageA(GetAncestor(hooked_, GA_ROOT), uMsg, wParam, lParam);
    PaintFrame();
    return;
  }
  char key = 0;
  if (uMsg == WM_SYSKEYDOWN) key = char(MapVirtualKeyA(UINT(wParam), MAPVK_VK_TO_CHAR) & 0xFF);
  else key = char(LOWORD(wParam));
  const int item = hasMenuBar_ ? MatchMnemonic(menuCaptions_, key) : -1;
  if (item < 0) {
    // Keys that open no bar item keep their usual meaning (Alt+F4, Alt+Space...); a menu
    // character that matches nothing is ignored.
    if (uMsg == WM_MENUCHAR) lReturn = MAKELRESULT(0, MNC_IGNORE);
    else bHandled = false;
    return;
  }
  if (uMsg == WM_SYSKEYDOWN) {
    // The character that follows opens the item. The key itself still reaches the window
    // so that releasing Alt afterwards does not also start the platform's keyboard menu.
    bHandled = false;
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

// ---------------------------------------------------------------- menu changes

// Menus that still show the engine's background get their own back; the brushes go.
void ClsSkinner::ReleaseMenuBrushes() {
  for (const auto& [menu, brush] : menuBrushes_) {
    if (IsMenu(menu)) {
      MENUINFO current = {};
      current.cbSize = sizeof current;
      current.fMask = MIM_BACKGROUND;
      GetMenuInfo(menu, &current);
      if (current.hbrBack == brush) {
        MENUINFO none = {};
        none.cbSize = sizeof none;
        none.fMask = MIM_BACKGROUND | MIM_APPLYTOSUBMENUS;
        SetMenuInfo(menu, &none);
      }
    }
    DeleteObject(brush);
  }
  menuBrushes_.clear();
}

// Takes the menu the window carries now, as at hook time: with a menu colour of its own
// the skin moves the menu into the frame.
void ClsSkinner::TakeWindowMenu() {
  HMENU m = GetMenu(hooked_);
  if (!m) return;  // a detached menu stays the engine's own
  menu_ = m;
  ApplyMenuColor(m);
  if (skin_.MenuColor == -1) return;
  hasMenuBar_ = GetMenuItemCount(m) > 0;
  SetMenu(hooked_, nullptr);
  SetWindowPos(hooked_, nullptr, 0, 0, 0, 0, kFrameChanged);  // room for the engine's bar
  LayoutMenuBar();
}

void ClsSkinner::OnShowWindow() { TakeWindowMenu(); }

void ClsSkinner::ReadMenuAfterStyleChange() {
  if (!menu_ && !mdiClient_) TakeWindowMenu();
}

void ClsSkinner::OnGetIcon() {
  if (skin_.MenuColor != -1) {
    const bool had = hasMenuBar_;
    hasMenuBar_ = menu_ && GetMenuItemCount(menu_) > 0;
    if (hasMenuBar_) {
      if (!had) SetWindowPos(hooked_, nullptr, 0, 0, 0, 0, kFrameChanged);
      LayoutMenuBar();
    } else {
      const bool wasMdi = menuLayout_.MdiMaximized;
      menuLayout_.MdiMaximized = false;
      if (wasMdi || had) SetWindowPos(hooked_, nullptr, 0, 0, 0, 0, kFrameChanged);
    }
  }
  ReadCaptionText();
  PaintFrame();
}

void ClsSkinner::OnMdiSetMenu(bool bBefore, WPARAM wParam) {
  if (bBefore) {
    if (!wParam) return;
    menu_ = reinterpret_cast<HMENU>(wParam);
    if (skin_.MenuColor != -1) ApplyMenuColor(menu_);
    return;
  }
  // After the client has put the menu on the frame and added a maximized child's items.
  if (!menu_ || skin_.MenuColor == -1) return;
  hasMenuBar_ = true;
  SetWindowPos(hooked_, nullptr, 0, 0, 0, 0, kFrameChanged);
  LayoutMenuBar();
}

}  // namespace dirsheet::skin::win32
