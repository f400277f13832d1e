// ClsSkinner: loading a skin, hooking and giving back a window, and the window handler,
// whose cases unpack a message's parameters and call one named handler each.
#include "skin/win32/ClsSkinner.h"

#include <shlwapi.h>

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/win32/ProgramFolder.h"
#include "skin/SkinLoad.h"
#include "skin/win32/SkinPicture.h"

namespace dirsheet::skin::win32 {

namespace {

// The application title: the executable's name without its extension.
std::string AppTitle() {
  std::string p = platform::win32::ProgramPath();
  p = p.substr(p.find_last_of("\\/") + 1);
  return p.substr(0, p.find_last_of('.'));
}

// Every hit code for which the platform would act on its own caption buttons.
bool IsPlatformButtonCode(WPARAM code) {
  return code == HTSYSMENU || code == HTMINBUTTON || code == HTMAXBUTTON || code == HTCLOSE ||
         code == HTHELP;
}

}  // namespace

ClsSkinner::ClsSkinner()
    : bar_(
          skin_, window_, resources_, brushes_, hover_, [this] { PaintFrame(); }, alive_) {}

ClsSkinner::~ClsSkinner() {
  Release();
  *alive_ = false;  // a menu loop further up the stack must not touch this object again
}

void ClsSkinner::Release() {
  if (window_) UnHookForm(window_.Handle);
  layer_.ReleaseEntryPoints(EntryKind::Intercept);
  layer_.ReleaseEntryPoints(EntryKind::Callback);
  brushes_.ReleaseAll();  // left by a hook whose interception did not start
  skin_.Release();
}

void ClsSkinner::PaintClientArea(bool value) {
  paintClientArea_ = value;
  if (window_ && IsWindow(window_.Handle)) {
    RedrawWindow(window_.Handle, nullptr, nullptr, RDW_INVALIDATE);
    window_.RecomputeFrame();
  }
}

// ---------------------------------------------------------------- loading

bool ClsSkinner::LoadSkinFromFile(const std::string& path) {
  if (!PathFileExistsA(path.c_str())) return false;
  std::vector<std::uint8_t> bytes;
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
  }  // the file is closed before anything is shown or decoded

  // The whole new skin is read and decoded before anything of the current one is touched.
  LoadedSkinFile file;
  try {
    file = LoadSkinBytes(bytes.data(), bytes.size(), DecodeSkinPicture);
  } catch (const SignatureError&) {
    ShowSkinMessage(window_.Handle,
                    "Error: El arhivo no es v\xE1lido o puede estar da\xF1"
                    "ado",
                    AppTitle().c_str(), MB_ICONERROR);
    return false;
  } catch (const SkinError&) {
    return false;  // cut short, no picture, or a picture that does not decode
  }
  if (!skin_.Replace(file.Contents.Data, file.Pixels)) return false;
  if (window_) ApplySkinToWindow();
  return true;
}

bool ClsSkinner::LoadSkinFromResource(LPCSTR ResIndex, LPCSTR ResSection) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC res = FindResourceA(module, ResIndex, ResSection);
  if (!res) return false;
  HGLOBAL data = LoadResource(module, res);
  const DWORD size = SizeofResource(module, res);
  const void* bytes = data ? LockResource(data) : nullptr;
  if (!bytes) return false;

  const std::string temp = platform::win32::ProgramFolder() + "\\TempResourceSkin.skin";
  if (PathFileExistsA(temp.c_str())) DeleteFileA(temp.c_str());
  {
    std::ofstream out(temp, std::ios::binary);
    out.write(static_cast<const char*>(bytes), std::streamsize(size));
    if (!out) return false;
  }
  const bool ok = LoadSkinFromFile(temp);
  DeleteFileA(temp.c_str());
  return ok;
}

// A new skin while hooked: everything made from the old one is made again.
void ClsSkinner::ApplySkinToWindow() {
  FreeSkinResources();
  brushes_.ApplyMenuColor(bar_.Menu(), skin_.Data().MenuColor);
  brushes_.ApplyMenuColor(GetSystemMenu(window_.Handle, FALSE), skin_.Data().MenuColor);
  BuildSkinResources();
  if (window_.LiveStyle() & WS_DLGFRAME) OnSize();  // new pieces, new outline
  RedrawWindow(window_.Handle, nullptr, nullptr, RDW_INVALIDATE);
  window_.RecomputeFrame();
}

