// ClsSkinner: skin loading, hooking and giving back a window, menu colours.
#include "skin/win32/ClsSkinner.h"

#include <shlwapi.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "skin/win32/SkinPicture.h"

namespace dirsheet::skin::win32 {

int ShowSkinMessage(HWND owner, const char* text, const char* caption, UINT type);

namespace {

std::string ModuleFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path);
  return p.substr(0, p.find_last_of("\\/"));
}

// The application title: the executable's name without its extension.
std::string AppTitle() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path);
  p = p.substr(p.find_last_of("\\/") + 1);
  return p.substr(0, p.find_last_of('.'));
}

constexpr UINT kFrameChanged = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER |
                               SWP_FRAMECHANGED;  // 0x227

}  // namespace

ClsSkinner::ClsSkinner() = default;

ClsSkinner::~ClsSkinner() {
  release();
  *alive_ = false;  // a menu loop further up the stack must not touch this object again
}

void ClsSkinner::release() {
  if (hooked_) UnHookForm(hooked_);
  ReleaseEntryPoints(0);
  ReleaseEntryPoints(2);
  ReleaseMenuBrushes();  // left by a hook whose interception did not start
  if (skinDC_) {
    SelectObject(skinDC_, skinDCOld_);
    DeleteDC(skinDC_);
    skinDC_ = nullptr;
  }
  skinBitmap_.reset();
}

void ClsSkinner::PaintClientArea(bool value) {
  paintClientArea_ = value;
  if (hooked_ && IsWindow(hooked_)) {
    RedrawWindow(hooked_, nullptr, nullptr, RDW_INVALIDATE);
    SetWindowPos(hooked_, nullptr, 0, 0, 0, 0, kFrameChanged);
  }
}

bool ClsSkinner::LoadSkinFromFile(const std::string& path) {
  if (!PathFileExistsA(path.c_str())) return false;
  std::vector<std::uint8_t> bytes;
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return false;
  }  // the file is closed before anything is shown or decoded

  SkinFileContents contents;
  try {
    contents = ReadSkinFile(bytes.data(), bytes.size());
  } catch (const SignatureError&) {
    ShowSkinMessage(hooked_, "Error: El arhivo no es v\xE1lido o puede estar da\xF1" "ado",
                    AppTitle().c_str(), MB_ICONERROR);
    return false;
  } catch (const SkinError&) {
    return false;
  }

  // The whole new skin is checked before anything of the old one is touched: a picture
  // that does not decode, or that some piece does not fit in, keeps the current skin.
  Image picture;
  try {
    std::vector<std::uint8_t> block = contents.PictureBlock;
    block.resize(block.size() + 23, 0);
    if (!DecodeSkinPicture(ExtractSkinPicture(block), picture)) return false;
  } catch (const SkinError&) {
    return false;
  }
  if (!PiecesFitPicture(contents.Data, picture.Width, picture.Height)) return false;

  GdiObject bitmap(MakeDibSection(picture));
  HDC dc = bitmap ? CreateCompatibleDC(nullptr) : nullptr;
  if (!dc) return false;

  if (skinDC_) {
    SelectObject(skinDC_, skinDCOld_);
    DeleteDC(skinDC_);
  }
  skinDC_ = dc;
  skinBitmap_ = std::move(bitmap);
  skinDCOld_ = SelectObject(skinDC_, skinBitmap_.get());
  skin_ = contents.Data;
  picture_ = std::move(picture);
  for (int k = 0; k < 12; ++k) {
    pieceShape_[k] = PieceRuns(picture_, skin_.ActiveFrame[k]);
    activeOpaque_[k] = PieceIsOpaque(picture_, skin_.ActiveFrame[k]);
    inactiveOpaque_[k] = PieceIsOpaque(picture_, skin_.InactiveFrame[k]);
  }

  if (hooked_) {
    FreeSkinResources();
    if (menu_) ApplyMenuColor(menu_);
    ApplyMenuColor(GetSystemMenu(hooked_, FALSE));
    BuildSkinResources();
    if (GetWindowLongA(hooked_, GWL_STYLE) & WS_DLGFRAME) OnSize();  // new pieces, new outline
    RedrawWindow(hooked_, nullptr, nullptr, RDW_INVALIDATE);
    SetWindowPos(hooked_, nullptr, 0, 0, 0, 0, kFrameChanged);
  }
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

  const std::string temp = ModuleFolder() + "\\TempResourceSkin.skin";
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

