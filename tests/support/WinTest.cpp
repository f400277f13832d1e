#include "tests/support/WinTest.h"

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>

namespace dirsheet::testsupport {

void PumpPending(const MessageFilter& filter) {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (filter && filter(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void Pump(int rounds) {
  for (int i = 0; i < rounds; ++i) {
    PumpPending();
    Sleep(20);
  }
}

bool PumpUntil(const std::function<bool()>& done, int ms, const MessageFilter& filter) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > DWORD(ms)) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    PumpPending(filter);
  }
  return true;
}

void PumpFor(int ms, const MessageFilter& filter) {
  PumpUntil([] { return false; }, ms, filter);
}

// Straight from the system, not through TextCodec: the window's conversions are under test.
std::wstring Wide(const std::string& ansi) {
  if (ansi.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), nullptr, 0);
  std::wstring out(std::size_t(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), out.data(), n);
  return out;
}

ScratchFolder::ScratchFolder() {
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  static int counter = 0;
  path_ = std::string(temp) + "dirsheet-test-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(++counter);
  CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(PathW()); }

std::wstring ScratchFolder::PathW() const { return Wide(path_); }

std::string ScratchFolder::MakeFolder(const std::string& relative) const {
  std::string p = path_ + "\\" + relative;
  CreateDirectoryA(p.c_str(), nullptr);
  return p;
}

std::wstring ScratchFolder::MakeFolder(const std::wstring& relative) const {
  std::wstring p = PathW() + L"\\" + relative;
  CreateDirectoryW(p.c_str(), nullptr);
  return p;
}

std::string ScratchFolder::MakeFile(const std::string& relative, const std::string& content) const {
  std::string p = path_ + "\\" + relative;
  std::ofstream(p, std::ios::binary) << content;
  return p;
}

void ScratchFolder::RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring p = folder + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(p);
      } else {
        SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(p.c_str());
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(folder.c_str());
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Shown(HWND hwnd) { return (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

void PostClick(HWND hwnd, int x, int y) {
  LPARAM at = MAKELPARAM(x, y);
  PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(hwnd, WM_LBUTTONUP, 0, at);
}

void PostClick(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  PostClick(hwnd, rc.right / 2, rc.bottom / 2);
}

void PostKey(HWND hwnd, WPARAM key) {
  PostMessageA(hwnd, WM_KEYDOWN, key, 1);
  PostMessageA(hwnd, WM_KEYUP, key, 0xC0000001);
}

namespace {

struct BoxSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK VisitTop(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<BoxSearch*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  char cls[32] = {};
  GetClassNameA(h, cls, sizeof cls);
  if (pid == s->pid && std::string(cls) == "#32770" && IsWindowVisible(h)) {
    s->found = h;
    return FALSE;
  }
  return TRUE;
}

HWND FindBox() {
  BoxSearch s{GetCurrentProcessId(), nullptr};
  EnumWindows(VisitTop, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(std::function<void(HWND)> act) : act_(std::move(act)) {
  thread_ = std::thread([this] {
    for (int i = 0; i < 1000 && !stop_; ++i) {
      if (HWND box = FindBox()) {
        wchar_t text[2048] = {};
        GetDlgItemTextW(box, 0xFFFF, text, 2048);
        textW_ = text;
        char ansi[2048] = {};
        GetDlgItemTextA(box, 0xFFFF, ansi, sizeof ansi);
        text_ = ansi;
        if (act_)
          act_(box);
        else
          PostMessageA(box, WM_COMMAND, IDOK, 0);
        seen_ = true;
        return;
      }
      Sleep(10);
    }
  });
}

MessageBoxWatcher::~MessageBoxWatcher() {
  stop_ = true;
  thread_.join();
}

namespace {

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

}  // namespace dirsheet::testsupport