void ClsSkinner::BuildSkinResources() {
  ownIconRequest_ = true;  // the resources ask the window for its icon
  resources_.Build(skin_.Data(), window_);
  ownIconRequest_ = false;
  if (bar_.Shown()) bar_.LayoutMenuBar();
}

void ClsSkinner::FreeSkinResources() {
  resources_.Free(window_);
  painter_.Release();
}

// ---------------------------------------------------------------- hooking

bool ClsSkinner::HookForm(HWND hwnd) {
  if (window_) UnHookForm(window_.Handle);
  if (!skin_.Loaded()) return false;

  window_.MdiClient = FindWindowExA(hwnd, nullptr, "MDIClient", nullptr);
  window_.Handle = hwnd;
  window_.Dc = platform::win32::WindowDc(hwnd);
  window_.Style = GetWindowLongA(hwnd, GWL_STYLE);
  window_.ExStyle = GetWindowLongA(hwnd, GWL_EXSTYLE);
  bar_.Attach(GetMenu(hwnd));
  brushes_.ApplyMenuColor(GetSystemMenu(hwnd, FALSE), skin_.Data().MenuColor);
  window_.Active = GetActiveWindow() == hwnd;
  buttons_.Rest();
  BuildSkinResources();
  if (window_.MdiClient) PrepareMdiClient(window_.MdiClient);

  if (!layer_.ssc_Subclass(hwnd, 0, kSkinWindowHandler)) {
    // Interception did not start: the window gets back everything taken so far.
    ReleaseMdiClient();
    bar_.Detach();
    FreeSkinResources();
    brushes_.ReleaseAll();
    window_.Dc.reset();
    window_.MdiClient = nullptr;
    window_.Handle = nullptr;
    return false;
  }
  windowIntercepted_ = true;
  RegisterWindowMessages();
  if (!window_.IsMdiChild()) ResizeKeepingClient();
  // The outline is made now: a resize that keeps the client size brings no WM_SIZE.
  if (window_.LiveStyle() & WS_DLGFRAME) OnSize();
  // The client area kept its place on the screen and its pixels; where the platform's
  // menu bar stood before the engine took the menu, stale pixels would stay.
  if (bar_.Shown())
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  return true;
}

void ClsSkinner::RegisterWindowMessages() {
  static const struct {
    UINT Msg;
    int When;
  } kTable[] = {
      {WM_NCHITTEST, WHEN_BEFORE},
      {WM_ENTERIDLE, WHEN_BEFORE},
      {WM_HOTKEY, WHEN_BEFORE},
      {WM_SYSCOMMAND, WHEN_BEFORE},
      {WM_MENUSELECT, WHEN_BEFORE},
      {WM_MENUCHAR, WHEN_BEFORE},
      {WM_SYSCHAR, WHEN_BEFORE},
      {WM_SYSKEYDOWN, WHEN_BEFORE},
      {WM_NCACTIVATE, WHEN_BEFORE},
      {WM_ACTIVATE, WHEN_BOTH},
      {WM_ACTIVATEAPP, WHEN_BOTH},
      {WM_NCLBUTTONUP, WHEN_BEFORE},
      {WM_NCLBUTTONDOWN, WHEN_BOTH},
      {WM_NCMOUSEMOVE, WHEN_BEFORE},
      {kCaptionRedrawMessage, WHEN_BEFORE},
      {WM_NCCALCSIZE, WHEN_BEFORE},
      {WM_NCPAINT, WHEN_BEFORE},
      {WM_SETICON, WHEN_AFTER},
      {WM_STYLECHANGED, WHEN_AFTER},
      {WM_ERASEBKGND, WHEN_BEFORE},
      {WM_PAINT, WHEN_BEFORE},
      {WM_SIZE, WHEN_BEFORE},
      // WM_DESTROY also before: the drop-shadow class style is put back while the window
      // still exists (its class can only be reached through one of its windows).
      {WM_GETMINMAXINFO, WHEN_BOTH},
      {WM_DESTROY, WHEN_BOTH},
      {WM_GETICON, WHEN_AFTER},
      {kSwitchMessage, WHEN_AFTER},
      {WM_CREATE, WHEN_AFTER},
      {WM_SHOWWINDOW, WHEN_AFTER},
  };
  for (const auto& m : kTable) layer_.WatchMessage(window_.Handle, int(m.Msg), m.When);
}

