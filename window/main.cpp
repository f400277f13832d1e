// Dirsheet: the program's entry point and message loop.
#include <windows.h>

#include "window/Form1.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
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
