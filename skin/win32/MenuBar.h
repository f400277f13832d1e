// The menu bar the engine draws inside the skinned frame in place of the window's own:
// taking the window's menu, layout and painting, the popup loop with its arrow-key
// switching, keyboard access through mnemonics, and reading the menu again when the
// window's menu changes. Item rectangles, mnemonics and neighbours come from
// skin/Interaction.h.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "skin/Compose.h"
#include "skin/Interaction.h"
#include "skin/win32/Canvas.h"
#include "skin/win32/CaptionButtons.h"
#include "skin/win32/HookedWindow.h"
#include "skin/win32/SkinResources.h"

namespace dirsheet::skin::win32 {

class MenuBar {
 public:
  // `paintFrame` repaints the whole frame; `alive` turns false when the engine goes, so
  // that loops that dispatch messages never touch it afterwards.
  MenuBar(const LoadedSkin& skin, const HookedWindow& window, const WindowResources& resources,
          MenuBrushes& brushes, HoverTimer& hover, std::function<void()> paintFrame,
          std::shared_ptr<bool> alive)
      : skin_(skin),
        window_(window),
        resources_(resources),
        brushes_(brushes),
        hover_(hover),
        paintFrame_(std::move(paintFrame)),
        alive_(std::move(alive)) {}

  // At hook time: with a menu colour of its own the skin takes the menu into the frame
  // (the window's menu is detached); with -1 the menu stays the window's.
  void Attach(HMENU menu);
  // At unhook time (or when the hook failed): a menu the engine took goes back to a live
  // window that has none, and the bar's state is cleared.
  void Detach();

  bool Shown() const { return shown_; }
  HMENU Menu() const { return menu_; }
  const MenuBarLayout& Layout() const { return layout_; }
  int HotItem() const { return hotItem_; }
  int OpenItem() const { return openItem_; }
  bool MenuMode() const { return menuMode_; }
  // The bar's height when the engine draws one, else 0.
  int Height() const { return shown_ ? skin_.Data().MenuBar.Height() : 0; }

  void LayoutMenuBar();
  // Draws the bar with `item` highlighted (-1: none), pressed or hot.
  void PaintMenuBar(int item, bool pressed);
  // Draws the bar as it stands: the open item pressed in menu mode, else the hot item.
  void PaintCurrent() { PaintMenuBar(menuMode_ ? openItem_ : hotItem_, menuMode_); }
  // The three MDI squares follow the bar's right end on a resize.
  void UpdateMdiButtons(int W);

  int ItemAt(const WindowPoint& p) const;
  int MenuItemAtCursor() const;
  void OpenMenuBarItem(int index);
  void EndMenuMode();
  void ClearHot() { hotItem_ = -1; }

  // Pointer messages over the bar.
  void OnPointerMove(const WindowPoint& p);
  void OnPress(int item);
  void OnRelease(int item);

  // Messages of the popups and the keyboard; each sets `handled` false where the window's
  // own procedure must still run.
  void OnEnterIdle(WPARAM wParam, LPARAM lParam, bool& handled);
  void OnHotKey(WPARAM wParam, bool& handled);
  void OnMenuSelect(WPARAM wParam, LPARAM lParam, bool& handled);
  void OnSwitchMessage(LPARAM lParam);
  void OnKeyboardAccess(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& handled, LRESULT& lReturn);

  // Reading the menu again.
  void OnShowWindow() { TakeWindowMenu(); }
  void OnStyleChanged();
  void OnGetIcon();
  void OnMdiSetMenu(bool before, WPARAM wParam);

 private:
  bool RunPendingMessages(HWND window);
  void RunMenuLoop(int item, HWND window);
  void AskToOpenItem(int n);
  int PopupNeighbour(int from, int direction) const;
  void SwitchByKeyboard(int item);
  void TakeWindowMenu();
  void PaintItemBackground(PixelBuffer& bar, const std::array<PieceRect, 3>& group,
                           const Rect& r) const;
  void PaintMdiItem(HDC dc, int i, const RECT& r) const;

  const LoadedSkin& skin_;
  const HookedWindow& window_;
  const WindowResources& resources_;
  MenuBrushes& brushes_;
  HoverTimer& hover_;
  std::function<void()> paintFrame_;
  std::shared_ptr<bool> alive_;

  HMENU menu_ = nullptr;
  bool detached_ = false;  // the engine took the menu off the window
  bool shown_ = false;     // the engine draws a bar
  MenuBarLayout layout_;
  std::vector<std::string> captions_;
  int hotItem_ = -1, openItem_ = -1;
  bool menuMode_ = false;
  bool hotKeys_ = false;
  int pendingOpen_ = -1;        // item the running popup loop opens next
  bool switchRequest_ = false;  // highlight the first entry of the next popup
  HWND idlePopup_ = nullptr;
  HMENU lastPopup_ = nullptr;
  UINT lastSelectFlags_ = 0;
  int lastHighlighted_ = -1;
  Canvas canvas_;  // the bar is composed here
};

}  // namespace dirsheet::skin::win32
