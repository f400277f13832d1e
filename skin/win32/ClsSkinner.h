// ClsSkinner: loads a skin file and takes over one top-level window's messages to draw
// its frame, caption, caption buttons, icon and menu bar from the skin picture.
//
// The class is the engine's public face and its window handler; the work is done by
// parts with one job each: the interception layer (Intercept.h), the skin resources
// (SkinResources.h), the frame painter (FramePainter.h), caption-button input and hover
// (CaptionButtons.h) and the menu bar (MenuBar.h).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "skin/SkinFile.h"
#include "skin/win32/CaptionButtons.h"
#include "skin/win32/FramePainter.h"
#include "skin/win32/HookedWindow.h"
#include "skin/win32/Intercept.h"
#include "skin/win32/MenuBar.h"
#include "skin/win32/Notify.h"
#include "skin/win32/SkinResources.h"

namespace dirsheet::skin::win32 {

// The engine's handlers, named by their position in its handler table (Intercept.h).
enum HandlerPosition : int { kSkinWindowHandler = 1, kHoverTimerTick = 2, kMdiClientHandler = 3 };

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
  // Draws the whole non-client area: the menu bar, then the frame's strips.
  void PaintFrame();

  // State for the window that owns the engine, and for tests.
  HWND HookedWindow() const { return window_.Handle; }
  bool SkinLoaded() const { return skin_.Loaded(); }
  const SkinData& Skin() const { return skin_.Data(); }
  HDC SkinDC() const { return skin_.SkinDC(); }
  bool Active() const { return window_.Active; }
  const CaptionButtons& Buttons() const { return buttons_; }
  const HoverTimer& Hover() const { return hover_; }
  MenuBar& Bar() { return bar_; }
  Interceptor& Intercept() { return layer_; }

  // InterceptHandler: the three handlers of HandlerPosition.
  bool HasHandler(int position) const override;
  void OnIntercept(int position, bool bBefore, bool& bHandled, LRESULT& lReturn, HWND lng_hWnd,
                   UINT uMsg, WPARAM wParam, LPARAM lParam, LONG_PTR& lParamUser) override;
  void OnCallback(int position, const ULONG_PTR* params, int count) override;

 private:
  void SkinWindowHandler(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hwnd, UINT uMsg,
                         WPARAM wParam, LPARAM lParam);
  void MdiClientHandler(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hwnd, UINT uMsg,
                        WPARAM wParam, LPARAM lParam);
  void HoverTimerTick();

  // Hooking.
  void ApplySkinToWindow();
  void BuildSkinResources();
  void FreeSkinResources();
  void PrepareMdiClient(HWND child);
  void ReleaseMdiClient();
  void RegisterWindowMessages();
  void ResizeKeepingClient();
  void Release();

  // One handler per message of the hooked window.
  LRESULT OnNcHitTest(LPARAM lParam, bool& handled);
  void OnNcMouseMove(WPARAM hitCode, LPARAM lParam, bool& handled, LRESULT& lReturn);
  void OnNcLButtonDown(WPARAM hitCode, LPARAM lParam, bool& handled, LRESULT& lReturn);
  void OnNcLButtonUp(LPARAM lParam);
  void ShowIconMenu();
  void OnActivate(bool before, bool active, LRESULT& lReturn);
  void OnNcPaint();
  void OnSetIcon();
  void OnStyleChanged(WPARAM which);
  void OnGetIcon();
  void OnSize();
  void OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam, LRESULT& lReturn);
  bool OnClientPaint(HWND hwnd, UINT uMsg, WPARAM wParam, LRESULT& lReturn);
  void OnDestroy(bool before);
  void OnCreate();

  // False once the engine is gone: loops that dispatch messages check it before touching
  // the engine again. Declared first, so it is the last to go.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  Interceptor layer_{this};
  LoadedSkin skin_;
  win32::HookedWindow window_;
  WindowResources resources_;
  MenuBrushes brushes_;
  FramePainter painter_{skin_, window_, resources_};
  CaptionButtons buttons_{skin_, window_};
  HoverTimer hover_{layer_, window_, this, kHoverTimerTick};
  MenuBar bar_;
  bool paintClientArea_ = false;
  bool mdiIntercepted_ = false;
  bool mdiClientEdge_ = false;  // the engine took the child's sunken edge off
  bool windowIntercepted_ = false;
  int lastHit_ = -1;
  bool inTick_ = false;
  bool ownIconRequest_ = false;  // the engine is asking the window for its icon
};

}  // namespace dirsheet::skin::win32
