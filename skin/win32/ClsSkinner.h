// ClsSkinner: loads a skin file and takes over one top-level window's messages to draw
// its frame, caption, caption buttons and icon from the skin picture.
#pragma once

#include <windows.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "skin/Geometry.h"
#include "skin/Interaction.h"
#include "skin/SkinFile.h"
#include "skin/win32/Gdi.h"

namespace dirsheet::skin::win32 {

constexpr int MSG_ENTRIES = 32;
constexpr int ALL_MESSAGES = -1;
constexpr int WHEN_BEFORE = 1, WHEN_AFTER = 2, WHEN_BOTH = 3;

// A before or after table: a count (-1 = every message) and up to 32 message numbers;
// a removed entry leaves 0 in its slot.
struct MsgTable {
  int Count = 0;
  UINT Slots[MSG_ENTRIES + 1] = {};  // slots 1..MSG_ENTRIES are used
  bool Holds(UINT msg) const;
};

// Whoever receives intercepted messages: the engine itself, or any other object given
// to ssc_Subclass. A handler is named by its position counted from the end of the
// object's handler table (1 = last).
class InterceptHandler {
 public:
  virtual ~InterceptHandler() = default;
  virtual bool HasHandler(int position) const = 0;
  virtual void OnIntercept(int position, bool bBefore, bool& bHandled, LRESULT& lReturn,
                           HWND lng_hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                           LONG_PTR& lParamUser) = 0;
  // A plain callback entry point made by scb_SetCallbackAddr forwards here.
  virtual void OnCallback(int position, const ULONG_PTR* params, int count) {}
};

struct Gateway;  // the state one intercepted window's gateway procedure works from

// Message boxes of the engine go through this function, so that tests can read them
// instead of a user having to close them.
using SkinMessageBoxFn = int (*)(HWND owner, const char* text, const char* caption, UINT type);
void SetSkinMessageBox(SkinMessageBoxFn fn);

// Called at the places where the hover timer and the menu loop could fail, so that tests
// can make them fail and check that the window stays usable.
using SkinFaultHook = void (*)(const char* where);
void SetSkinFaultHook(SkinFaultHook hook);

// The engine's own message: switch the open menu-bar popup to the item in lParam.
constexpr UINT kSwitchMessage = 0x555;

class ClsSkinner : public InterceptHandler {
 public:
  ClsSkinner();
  ~ClsSkinner() override;  // unhooks the window and deletes SkinDC
  ClsSkinner(const ClsSkinner&) = delete;
  ClsSkinner& operator=(const ClsSkinner&) = delete;

  bool PaintClientArea() const { return paintClientArea_; }
  void PaintClientArea(bool value);

  bool LoadSkinFromFile(const std::string& path);
  bool LoadSkinFromResource(LPCSTR ResIndex, LPCSTR ResSection);
  bool HookForm(HWND hwnd);
  void UnHookForm(HWND hwnd);
  void release();

  void ApplyMenuColor(HMENU menu);
  void BuildSkinResources();
  void FreeSkinResources();
  void PaintFrame();
  struct StripSurface;
  void PaintCaptionButtons(StripSurface& strip, const FrameSkin& frame, int W);

  // --- caption buttons and the menu bar ---
  void LayoutMenuBar();
  void PaintMenuBar(int item, bool pressed);
  int MenuItemAtCursor() const;
  void OpenMenuBarItem(int index);
  void StartHoverTimer();
  void StopHoverTimer();

  // --- interception layer ---
  bool ssc_Subclass(HWND hwnd, LONG_PTR userValue, int position,
                    InterceptHandler* handlerObject = nullptr, bool unicode = false);
  void WatchMessage(HWND hwnd, int uMsg, int When);
  void UnwatchMessage(HWND hwnd, int uMsg, int When);
  LRESULT CallPreviousProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  void StopIntercepting(HWND hwnd);
  void ReleaseEntryPoints(int kind);  // 0: interception records, 2: callback entry points
  void* scb_SetCallbackAddr(int paramCount, int position, InterceptHandler* handlerObject = nullptr);
  void* zMap_VFunction(ULONG_PTR id, int kind);
  void ReportError(const std::string& routine, const std::string& message);
  void zAddMsg(int uMsg, MsgTable& table);
  void zDelMsg(int uMsg, MsgTable& table);

