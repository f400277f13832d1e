// Dirsheet: the program's entry point and message loop.
#include <windows.h>

#include <objbase.h>

#include "window/Form1.h"

namespace {

int Run(HINSTANCE instance, int show) {
  dirsheet::window::Form1Services services;
  services.quitOnDestroy = true;
  std::unique_ptr<dirsheet::window::Form1> form =
      dirsheet::window::Form1::Create(instance, std::move(services), show);
  if (!form) return 1;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (form->PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  // The shell's automation objects live in this thread's apartment.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int result = Run(instance, show);
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}
