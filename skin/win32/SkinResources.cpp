#include "skin/win32/SkinResources.h"

#include <cstring>
#include <vector>

#include "skin/win32/Canvas.h"

namespace dirsheet::skin::win32 {

using platform::win32::Bitmap;
using platform::win32::Brush;
using platform::win32::Font;
using platform::win32::MemoryDc;
using platform::win32::SelectGuard;

// ---------------------------------------------------------------- the loaded skin

namespace {

// A 32-bit top-down DIB section holding the picture; its bits are the pixels from here on.
Bitmap MakePictureBitmap(const Image& img, std::uint32_t*& bits) {
  const BITMAPINFO bi = TopDown32(img.Width, img.Height);
  void* raw = nullptr;
  Bitmap bmp(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &raw, nullptr, 0));
  bits = static_cast<std::uint32_t*>(raw);
  if (!bmp || !bits) return Bitmap();
  std::memcpy(bits, img.Pixels.data(), img.Pixels.size() * 4);
  return bmp;
}

}  // namespace

bool LoadedSkin::Replace(const SkinData& data, const Image& picture) {
  if (picture.Width <= 0 || picture.Height <= 0) return false;
  std::uint32_t* bits = nullptr;
  Bitmap bitmap = MakePictureBitmap(picture, bits);
  MemoryDc dc(bitmap ? CreateCompatibleDC(nullptr) : nullptr);
  if (!dc) return false;
  Release();
  bitmap_ = std::move(bitmap);
  dc_ = std::move(dc);
  selected_ = std::make_unique<SelectGuard>(dc_.get(), bitmap_.get());
  view_ = {bits, picture.Width, picture.Height};
  data_ = WithLimitedSizes(data);
  for (int k = 0; k < kFramePieces; ++k) pieceShapes_[k] = PieceRuns(view_, data_.ActiveFrame[k]);
  buttonShapes_ = MakeButtonShapes(data_, view_);
  return true;
}

void LoadedSkin::Release() {
  selected_.reset();
  dc_.reset();
  bitmap_.reset();
  view_ = {};
}

// ---------------------------------------------------------------- the hooked window's

namespace {

HFONT MakeFont(const SkinFont& font) {
  LOGFONTA lf = {};
  static_assert(sizeof(LOGFONTA) == 60, "a skin font record holds a 60-byte logical font");
  std::memcpy(&lf, font.Raw.data(), sizeof lf);
  lf.lfFaceName[LF_FACESIZE - 1] = '\0';
  return CreateFontIndirectA(&lf);
}

}  // namespace

void WindowResources::ReadCaptionText(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, 256);
  captionText_ = text;  // cut at the first NUL
}

void WindowResources::FetchIcon(HWND window, const IconSkin& skin) {
  icon_.reset();
  const int size = skin.IconWidth;
  if (size <= 0) return;
  const WPARAM first = size > 20 ? ICON_BIG : ICON_SMALL;
  const WPARAM second = size > 20 ? ICON_SMALL : ICON_BIG;
  auto icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, first, 0));
  if (!icon) icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, second, 0));
  if (icon)
    icon_.reset(static_cast<HICON>(CopyImage(icon, IMAGE_ICON, size, size, LR_COPYFROMRESOURCE)));
}

void WindowResources::Build(const SkinData& data, const HookedWindow& window) {
  captionFont_.reset(MakeFont(data.CaptionText.Font));
  menuFont_.reset(MakeFont(data.MenuBar.Font));
  ReadCaptionText(window.Handle);
  FetchIcon(window.Handle, data.Icon);
  if (!window.IsMdiChild() && data.DropShadow != 0) {
    savedClassStyle_ = GetClassLongPtrA(window.Handle, GCL_STYLE);
    SetClassLongPtrA(window.Handle, GCL_STYLE, LONG_PTR(savedClassStyle_ | kDropShadowClassStyle));
    shadowApplied_ = true;
  }
}

void WindowResources::Free(const HookedWindow& window) {
  captionFont_.reset();
  menuFont_.reset();
  icon_.reset();
  RestoreClassStyle(window.Handle);
}

void WindowResources::RestoreClassStyle(HWND window) {
  if (!shadowApplied_) return;
  if (window && IsWindow(window)) SetClassLongPtrA(window, GCL_STYLE, LONG_PTR(savedClassStyle_));
  shadowApplied_ = false;
}

// ---------------------------------------------------------------- menu backgrounds

namespace {

HBRUSH Background(HMENU menu) {
  MENUINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = MIM_BACKGROUND;
  return GetMenuInfo(menu, &info) ? info.hbrBack : nullptr;
}

void SetBackground(HMENU menu, HBRUSH brush, bool submenusToo) {
  MENUINFO info = {};
  info.cbSize = sizeof info;                                              // 28 bytes
  info.fMask = MIM_BACKGROUND | (submenusToo ? MIM_APPLYTOSUBMENUS : 0);  // 0x80000002
  info.hbrBack = brush;
  SetMenuInfo(menu, &info);
}

// Every menu of the tree that shows `from` shows `to` instead.
void ReplaceBackground(HMENU menu, HBRUSH from, HBRUSH to, int depth = 0) {
  if (depth > 16 || !IsMenu(menu)) return;
  if (Background(menu) == from) SetBackground(menu, to, false);
  const int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i)
    if (HMENU sub = GetSubMenu(menu, i)) ReplaceBackground(sub, from, to, depth + 1);
}

}  // namespace

void MenuBrushes::ApplyMenuColor(HMENU menu, std::int32_t menuColor) {
  if (!menu) return;
  const COLORREF color = menuColor == -1 ? GetSysColor(COLOR_MENU) : COLORREF(menuColor);
  HBRUSH before = Background(menu);
  // A submenu coloured through its parent shows the parent's brush: what it had before
  // is what the parent had.
  for (const auto& [other, given] : given_)
    if (other != menu && before && before == given.Ours.get()) before = given.Before;
  Brush brush(CreateSolidBrush(color));
  MENUINFO info = {};
  info.cbSize = sizeof info;
  info.fMask = MIM_BACKGROUND | MIM_APPLYTOSUBMENUS;
  info.hbrBack = brush.get();
  if (!brush || !SetMenuInfo(menu, &info)) return;
  auto it = given_.find(menu);
  if (it == given_.end()) {
    given_[menu] = {std::move(brush), before};
    return;
  }
  // A menu coloured again: the engine's earlier brush goes (nothing shows it any more);
  // a background the application set meanwhile is the one to give back later.
  if (before != it->second.Ours.get()) it->second.Before = before;
  it->second.Ours = std::move(brush);
}

void MenuBrushes::ReleaseAll() {
  for (auto& [menu, given] : given_) ReplaceBackground(menu, given.Ours.get(), given.Before);
  given_.clear();
}

}  // namespace dirsheet::skin::win32