  // --- state readable by tests and by the window ---
  HWND HookedWindow() const { return hooked_; }
  bool SkinLoaded() const { return skinDC_ != nullptr; }
  const SkinData& Skin() const { return skin_; }
  int ButtonState(int i) const { return buttonState_[i]; }
  bool Active() const { return active_; }
  HDC SkinDC() const { return skinDC_; }
  bool HoverTimerRunning() const { return timerRunning_; }
  bool HasMenuBar() const { return hasMenuBar_; }
  HMENU Menu() const { return menu_; }
  const MenuBarLayout& MenuBar() const { return menuLayout_; }
  bool MenuMode() const { return menuMode_; }
  int OpenItem() const { return openItem_; }
  int HotItem() const { return hotItem_; }

  // InterceptHandler: 1 SkinWindowHandler, 2 HoverTimerTick, 3 MdiClientHandler.
  bool HasHandler(int position) const override;
  void OnIntercept(int position, bool bBefore, bool& bHandled, LRESULT& lReturn, HWND lng_hWnd,
                   UINT uMsg, WPARAM wParam, LPARAM lParam, LONG_PTR& lParamUser) override;
  void OnCallback(int position, const ULONG_PTR* params, int count) override;

 private:
  struct CallbackRecord;

  void SkinWindowHandler(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hwnd, UINT uMsg,
                         WPARAM wParam, LPARAM lParam);
  void MdiClientHandler(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hwnd, UINT uMsg,
                        WPARAM wParam, LPARAM lParam);
  void HoverTimerTick();
  UINT_PTR HoverTimerId() const;
  static void FaultPoint(const char* where);

  // Message cases.
  void OnSize();
  LRESULT OnNcCalcSize(WPARAM wParam, LPARAM lParam, bool& bHandled);
  void OnActivate(bool bBefore, WPARAM wParam, LRESULT& lReturn);
  void OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam, LRESULT& lReturn);
  bool PaintClientBackground(HWND hwnd, UINT uMsg, WPARAM wParam);
  LRESULT OnNcHitTest(LPARAM lParam, bool& bHandled);

  // Pointer and keyboard (Input.cpp, MenuBar.cpp).
  struct WindowPoint { int x, y, W, H; };  // relative to the window, and the window's size
  WindowPoint PointerOnWindow(LPARAM lParam) const;
  WindowPoint CursorOnWindow() const;
  std::array<Shape, 4> PlacedButtonRuns(int W) const;
  int ButtonUnder(const WindowPoint& p) const;
  bool InIconRect(const WindowPoint& p) const;
  void OnNcMouseMove(WPARAM wParam, LPARAM lParam, bool& bHandled, LRESULT& lReturn);
  void OnNcLButtonDown(WPARAM wParam, LPARAM lParam, bool& bHandled, LRESULT& lReturn);
  void OnNcLButtonUp(LPARAM lParam);
  void ShowIconMenu(const WindowPoint& p);
  int MenuItemAtPoint(const WindowPoint& p) const;
  void UpdateMdiButtons(int W);
  void RepeatKeyed(HDC dst, const PieceRect& p, int x, int y, int width) const;
  void PaintItemBackground(HDC dc, const std::array<PieceRect, 3>& group, const RECT& r) const;
  void PaintMdiItem(HDC dc, int i, const RECT& r) const;
  void DrawPieceAt(HDC dst, const PieceRect& p, int x, int y) const;
  bool RunPendingMessages(const std::shared_ptr<bool>& alive, HWND window);
  void RunMenuLoop(int item, const std::shared_ptr<bool>& alive, HWND window);
  void EndMenuMode();
  void AskToOpenItem(int n);
  int PopupNeighbour(int from, int direction) const;
  void SwitchByKeyboard(int item);
  void OnMenuBarPress(int item);
  void OnMenuBarRelease(int item);
  void OnEnterIdle(WPARAM wParam, LPARAM lParam, bool& bHandled);
  void OnHotKey(WPARAM wParam, bool& bHandled);
  void OnMenuSelect(WPARAM wParam, LPARAM lParam, bool& bHandled);
  void OnSwitchMessage(LPARAM lParam);
  void OnKeyboardAccess(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled, LRESULT& lReturn);
  void OnShowWindow();
  void ReleaseMenuBrushes();
  void TakeWindowMenu();
  void ReadMenuAfterStyleChange();
  void OnGetIcon();
  void OnMdiSetMenu(bool bBefore, WPARAM wParam);
  void OnStyleChanged(WPARAM wParam);
  void PrepareMdiClient(HWND child);
  void RegisterWindowMessages();