void ClsSkinner::ApplyMenuColor(HMENU menu) {
  if (!menu) return;
  const COLORREF color = skin_.MenuColor == -1 ? GetSysColor(COLOR_MENU) : COLORREF(skin_.MenuColor);
  MENUINFO info = {};
  info.cbSize = sizeof info;  // 28 bytes
  info.fMask = MIM_BACKGROUND | MIM_APPLYTOSUBMENUS;
  // The menu keeps the brush for its life; the old one is deleted when replaced.
  MENUINFO old = {};
  old.cbSize = sizeof old;
  old.fMask = MIM_BACKGROUND;
  GetMenuInfo(menu, &old);
  info.hbrBack = CreateSolidBrush(color);
  if (!SetMenuInfo(menu, &info)) {
    DeleteObject(info.hbrBack);
    return;
  }
  if (old.hbrBack) DeleteObject(old.hbrBack);
  menuBrushes_[menu] = info.hbrBack;  // given back and deleted when the window is unhooked
}

bool ClsSkinner::HookForm(HWND hwnd) {
  if (hooked_) UnHookForm(hooked_);
  if (!skinDC_) return false;

  mdiClient_ = FindWindowExA(hwnd, nullptr, "MDIClient", nullptr);
  hooked_ = hwnd;
  windowDC_ = GetWindowDC(hwnd);
  style_ = GetWindowLongA(hwnd, GWL_STYLE);
  exStyle_ = GetWindowLongA(hwnd, GWL_EXSTYLE);
  menu_ = GetMenu(hwnd);

  hasMenuBar_ = false;
  if (skin_.MenuColor == -1) {
    ApplyMenuColor(menu_);
  } else if (menu_) {
    // The engine draws the menu bar itself inside the frame.
    ApplyMenuColor(menu_);
    SetMenu(hwnd, nullptr);
    hasMenuBar_ = GetMenuItemCount(menu_) > 0;
  }
  ApplyMenuColor(GetSystemMenu(hwnd, FALSE));
  hotItem_ = openItem_ = -1;
  active_ = GetActiveWindow() == hwnd;
  ResetButtonStates();

  BuildSkinResources();
  if (mdiClient_) PrepareMdiClient(mdiClient_);

  bool result = false;
  if (ssc_Subclass(hwnd, 0, 1)) {
    windowIntercepted_ = true;
    RegisterWindowMessages();
    result = true;
  }
  if (!result) {
    // Interception did not start: give back what was taken so far, the menu bar too.
    if (skin_.MenuColor != -1 && menu_ && IsWindow(hwnd)) SetMenu(hwnd, menu_);
    FreeSkinResources();
    if (windowDC_) ReleaseDC(hwnd, windowDC_);
    windowDC_ = nullptr;
    hooked_ = nullptr;
    return false;
  }
  if (!IsMdiChild()) ResizeKeepingClient();
  // The outline is made now: a resize that keeps the client size brings no WM_SIZE.
  if (GetWindowLongA(hwnd, GWL_STYLE) & WS_DLGFRAME) OnSize();
  // The client area kept its place on the screen and its pixels; where the platform's
  // menu bar stood before the engine took the menu, stale pixels would stay.
  if (hasMenuBar_) RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  return result;
}