void ClsSkinner::PrepareMdiClient(HWND child) {
  const LONG ex = GetWindowLongA(child, GWL_EXSTYLE);
  mdiClientEdge_ = (ex & WS_EX_CLIENTEDGE) != 0;
  SetWindowLongA(child, GWL_EXSTYLE, ex & ~WS_EX_CLIENTEDGE);
  if (layer_.ssc_Subclass(child, 0, kMdiClientHandler)) {
    layer_.WatchMessage(child, WM_ERASEBKGND, WHEN_BEFORE);
    layer_.WatchMessage(child, WM_PAINT, WHEN_BEFORE);
    layer_.WatchMessage(child, WM_MDISETMENU, WHEN_BOTH);  // after: lay out the menu the client set
    mdiIntercepted_ = true;
  }
}

// The "MDIClient" child gets its own procedure and its sunken edge back.
void ClsSkinner::ReleaseMdiClient() {
  const HWND child = window_.MdiClient;
  if (mdiIntercepted_) layer_.StopIntercepting(child);
  mdiIntercepted_ = false;
  if (mdiClientEdge_ && child && IsWindow(child)) {
    SetWindowLongA(child, GWL_EXSTYLE, GetWindowLongA(child, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
    SetWindowPos(child, nullptr, 0, 0, 0, 0, kFrameChanged);
  }
  mdiClientEdge_ = false;
}

void ClsSkinner::ResizeKeepingClient() {
  const HWND h = window_.Handle;
  RECT client;
  GetClientRect(h, &client);
  POINT origin = {0, 0};
  ClientToScreen(h, &origin);
  const FrameSkin& f = skin_.Data().ActiveFrame;
  const int w = client.right + f.LeftBorder() + f.RightBorder();
  const int height = client.bottom + f.CaptionHeight() + f.BottomBorder() + bar_.Height();
  // The window's top-left corner goes where its client area was (in the parent's
  // coordinates for a child window).
  HWND parent = GetParent(h);
  if (parent && (window_.Style & WS_CHILD)) ScreenToClient(parent, &origin);
  SetWindowPos(h, nullptr, origin.x, origin.y, w, height,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void ClsSkinner::UnHookForm(HWND) {
  hover_.Stop();
  bar_.EndMenuMode();  // the arrow-key hot keys exist only in menu mode
  ReleaseMdiClient();
  if (windowIntercepted_) {
    layer_.StopIntercepting(window_.Handle);
    windowIntercepted_ = false;
  }
  layer_.ReleaseEntryPoints(EntryKind::Intercept);
  layer_.ReleaseEntryPoints(EntryKind::Callback);
  FreeSkinResources();
  bar_.Detach();  // a menu the engine took goes back to the window
  brushes_.ReleaseAll();
  if (window_ && IsWindow(window_.Handle)) {
    // A window given back alive gets its standard outline and frame again.
    SetWindowRgn(window_.Handle, nullptr, TRUE);
    window_.RecomputeFrame();
  }
  window_.Dc.reset();
  window_.MdiClient = nullptr;
  window_.Handle = nullptr;
  lastHit_ = -1;
}

// ---------------------------------------------------------------- painting

void ClsSkinner::PaintFrame() {
  if (!painter_.Draws() || !window_.Visible()) return;
  if (bar_.Shown() && !IsIconic(window_.Handle)) bar_.PaintCurrent();
  painter_.Paint(buttons_.States());
}

// ---------------------------------------------------------------- the handlers

bool ClsSkinner::HasHandler(int position) const {
  return position == kSkinWindowHandler || position == kHoverTimerTick ||
         position == kMdiClientHandler;
}

void ClsSkinner::OnIntercept(int position, bool bBefore, bool& bHandled, LRESULT& lReturn,
                             HWND lng_hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LONG_PTR&) {
  if (position == kSkinWindowHandler)
    SkinWindowHandler(bBefore, bHandled, lReturn, lng_hWnd, uMsg, wParam, lParam);
  else if (position == kMdiClientHandler)
    MdiClientHandler(bBefore, bHandled, lReturn, lng_hWnd, uMsg, wParam, lParam);
}

void ClsSkinner::OnCallback(int position, const ULONG_PTR*, int) {
  if (position == kHoverTimerTick) HoverTimerTick();
}

void ClsSkinner::SkinWindowHandler(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hwnd,
                                   UINT uMsg, WPARAM wParam, LPARAM lParam) {
  bHandled = true;
  switch (uMsg) {
    case WM_NCHITTEST:
      lReturn = OnNcHitTest(lParam, bHandled);
      break;
    case WM_NCMOUSEMOVE:
      OnNcMouseMove(wParam, lParam, bHandled, lReturn);
      break;
    case WM_NCLBUTTONDOWN:
      if (bBefore) OnNcLButtonDown(wParam, lParam, bHandled, lReturn);
      break;
    case WM_NCLBUTTONUP:
      OnNcLButtonUp(lParam);
      break;
    case WM_NCACTIVATE: {
      // The window's own procedure gets the message with -1 as its region: "do not
      // repaint the frame". The default handling would draw the standard caption (some
      // 5 ms under Wine) only for the engine to paint its frame over it at once.
      lReturn = 1;
      const std::shared_ptr<bool> alive = alive_;
      layer_.CallPreviousProc(hwnd, uMsg, wParam, -1);
      // The window may have closed, or let the engine go, in its own procedure.
      if (!*alive || window_.Handle != hwnd) break;
      OnActivate(false, wParam != 0, lReturn);
      break;
    }
    case WM_ACTIVATE:
      // A minimized window gets its minimized state in the high word, also when it loses
      // the activation.
      OnActivate(bBefore, LOWORD(wParam) != WA_INACTIVE, lReturn);
      bHandled = false;
      break;
    case WM_ACTIVATEAPP:
      OnActivate(bBefore, wParam != 0, lReturn);
      bHandled = false;
      break;
    case WM_SYSCOMMAND:
      PaintFrame();
      bHandled = false;
      break;
    case kCaptionRedrawMessage:
      PaintFrame();
      break;
    case WM_NCPAINT:
      OnNcPaint();
      lReturn = 0;
      break;
    case WM_NCCALCSIZE:
      lReturn = painter_.OnNcCalcSize(wParam, lParam, bar_.Height(), bHandled);
      break;
    case WM_SETICON:
      OnSetIcon();
      break;
    case WM_STYLECHANGED:
      OnStyleChanged(wParam);
      break;
    case WM_GETICON:
      if (!bBefore) OnGetIcon();
      bHandled = false;
      break;
    case WM_ERASEBKGND:
    case WM_PAINT:
      bHandled = OnClientPaint(hwnd, uMsg, wParam, lReturn);
      break;
    case WM_SIZE:
      // Without the dialog-frame bit the window has no skinned frame to fit.
      if (window_.LiveStyle() & WS_DLGFRAME) {
        OnSize();
        bHandled = false;
      }
      break;
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(wParam, lParam, lReturn);
      bHandled = false;
      break;
    case WM_ENTERIDLE:
      bar_.OnEnterIdle(wParam, lParam, bHandled);
      break;
    case WM_HOTKEY:
      bar_.OnHotKey(wParam, bHandled);
      break;
    case WM_MENUSELECT:
      bar_.OnMenuSelect(wParam, lParam, bHandled);
      break;
    case WM_SYSKEYDOWN:
    case WM_SYSCHAR:
    case WM_MENUCHAR:
      bar_.OnKeyboardAccess(uMsg, wParam, lParam, bHandled, lReturn);
      break;
    case kSwitchMessage:
      if (!bBefore) bar_.OnSwitchMessage(lParam);
      break;
    case WM_SHOWWINDOW:
      if (!bBefore) bar_.OnShowWindow();
      bHandled = false;
      break;
    case WM_DESTROY:
      OnDestroy(bBefore);
      bHandled = false;
      break;
    case WM_CREATE:
      if (!bBefore) OnCreate();
      bHandled = false;
      break;
    default:
      bHandled = false;
      break;
  }
}

void ClsSkinner::MdiClientHandler(bool bBefore, bool& bHandled, LRESULT& lReturn, HWND hwnd,
                                  UINT uMsg, WPARAM wParam, LPARAM lParam) {
  bHandled = false;
  if ((uMsg == WM_ERASEBKGND || uMsg == WM_PAINT) && paintClientArea_) {
    bHandled = painter_.PaintClientBackground(hwnd, uMsg, wParam);
    if (bHandled && uMsg == WM_ERASEBKGND) lReturn = 1;
  } else if (uMsg == WM_MDISETMENU) {
    bar_.OnMdiSetMenu(bBefore, wParam);
  }
}

LRESULT ClsSkinner::OnNcHitTest(LPARAM lParam, bool& handled) {
  const WindowPoint p = window_.PointOf(lParam);
  const ButtonStates before = buttons_.States();
  buttons_.Rest();
  const bool bar = bar_.Shown() && !IsIconic(window_.Handle);
  const HitResult hit = buttons_.HitTest(p, bar ? &bar_.Layout() : nullptr);
  if (hit.Button >= 0) {
    buttons_.Hover(hit.Button, GetKeyState(VK_LBUTTON) < 0);
    // A running 1-millisecond timer is as good as a restarted one, and a frame whose
    // buttons look as they did needs no painting: pointer moves over a button cost little.
    hover_.Start();
    if (buttons_.States() != before) PaintFrame();
    return hit.Code;
  }
  if (hit.Decided) return hit.Code;
  handled = false;  // the caption and the client area: the window's own procedure decides
  return 0;
}

void ClsSkinner::OnNcMouseMove(WPARAM hitCode, LPARAM lParam, bool& handled, LRESULT& lReturn) {
  if (int(hitCode) != lastHit_) {
    lastHit_ = int(hitCode);
    PaintFrame();
  }
  bar_.OnPointerMove(window_.PointOf(lParam));
  lReturn = 1;
  handled = false;
}

void ClsSkinner::OnNcLButtonDown(WPARAM hitCode, LPARAM lParam, bool& handled, LRESULT& lReturn) {
  const WindowPoint p = window_.PointOf(lParam);
  const int item = bar_.ItemAt(p);
  if (item >= 0) {
    bar_.OnPress(item);  // may run the menu loop: nothing of the engine is touched after it
    return;
  }
  if (window_.LiveStyle() & WS_SYSMENU) {
    const int button = buttons_.ButtonAt(p);
    if (button >= 0) {
      buttons_.Press(button);
      PaintFrame();
      return;
    }
    if (InIconRect(skin_.Data().Icon, p.x, p.y)) {
      // The press opened the menu and the menu took the click: it is not handed on as a
      // caption press, which would start moving the window after the menu closed.
      ShowIconMenu();
      return;
    }
  }
  if (IsPlatformButtonCode(hitCode)) {
    lReturn = DefWindowProcA(window_.Handle, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
    return;
  }
  handled = false;
}

// The window's system menu below the icon; the chosen command is posted to the window.
void ClsSkinner::ShowIconMenu() {
  const HWND window = window_.Handle;
  HMENU sys = GetSystemMenu(window, FALSE);
  if (!sys) return;
  RECT wr;
  GetWindowRect(window, &wr);
  const IconSkin& icon = skin_.Data().Icon;
  const std::shared_ptr<bool> alive = alive_;
  const int cmd = int(TrackPopupMenuEx(sys, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                       wr.left + icon.IconLeft,
                                       wr.top + icon.IconTop + icon.IconHeight, window, nullptr));
  if (cmd != 0 && IsWindow(window)) PostMessageA(window, WM_SYSCOMMAND, WPARAM(cmd), 0);
  if (*alive && window_.Handle == window) {
    buttons_.Rest();
    PaintFrame();
  }
}

void ClsSkinner::OnNcLButtonUp(LPARAM lParam) {
  const WindowPoint p = window_.PointOf(lParam);
  const int item = bar_.ItemAt(p);
  if (item >= 0) {
    bar_.OnRelease(item);
    return;
  }
  if (!(window_.LiveStyle() & WS_SYSMENU)) return;
  const unsigned cmd = buttons_.ReleaseCommand(p);
  buttons_.Rest();
  PaintFrame();
  if (cmd != 0) SendMessageA(window_.Handle, WM_SYSCOMMAND, cmd, 0);
}

void ClsSkinner::HoverTimerTick() {
  if (!window_ || inTick_) return;
  inTick_ = true;
  try {
    FaultPoint("HoverTimerTick");
    const WindowPoint p = window_.Cursor();
    const bool overButton = buttons_.ButtonAt(p) >= 0;
    const bool overItem = !overButton && bar_.ItemAt(p) >= 0;
    if (!overButton && !overItem) {
      bar_.ClearHot();
      buttons_.Rest();
      PaintFrame();
      hover_.Stop();
    }
  } catch (const std::exception& e) {
    // The timer goes first: a 1-millisecond timer would otherwise stack message boxes.
    hover_.Stop();
    buttons_.Rest();
    bar_.ClearHot();
    const std::string text = "Error " + std::to_string(GetLastError()) + ": " + e.what();
    ShowSkinMessage(window_.Handle, text.c_str(), "ClsSkinner.HoverTimerTick", MB_ICONERROR);
  }
  inTick_ = false;
}

// A change of activation: before the window's own procedure has run the client area is
// marked for repainting, after it (and for WM_NCACTIVATE, once the procedure has heard
// of it) the frame is repainted in its new look.
void ClsSkinner::OnActivate(bool before, bool active, LRESULT& lReturn) {
  window_.Active = active;
  buttons_.Rest();
  if (before)
    InvalidateRect(window_.Handle, nullptr, TRUE);
  else
    SendMessageA(window_.Handle, WM_NCPAINT, 1, 0);
  lReturn = 1;
}

void ClsSkinner::OnNcPaint() {
  window_.TakeNewDc();
  PaintFrame();
}

void ClsSkinner::OnSetIcon() {
  ownIconRequest_ = true;
  resources_.FetchIcon(window_.Handle, skin_.Data().Icon);
  ownIconRequest_ = false;
  PaintFrame();
}

void ClsSkinner::OnStyleChanged(WPARAM which) {
  if (LONG(which) == GWL_STYLE) window_.Style = GetWindowLongA(window_.Handle, GWL_STYLE);
  if (LONG(which) == GWL_EXSTYLE) window_.ExStyle = GetWindowLongA(window_.Handle, GWL_EXSTYLE);
  resources_.ReadCaptionText(window_.Handle);
  bar_.OnStyleChanged();
  PaintFrame();
}

// Asked for its icon (the shell does so after a caption change): the menu and the caption
// text are read again and the frame repainted. When the engine itself asks, while it
// fetches the icon, the frame is repainted once the icon is in.
void ClsSkinner::OnGetIcon() {
  bar_.OnGetIcon();
  resources_.ReadCaptionText(window_.Handle);
  if (!ownIconRequest_) PaintFrame();
}

void ClsSkinner::OnSize() {
  buttons_.AllNormal();
  bar_.UpdateMdiButtons(window_.Size().cx);
  painter_.ApplyRegion();
}

void ClsSkinner::OnGetMinMaxInfo(WPARAM wParam, LPARAM lParam, LRESULT& lReturn) {
  auto* mmi = reinterpret_cast<MINMAXINFO*>(lParam);
  if (!mmi) return;
  const LONG minW = skin_.Data().MinTrackSize[0], minH = skin_.Data().MinTrackSize[1];
  if (mmi->ptMinTrackSize.x == 0 && mmi->ptMinTrackSize.y == 0) {
    mmi->ptMinTrackSize = {minW, minH};
    lReturn = DefWindowProcA(window_.Handle, WM_GETMINMAXINFO, wParam, lParam);
  } else {
    // The platform fills in its own small default first; the skin's minimum still holds
    // so that the frame's fixed pieces never overlap.
    mmi->ptMinTrackSize.x = std::max(mmi->ptMinTrackSize.x, minW);
    mmi->ptMinTrackSize.y = std::max(mmi->ptMinTrackSize.y, minH);
  }
}

bool ClsSkinner::OnClientPaint(HWND hwnd, UINT uMsg, WPARAM wParam, LRESULT& lReturn) {
  if (!paintClientArea_ || window_.MdiClient) return false;
  if (!painter_.PaintClientBackground(hwnd, uMsg, wParam)) return false;
  if (uMsg == WM_ERASEBKGND) lReturn = 1;
  return true;
}

void ClsSkinner::OnDestroy(bool before) {
  if (!before) {
    UnHookForm(window_.Handle);
    return;
  }
  resources_.RestoreClassStyle(window_.Handle);
  // Hot keys and the hover timer go with the window, whatever happens afterwards.
  bar_.EndMenuMode();
  hover_.Stop();
}

// A late "MDIClient" child.
void ClsSkinner::OnCreate() {
  if (window_.MdiClient) return;
  window_.MdiClient = FindWindowExA(window_.Handle, nullptr, "MDIClient", nullptr);
  if (window_.MdiClient) PrepareMdiClient(window_.MdiClient);
}

}  // namespace dirsheet::skin::win32