  void FetchIcon();
  void RestoreClassStyle();
  void ReadCaptionText();
  void ResizeKeepingClient();
  void PlaceButtonShapes(int W);
  void ResetButtonStates();
  bool IsMdiChild() const { return (exStyle_ & WS_EX_MDICHILD) != 0; }
  int MenuBarHeight() const;
  void ComposeStrip(HDC target, const FrameSkin& frame, const StripLayout& layout, bool caption, int W);
  void PutStrip(HDC target, const FrameSkin& frame, const StripLayout& layout, StripSurface& strip) const;
  void CopyPiece(StripSurface& dst, const PieceRect& p, int x, int y, bool keyed) const;
  void RepeatInStrip(StripSurface& dst, const PieceRect& p, const Rect& area) const;
  void RepeatPiece(HDC dst, const PieceRect& p, const Rect& area) const;
  bool DecodePicture(const std::vector<std::uint8_t>& file, Image& out);
  Gateway* FindGateway(HWND hwnd);

  // Skin.
  SkinData skin_;
  Image picture_;
  HDC skinDC_ = nullptr;
  GdiObject skinBitmap_;
  HGDIOBJ skinDCOld_ = nullptr;
  std::array<Shape, 12> pieceShape_;
  std::array<bool, 12> activeOpaque_{}, inactiveOpaque_{};  // pieces without transparent pixels

  // Hooked window.
  HWND hooked_ = nullptr;
  HDC windowDC_ = nullptr;
  LONG style_ = 0, exStyle_ = 0;
  HMENU menu_ = nullptr;
  HWND mdiClient_ = nullptr;
  bool mdiIntercepted_ = false;
  bool windowIntercepted_ = false;
  bool hasMenuBar_ = false;
  int hotItem_ = -1, openItem_ = -1;
  bool paintClientArea_ = false;
  std::array<int, 4> buttonState_{};
  bool active_ = true;
  int width_ = 0, height_ = 0;
  int lastHit_ = -1;
  bool timerRunning_ = false;
  bool inTick_ = false;

  // Menu bar.
  MenuBarLayout menuLayout_;
  std::vector<std::string> menuCaptions_;
  bool menuMode_ = false;
  bool hotKeys_ = false;
  int pendingOpen_ = -1;        // item the running popup loop opens next
  bool switchRequest_ = false;  // highlight the first entry of the next popup
  HWND idlePopup_ = nullptr;
  HMENU lastPopup_ = nullptr;
  UINT lastSelectFlags_ = 0;
  int lastHighlighted_ = -1;
  std::map<HMENU, HBRUSH> menuBrushes_;  // menu backgrounds the engine made

  // False once the engine is gone: loops that dispatch messages check it before touching
  // the engine again.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  // Resources made for the hooked window.
  GdiObject captionFont_, menuFont_;
  IconOwner icon_;
  std::string captionText_;
  std::array<GdiObject, 4> buttonShape_, placedButtonShape_;
  bool shadowApplied_ = false;
  LONG_PTR savedClassStyle_ = 0;

  // Interception records keyed "h" + handle; callback entry points keyed "h" + position.
  std::unique_ptr<std::map<std::string, Gateway*>> records_;
  std::unique_ptr<std::map<std::string, CallbackRecord*>> callbacks_;
};

}  // namespace dirsheet::skin::win32
