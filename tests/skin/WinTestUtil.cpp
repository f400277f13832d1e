#include "tests/skin/WinTestUtil.h"

#include <cstdint>
#include <map>

#include "skin/win32/ClsSkinner.h"

namespace dirsheet::skin::testing {

namespace {

std::vector<ShownMessage> g_shown;

int Record(HWND, const char* text, const char* caption, UINT type) {
  g_shown.push_back({text, caption, type});
  return IDOK;
}

std::map<HWND, TestProc>& Procs() {
  static std::map<HWND, TestProc> procs;
  return procs;
}
TestProc g_pendingProc;

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE && g_pendingProc) Procs()[hwnd] = std::move(g_pendingProc);
  auto it = Procs().find(hwnd);
  if (it != Procs().end()) {
    LRESULT r = 0;
    TestProc p = it->second;  // the proc may erase itself
    if (p(hwnd, msg, wp, lp, r)) return r;
  }
  if (msg == WM_NCDESTROY) Procs().erase(hwnd);
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

MessageRecorder::MessageRecorder() {
  g_shown.clear();
  win32::SetSkinMessageBox(Record);
}
MessageRecorder::~MessageRecorder() { win32::SetSkinMessageBox(nullptr); }
const std::vector<ShownMessage>& MessageRecorder::Shown() const { return g_shown; }
void MessageRecorder::Clear() { g_shown.clear(); }

WNDPROC TestWindowProc() { return Proc; }

HWND MakeTestWindow(const char* caption, int x, int y, int cx, int cy, TestProc proc, DWORD style) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "SkinTestWindow";
    RegisterClassA(&wc);
    registered = true;
  }
  g_pendingProc = std::move(proc);
  HWND hwnd = CreateWindowExA(0, "SkinTestWindow", caption, style, x, y, cx, cy, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  g_pendingProc = nullptr;
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  Pump();
  return hwnd;
}

void Pump(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    Sleep(20);
  }
}

COLORREF ScreenPixel(int x, int y) {
  HDC screen = GetDC(nullptr);
  COLORREF c = GetPixel(screen, x, y);
  ReleaseDC(nullptr, screen);
  return c;
}

COLORREF WindowPixel(HWND hwnd, int x, int y) {
  RECT r;
  GetWindowRect(hwnd, &r);
  return ScreenPixel(r.left + x, r.top + y);
}

COLORREF ClientPixel(HWND hwnd, int x, int y) {
  POINT p = {x, y};
  ClientToScreen(hwnd, &p);
  return ScreenPixel(p.x, p.y);
}

int Capture::Count(const RECT& a, COLORREF c) const {
  int n = 0;
  for (int y = a.top; y < a.bottom; ++y)
    for (int x = a.left; x < a.right; ++x) n += At(x, y) == c;
  return n;
}

Capture CaptureWindow(HWND hwnd) {
  RECT r;
  GetWindowRect(hwnd, &r);
  Capture cap;
  cap.Width = r.right - r.left;
  cap.Height = r.bottom - r.top;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = cap.Width;
  bi.bmiHeader.biHeight = -cap.Height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC mem = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, cap.Width, cap.Height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const auto* px = static_cast<const std::uint32_t*>(bits);
  cap.Pixels.resize(std::size_t(cap.Width) * cap.Height);
  for (std::size_t i = 0; i < cap.Pixels.size(); ++i) {
    const std::uint32_t v = px[i];  // 0x00RRGGBB in the DIB
    cap.Pixels[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  ReleaseDC(nullptr, screen);
  return cap;
}

std::string TempPath(const std::string& name) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

}  // namespace dirsheet::skin::testing
