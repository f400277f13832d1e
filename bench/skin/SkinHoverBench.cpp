// Pointer moves over a skinned window against the same moves over an unskinned one, both
// in this run: each step asks the window for its hit code at a point and sends the
// non-client move message with it, as the platform does for every pointer move. The
// points sweep the caption (buttons, icon, text) and the borders, so the skinned window
// repaints its frame whenever the pointer comes onto a caption button.
//
//   skin_hover_bench [SKIN_FILE] [MOVES]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "skin/win32/ClsSkinner.h"

namespace {

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

HWND MakeWindow(const char* caption) {
  HWND h = CreateWindowExA(0, "SkinHoverBench", caption, WS_OVERLAPPEDWINDOW, 60, 60, 500, 360,
                           nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ShowWindow(h, SW_SHOW);
  UpdateWindow(h);
  return h;
}

void Pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

// Milliseconds for `moves` pointer moves along the caption and down the right border.
double Run(HWND h, int moves) {
  Pump();
  RECT r;
  GetWindowRect(h, &r);
  const int W = r.right - r.left, H = r.bottom - r.top;
  LARGE_INTEGER f, t0, t1;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  for (int i = 0; i < moves; ++i) {
    const bool caption = (i / 64) % 2 == 0;
    const int x = caption ? r.left + W - 1 - (i * 7) % W : r.right - 1 - (i % 4);
    const int y = caption ? r.top + 4 + (i % 16) : r.top + (i * 5) % H;
    const LPARAM at = MAKELPARAM(x, y);
    const LRESULT hit = SendMessageA(h, WM_NCHITTEST, 0, at);
    SendMessageA(h, WM_NCMOUSEMOVE, WPARAM(hit), at);
  }
  QueryPerformanceCounter(&t1);
  Pump();
  return 1000.0 * double(t1.QuadPart - t0.QuadPart) / double(f.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string skin = argc > 1 ? argv[1] : "images\\RAD.Skin";
  const int moves = argc > 2 ? std::atoi(argv[2]) : 3000;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "SkinHoverBench";
  RegisterClassA(&wc);

  dirsheet::skin::win32::ClsSkinner engine;
  if (!engine.LoadSkinFromFile(skin)) {
    std::fprintf(stderr, "cannot load %s\n", skin.c_str());
    return 1;
  }
  HWND plain = MakeWindow("Unskinned");
  HWND skinned = MakeWindow("Skinned");
  if (!engine.HookForm(skinned)) return 1;

  // Warm-up, then alternate the two so that both see the same machine load.
  Run(plain, 200);
  Run(skinned, 200);
  double p = 0, s = 0;
  const int rounds = 3;
  for (int i = 0; i < rounds; ++i) {
    p += Run(plain, moves / rounds);
    s += Run(skinned, moves / rounds);
  }
  const int n = rounds * (moves / rounds);
  std::printf("pointer moves: %d each\n", n);
  std::printf("unskinned: %.1f us per move\n", 1000.0 * p / n);
  std::printf("skinned:   %.1f us per move\n", 1000.0 * s / n);
  std::printf("ratio skinned/unskinned: %.2f\n", s / p);
  DestroyWindow(skinned);
  DestroyWindow(plain);
  return 0;
}
