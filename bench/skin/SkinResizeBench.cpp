// Resize painting of a skinned window against the same resizes of an unskinned window,
// both in this run: each step resizes the window, which rebuilds the outline of the
// skinned one, and has the frame painted at once. GDI handles are counted before and
// after each run.
//
//   skin_resize_bench [SKIN_FILE] [RESIZES]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "skin/win32/ClsSkinner.h"

namespace {

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

HWND MakeWindow(const char* caption) {
  HWND h = CreateWindowExA(0, "SkinBench", caption, WS_OVERLAPPEDWINDOW, 60, 60, 500, 360, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
  ShowWindow(h, SW_SHOW);
  UpdateWindow(h);
  return h;
}

void Pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
}

struct Result {
  double Ms;
  DWORD GdiBefore, GdiAfter;
};

// GetGuiResources may answer 0 (Wine does): then a leak shows as a growing handle slot,
// since freed GDI handle slots are handed out again first.
DWORD GdiCount() {
  const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (n != 0) return n;
  HRGN probe = CreateRectRgn(0, 0, 1, 1);
  const DWORD slot = DWORD(reinterpret_cast<ULONG_PTR>(probe) & 0xFFFF);
  DeleteObject(probe);
  return slot;
}

Result Run(HWND h, int resizes) {
  Pump();
  const DWORD before = GdiCount();
  LARGE_INTEGER f, t0, t1;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  for (int i = 0; i < resizes; ++i) {
    const int w = 400 + (i * 37) % 300, hgt = 300 + (i * 23) % 200;
    SetWindowPos(h, nullptr, 0, 0, w, hgt, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  }
  QueryPerformanceCounter(&t1);
  Pump();
  const DWORD after = GdiCount();
  return {1000.0 * double(t1.QuadPart - t0.QuadPart) / double(f.QuadPart), before, after};
}

}  // namespace

int main(int argc, char** argv) {
  const std::string skin = argc > 1 ? argv[1] : "images\\RAD.Skin";
  const int resizes = argc > 2 ? std::atoi(argv[2]) : 300;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = "SkinBench";
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
  Run(plain, 20);
  Run(skinned, 20);
  Result p{0, 0, 0}, s{0, 0, 0};
  const int rounds = 3;
  for (int r = 0; r < rounds; ++r) {
    Result a = Run(plain, resizes / rounds);
    Result b = Run(skinned, resizes / rounds);
    p.Ms += a.Ms;
    s.Ms += b.Ms;
    if (r == 0) {
      p.GdiBefore = a.GdiBefore;
      s.GdiBefore = b.GdiBefore;
    }
    p.GdiAfter = a.GdiAfter;
    s.GdiAfter = b.GdiAfter;
  }
  const int n = rounds * (resizes / rounds);
  std::printf("resizes: %d each\n", n);
  std::printf("GDI objects by %s\n", GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)
                                         ? "GetGuiResources"
                                         : "handle slot (GetGuiResources answers 0)");
  std::printf("unskinned: %.3f ms per resize (GDI objects %lu -> %lu)\n", p.Ms / n,
              static_cast<unsigned long>(p.GdiBefore), static_cast<unsigned long>(p.GdiAfter));
  std::printf("skinned:   %.3f ms per resize (GDI objects %lu -> %lu)\n", s.Ms / n,
              static_cast<unsigned long>(s.GdiBefore), static_cast<unsigned long>(s.GdiAfter));
  std::printf("ratio skinned/unskinned: %.2f\n", s.Ms / p.Ms);

  // Where the skinned time goes: painting the frame alone.
  LARGE_INTEGER f, t0, t1;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  for (int i = 0; i < n; ++i) engine.PaintFrame();
  QueryPerformanceCounter(&t1);
  std::printf("PaintFrame alone: %.3f ms\n",
              1000.0 * double(t1.QuadPart - t0.QuadPart) / double(f.QuadPart) / n);
  DestroyWindow(skinned);
  DestroyWindow(plain);
  return 0;
}
