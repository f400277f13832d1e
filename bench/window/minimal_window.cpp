// The baseline of the start-up benchmark: the smallest Win32 program that shows a window.
// Built a second time with DIRSHEET_PROGRAM_DLLS, it also loads what Dirsheet loads before
// its first line runs (the common controls 6 through the manifest, the shell, COM and
// automation, themes), to tell that cost apart from the program's own work. Built a third
// time with DIRSHEET_PROGRAM_CONTROLS as well, it also shows the main page's controls at
// their places (classic style, the tree with five plain nodes; no skin, no pictures, no
// shell): what the window itself costs under the platform, without the program's work.
#include <windows.h>

#ifdef DIRSHEET_PROGRAM_CONTROLS
#define DIRSHEET_PROGRAM_DLLS
#endif

#ifdef DIRSHEET_PROGRAM_DLLS
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <uxtheme.h>
#endif

static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(h, msg, wp, lp);
}

#ifdef DIRSHEET_PROGRAM_CONTROLS
// A frame: an etched edge and its caption, as the program's frames draw them.
static LRESULT CALLBACK FrameProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    r.top += 6;
    DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
    char text[64];
    int n = GetWindowTextA(h, text, sizeof text);
    if (n > 0) {
      HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0)));
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      TextOutA(dc, 8, 0, text, n);
      SelectObject(dc, old);
    }
    EndPaint(h, &ps);
    return 0;
  }
  if (msg == WM_SETFONT) {
    SetPropA(h, "font", reinterpret_cast<HANDLE>(wp));
    return 0;
  }
  if (msg == WM_GETFONT) return reinterpret_cast<LRESULT>(GetPropA(h, "font"));
  return DefWindowProcA(h, msg, wp, lp);
}

static HFONT g_font;

// A control placed in twips (15 to the pixel at 96 dots per inch).
static HWND Add(HWND parent, const char* cls, const char* text, DWORD style, int x, int y, int w,
                int h, DWORD ex = 0) {
  HWND c = CreateWindowExA(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x / 15, y / 15, w / 15,
                           h / 15, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
  SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(g_font), FALSE);
  return c;
}

static void AddControls(HWND form) {
  SetThemeAppProperties(STAP_ALLOW_NONCLIENT);
  NONCLIENTMETRICSA ncm = {};
  ncm.cbSize = sizeof ncm;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  g_font = CreateFontIndirectA(&ncm.lfMessageFont);
  WNDCLASSA fc = {};
  fc.lpfnWndProc = FrameProc;
  fc.hInstance = GetModuleHandleA(nullptr);
  fc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  fc.lpszClassName = "PeerFrame";
  RegisterClassA(&fc);
  const DWORD frame = WS_CLIPSIBLINGS;
  HWND page = Add(form, "PeerFrame", "", frame, 240, 600, 7500, 5655, WS_EX_CONTROLPARENT);
  Add(page, "BUTTON", "Start", WS_TABSTOP, 120, 240, 1215, 975);
  Add(page, "BUTTON", "Stop", WS_TABSTOP, 1440, 240, 1215, 975);
  Add(page, "BUTTON", "Save as...", WS_TABSTOP, 6000, 240, 1215, 975);
  Add(page, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, 120, 1320, 3015, 315, WS_EX_CLIENTEDGE);
  const DWORD combo = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
  SetWindowTextA(Add(page, "COMBOBOX", "", combo, 3240, 1320, 1935, 2400), "No order");
  SetWindowTextA(Add(page, "COMBOBOX", "", combo, 5880, 1320, 1455, 1600), "Text");
  HWND source = Add(page, "PeerFrame", "Source Folder", frame, 120, 1800, 4455, 3735);
  HWND tree = Add(source, WC_TREEVIEWA, "",
                  WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                  120, 240, 4215, 3375, WS_EX_CLIENTEDGE);
  HWND filter = Add(page, "PeerFrame", "Filter", frame, 4800, 1800, 2535, 1095);
  Add(filter, "EDIT", "*", WS_TABSTOP | ES_AUTOHSCROLL, 240, 360, 2055, 375, WS_EX_CLIENTEDGE);
  HWND attributes = Add(page, "PeerFrame", "Attributes to save", frame, 4800, 3600, 2535, 1935);
  const char* checks[4] = {"Type", "Size", "Created date", "Last modified date"};
  for (int i = 0; i < 4; ++i)
    Add(attributes, "BUTTON", checks[i], WS_TABSTOP | BS_AUTOCHECKBOX, 120, 360 + 360 * i, 2175,
        255);
  HWND tab = Add(form, WC_TABCONTROLA, "", WS_TABSTOP | WS_CLIPSIBLINGS, 240, 120, 7575, 6255);
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  item.pszText = const_cast<char*>("Main");
  SendMessageA(tab, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  item.pszText = const_cast<char*>("About");
  SendMessageA(tab, TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&item));
  SetWindowPos(tab, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  HWND status = Add(form, STATUSCLASSNAMEA, "", CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER,
                    120, 6480, 7725, 375);
  int parts[1] = {-1};
  SendMessageA(status, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
  TVINSERTSTRUCTA ins = {};
  ins.hParent = TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT;
  ins.item.pszText = const_cast<char*>("Desktop");
  HTREEITEM root = reinterpret_cast<HTREEITEM>(
      SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
  ins.hParent = root;
  const char* names[4] = {"(Z:)", "My Computer", "Documents", "Trash"};
  for (const char* name : names) {
    ins.item.pszText = const_cast<char*>(name);
    SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins));
  }
  SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
}
#endif

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
#ifdef DIRSHEET_PROGRAM_DLLS
  // One call into each library, so that each is imported (and loaded at start).
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  SysFreeString(SysAllocString(L"x"));
  PathIsDirectoryW(L"C:\\");
  wchar_t path[MAX_PATH];
  SHGetSpecialFolderPathW(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE);
  IsThemeActive();
#endif
  WNDCLASSA wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "MinimalWindow";
  RegisterClassA(&wc);
  HWND h = CreateWindowA("MinimalWindow", "Minimal window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                         CW_USEDEFAULT, 540, 490, nullptr, nullptr, instance, nullptr);
#ifdef DIRSHEET_PROGRAM_CONTROLS
  AddControls(h);
#endif
  ShowWindow(h, show);
  UpdateWindow(h);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
