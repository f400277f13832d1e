// The skin resources, each with one owner: the loaded skin (record, picture and piece
// shapes), what is made for the hooked window (fonts, icon, caption text, class style),
// and the menu backgrounds the engine gave.
#pragma once

#include <windows.h>

#include <array>
#include <map>
#include <memory>
#include <string>

#include "platform/win32/Handles.h"
#include "skin/Geometry.h"
#include "skin/Image.h"
#include "skin/Interaction.h"
#include "skin/SkinFile.h"
#include "skin/win32/HookedWindow.h"

namespace dirsheet::skin::win32 {

// The skin in force: its record (sizes brought into range), its picture held in a bitmap
// selected into `SkinDC`, whose pixels the painter reads, and the shapes of the active
// frame's pieces and of the caption buttons, made once per skin.
class LoadedSkin {
 public:
  bool Loaded() const { return bool(dc_); }
  // Puts a new skin in force; false, keeping the current one, when its bitmap cannot be made.
  bool Replace(const SkinData& data, const Image& picture);
  void Release();

  const SkinData& Data() const { return data_; }
  const PictureView& Picture() const { return view_; }
  HDC SkinDC() const { return dc_.get(); }
  const std::array<Shape, kFramePieces>& PieceShapes() const { return pieceShapes_; }
  const skin::ButtonShapes& CaptionButtonShapes() const { return buttonShapes_; }

 private:
  SkinData data_;
  platform::win32::Bitmap bitmap_;
  platform::win32::MemoryDc dc_;
  std::unique_ptr<platform::win32::SelectGuard> selected_;  // goes first: puts the DC back
  PictureView view_;
  std::array<Shape, kFramePieces> pieceShapes_;
  skin::ButtonShapes buttonShapes_;
};

// What BuildSkinResources makes for the hooked window and FreeSkinResources deletes.
class WindowResources {
 public:
  void Build(const SkinData& data, const HookedWindow& window);
  void Free(const HookedWindow& window);

  void ReadCaptionText(HWND window);
  // The window's icon at the skin's icon size.
  void FetchIcon(HWND window, const IconSkin& icon);
  // Puts back the window class style the drop shadow changed (once).
  void RestoreClassStyle(HWND window);

  HFONT CaptionFont() const { return captionFont_.get(); }
  HFONT MenuFont() const { return menuFont_.get(); }
  HICON Icon() const { return icon_.get(); }
  const std::string& CaptionText() const { return captionText_; }

 private:
  platform::win32::Font captionFont_, menuFont_;
  platform::win32::Icon icon_;
  std::string captionText_;
  bool shadowApplied_ = false;
  ULONG_PTR savedClassStyle_ = 0;
};

// Menu backgrounds. The engine gives a menu (and its submenus) a solid brush of the skin's
// menu colour, remembers the background the menu had, and deletes only brushes it made:
// a brush the application gave its menu stays the application's.
class MenuBrushes {
 public:
  MenuBrushes() = default;
  ~MenuBrushes() { ReleaseAll(); }
  MenuBrushes(const MenuBrushes&) = delete;
  MenuBrushes& operator=(const MenuBrushes&) = delete;

  // The menu colour is the skin's `MenuColor`, or the system menu colour for -1.
  void ApplyMenuColor(HMENU menu, std::int32_t menuColor);
  // Every menu still showing one of the engine's brushes gets its own background back,
  // and the engine's brushes are deleted.
  void ReleaseAll();

 private:
  struct Given {
    platform::win32::Brush Ours;
    HBRUSH Before = nullptr;  // the menu's own background, not the engine's to delete
  };
  std::map<HMENU, Given> given_;
};

}  // namespace dirsheet::skin::win32
