// Benchmark driver of the main window's scan, run under Wine (start-up is measured from
// the X server by startup.py):
//   driver scan DIRSHEET.EXE CLI.EXE FOLDER LISTING RUNS
//     a scan started with a click on Start until the status reads "Done.", against
//     dirsheet-cli.exe on the same folder; while the window scans, the driver keeps
//     asking it for its status text and records the longest wait for an answer, then
//     a Stop click in a second scan and the time until the scan has ended.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kDone[] = "Done.  You can save the dirsheet.";

double Now() {
  static LARGE_INTEGER f = [] {
    LARGE_INTEGER x;
    QueryPerformanceFrequency(&x);
    return x;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return c.QuadPart * 1000.0 / f.QuadPart;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

struct Child {
  PROCESS_INFORMATION pi = {};
  bool Start(const std::string& commandLine) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string cl = commandLine;
    return CreateProcessA(nullptr, cl.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi) != FALSE;
  }
  DWORD Wait() {
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
  void Kill() {
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 5000);
  }
  ~Child() {
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
  }
};

struct Found {
  DWORD pid;
  const char* cls;
  HWND hwnd;
};

BOOL CALLBACK FindTop(HWND h, LPARAM lp) {
  auto* f = reinterpret_cast<Found*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  if (pid == f->pid && IsWindowVisible(h) && GetWindow(h, GW_OWNER) == nullptr) {
    f->hwnd = h;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindChildClass(HWND h, LPARAM lp) {
  auto* f = reinterpret_cast<Found*>(lp);
  char cls[64] = {};
  GetClassNameA(h, cls, sizeof cls);
  if (lstrcmpiA(cls, f->cls) == 0) {
    f->hwnd = h;
    return FALSE;
  }
  return TRUE;
}

HWND ShownWindowOf(DWORD pid) {
  Found f{pid, nullptr, nullptr};
  EnumWindows(FindTop, reinterpret_cast<LPARAM>(&f));
  return f.hwnd;
}

HWND ChildOfClass(HWND top, const char* cls) {
  Found f{0, cls, nullptr};
  EnumChildWindows(top, FindChildClass, reinterpret_cast<LPARAM>(&f));
  return f.hwnd;
}

struct ButtonSearch {
  const char* text;
  HWND hwnd;
};

BOOL CALLBACK FindButton(HWND h, LPARAM lp) {
  auto* s = reinterpret_cast<ButtonSearch*>(lp);
  char t[64] = {}, cls[32] = {};
  GetClassNameA(h, cls, sizeof cls);
  GetWindowTextA(h, t, sizeof t);
  if (lstrcmpiA(cls, "Button") == 0 && lstrcmpA(t, s->text) == 0) {
    s->hwnd = h;
    return FALSE;
  }
  return TRUE;
}

HWND ButtonWithText(HWND top, const char* text) {
  ButtonSearch s{text, nullptr};
  EnumChildWindows(top, FindButton, reinterpret_cast<LPARAM>(&s));
  return s.hwnd;
}

std::string StatusOf(HWND status, double& waitMs) {
  char text[512] = {};
  DWORD_PTR got = 0;
  double t = Now();
  // WM_GETTEXT of a status bar gives its first panel, marshalled across processes.
  SendMessageTimeoutA(status, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                      10000, &got);
  waitMs = Now() - t;
  return text;
}

struct ScanResult {
  double ms = -1;
  double longestWait = 0;
  double stopMs = -1;
};

// Starts Dirsheet, puts the folder into `dir`, clicks Start and waits for "Done.". With
// `stopAfterMs`, clicks Stop after that long and measures until "Done.".
ScanResult WindowScan(const std::string& exe, const std::string& folder, double stopAfterMs) {
  ScanResult r;
  Child child;
  if (!child.Start("\"" + exe + "\"")) return r;
  HWND top = nullptr, tree = nullptr;
  for (double t0 = Now(); Now() - t0 < 30000 && !tree; Sleep(5)) {
    top = ShownWindowOf(child.pi.dwProcessId);
    if (top) tree = ChildOfClass(top, WC_TREEVIEWA);
  }
  HWND status = top ? ChildOfClass(top, STATUSCLASSNAMEA) : nullptr;
  HWND start = top ? ButtonWithText(top, "Start") : nullptr;
  HWND stop = top ? ButtonWithText(top, "Stop") : nullptr;
  // `dir` is the first edit box of the Main page.
  HWND edit = start ? ChildOfClass(GetParent(start), "Edit") : nullptr;
  if (!status || !edit || !start || !stop) {
    child.Kill();
    return r;
  }
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
  double t0 = Now();
  PostMessageA(start, BM_CLICK, 0, 0);
  bool stopped = false;
  double stopAt = 0;
  bool walking = false;
  for (;;) {
    double wait = 0;
    std::string text = StatusOf(status, wait);
    // The options are disabled while the walk runs; the viewer is opened after it.
    bool disabled = !IsWindowEnabled(edit);
    if (walking && disabled) r.longestWait = std::max(r.longestWait, wait);
    if (disabled) walking = true;
    if (stopped && r.stopMs < 0 && walking && !disabled) r.stopMs = Now() - stopAt;
    if (text == kDone) break;
    if (stopAfterMs > 0 && !stopped && Now() - t0 > stopAfterMs) {
      stopAt = Now();
      PostMessageA(stop, BM_CLICK, 0, 0);
      stopped = true;
    }
    if (Now() - t0 > 600000) break;
    Sleep(2);
  }
  r.ms = Now() - t0;
  child.Kill();
  return r;
}

double CliScan(const std::string& cli, const std::string& folder, const std::string& out) {
  Child child;
  double t0 = Now();
  if (!child.Start("\"" + cli + "\" -q -o \"" + out + "\" \"" + folder + "\"")) return -1;
  child.Wait();
  return Now() - t0;
}

int Scan(const std::string& dirsheet, const std::string& cli, const std::string& folder,
         const std::string& out, int runs) {
  std::vector<double> win, tool, waits;
  CliScan(cli, folder, out);  // warm the caches
  for (int i = 0; i < runs; ++i) {
    tool.push_back(CliScan(cli, folder, out));
    ScanResult r = WindowScan(dirsheet, folder, 0);
    win.push_back(r.ms);
    waits.push_back(r.longestWait);
  }
  double w = Median(win), c = Median(tool);
  std::printf("scan, median of %d: dirsheet-cli.exe %.0f ms, window %.0f ms, ratio %.2f\n", runs, c,
              w, c > 0 ? w / c : 0);
  std::printf("window while walking: longest wait for an answer to a message %.0f ms\n",
              *std::max_element(waits.begin(), waits.end()));
  ScanResult s = WindowScan(dirsheet, folder, std::min(1000.0, w / 3));
  std::printf(
      "Stop clicked %.0f ms into a scan: walk wound down and options enabled again %.0f "
      "ms after the click\n",
      std::min(1000.0, w / 3), s.stopMs);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "scan" && argc == 7)
    return Scan(argv[2], argv[3], argv[4], argv[5], std::atoi(argv[6]));
  std::fprintf(stderr, "usage: driver scan DIRSHEET.EXE CLI.EXE FOLDER CLI-OUTPUT RUNS\n");
  return 2;
}
