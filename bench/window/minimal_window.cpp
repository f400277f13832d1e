// The baseline of the start-up benchmark: the smallest Win32 program that shows a window.
// Built a second time with DIRSHEET_PROGRAM_DLLS, it also loads what Dirsheet loads before
// its first line runs (the common controls 6 through the manifest, the shell, COM and
// automation, themes), to tell that cost apart from the program's own work.
#include <windows.h>

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
  ShowWindow(h, show);
  UpdateWindow(h);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