void ClsSkinner::RegisterWindowMessages() {
  static const struct { UINT Msg; int When; } kTable[] = {
      {WM_NCHITTEST, WHEN_BEFORE},    {WM_ENTERIDLE, WHEN_BEFORE},
      {WM_HOTKEY, WHEN_BEFORE},       {WM_SYSCOMMAND, WHEN_BEFORE},
      {WM_MENUSELECT, WHEN_BEFORE},   {WM_MENUCHAR, WHEN_BEFORE},
      {WM_SYSCHAR, WHEN_BEFORE},      {WM_SYSKEYDOWN, WHEN_BEFORE},
      {WM_NCACTIVATE, WHEN_BOTH},     {WM_ACTIVATE, WHEN_BOTH},
      {WM_ACTIVATEAPP, WHEN_BOTH},    {WM_NCLBUTTONUP, WHEN_BEFORE},
      {WM_NCLBUTTONDOWN, WHEN_BOTH},  {WM_NCMOUSEMOVE, WHEN_BEFORE},
      {0xAE, WHEN_BEFORE},            {WM_NCCALCSIZE, WHEN_BEFORE},
      {WM_NCPAINT, WHEN_BEFORE},      {WM_SETICON, WHEN_AFTER},
      {WM_STYLECHANGED, WHEN_AFTER},  {WM_ERASEBKGND, WHEN_BEFORE},
      {WM_PAINT, WHEN_BEFORE},        {WM_SIZE, WHEN_BEFORE},
      // WM_DESTROY also before: the drop-shadow class style is put back while the window
      // still exists (its class can only be reached through one of its windows).
      {WM_GETMINMAXINFO, WHEN_BOTH},  {WM_DESTROY, WHEN_BOTH},
      {WM_GETICON, WHEN_AFTER},       {0x555, WHEN_AFTER},
      {WM_CREATE, WHEN_AFTER},        {WM_SHOWWINDOW, WHEN_AFTER},
  };
  for (const auto& m : kTable) WatchMessage(hooked_, int(m.Msg), m.When);
}

void ClsSkinner::PrepareMdiClient(HWND child) {
  SetWindowLongA(child, GWL_EXSTYLE, GetWindowLongA(child, GWL_EXSTYLE) & ~WS_EX_CLIENTEDGE);
  if (ssc_Subclass(child, 0, 3)) {
    WatchMessage(child, WM_ERASEBKGND, WHEN_BEFORE);
    WatchMessage(child, WM_PAINT, WHEN_BEFORE);
    WatchMessage(child, WM_MDISETMENU, WHEN_BOTH);  // after: lay out the menu the client set
    mdiIntercepted_ = true;
  }
}

void ClsSkinner::ResizeKeepingClient() {
  RECT client;
  GetClientRect(hooked_, &client);
  POINT origin = {0, 0};
  ClientToScreen(hooked_, &origin);
  const FrameSkin& f = skin_.ActiveFrame;
  const int w = client.right + f.LeftBorder() + f.RightBorder();
  const int h = client.bottom + f.CaptionHeight() + f.BottomBorder() + MenuBarHeight();
  // The window's top-left corner goes where its client area was (in the parent's
  // coordinates for a child window).
  HWND parent = GetParent(hooked_);
  if (parent && (style_ & WS_CHILD)) ScreenToClient(parent, &origin);
  SetWindowPos(hooked_, nullptr, origin.x, origin.y, w, h,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void ClsSkinner::UnHookForm(HWND hwnd) {
  StopHoverTimer();
  EndMenuMode();  // the arrow-key hot keys exist only in menu mode
  if (mdiIntercepted_) {
    StopIntercepting(mdiClient_);
    mdiIntercepted_ = false;
  }
  if (windowIntercepted_) {
    StopIntercepting(hooked_);
    windowIntercepted_ = false;
  }
  ReleaseEntryPoints(0);
  ReleaseEntryPoints(2);
  FreeSkinResources();
  ReleaseMenuBrushes();
  if (hooked_ && IsWindow(hooked_)) {
    // A window given back alive gets its standard outline and frame again.
    SetWindowRgn(hooked_, nullptr, TRUE);
    SetWindowPos(hooked_, nullptr, 0, 0, 0, 0, kFrameChanged);
  }
  if (windowDC_ && hooked_) ReleaseDC(hooked_, windowDC_);
  windowDC_ = nullptr;
  mdiClient_ = nullptr;
  menu_ = nullptr;
  hasMenuBar_ = false;
  menuLayout_ = MenuBarLayout{};
  menuCaptions_.clear();
  hotItem_ = -1;
  hooked_ = nullptr;
}

int ClsSkinner::MenuBarHeight() const {
  return hasMenuBar_ ? skin_.MenuBar.Bar[0].Height : 0;
}

}  // namespace dirsheet::skin::win32
