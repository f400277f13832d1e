#include "tests/support/XInput.h"

#include "platform/win32/ProgramFolder.h"

namespace dirsheet::testsupport {

void Xdo(const std::string& args, bool wait) {
  std::string cmd = "Z:\\usr\\bin\\xdotool " + args;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    ADD_FAILURE() << "xdotool did not start: " << GetLastError();
    return;
  }
  CloseHandle(pi.hThread);
  if (wait) WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hProcess);
}

void MoveTo(int x, int y) {
  Xdo("mousemove " + std::to_string(x) + " " + std::to_string(y));
  PumpFor(150);
}

void ClickAt(POINT p) {
  Xdo("mousemove " + std::to_string(p.x) + " " + std::to_string(p.y) + " click 1");
  PumpFor(200);
}

POINT CentreOf(HWND hwnd, const RECT& r) {
  POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(hwnd, &p);
  return p;
}

POINT CentreOf(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  return CentreOf(hwnd, r);
}

Watcher::Watcher(std::function<bool()> step) : step_(std::move(step)) {
  id_ = SetTimer(nullptr, 0, 20, Tick);
  Live()[id_] = this;
}

Watcher::~Watcher() {
  KillTimer(nullptr, id_);
  Live().erase(id_);
}

std::map<UINT_PTR, Watcher*>& Watcher::Live() {
  static std::map<UINT_PTR, Watcher*> live;
  return live;
}

VOID CALLBACK Watcher::Tick(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = Live().find(id);
  if (it == Live().end()) return;
  Watcher* w = it->second;
  if (w->done_ || w->busy_) return;
  w->busy_ = true;
  w->done_ = w->step_();
  w->busy_ = false;
}

HWND OpenPopup() {
  HWND h = FindWindowA("#32768", nullptr);
  return h && IsWindowVisible(h) ? h : nullptr;
}

void UnmanagedWindows::SetUp() {
  std::string exe = platform::win32::ProgramPath();
  exe = exe.substr(exe.find_last_of("\\/") + 1);
  HKEY key;
  const std::string sub = "Software\\Wine\\AppDefaults\\" + exe + "\\X11 Driver";
  if (RegCreateKeyA(HKEY_CURRENT_USER, sub.c_str(), &key) == ERROR_SUCCESS) {
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
  }
}

}  // namespace dirsheet::testsupport
