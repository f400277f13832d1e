// Expanding a folder of 2,000 subfolders in the window's tree (keyboard expand, children
// read and drawn), against the bare reading the tree cannot avoid: one enumeration of the
// folder and one of each child (to know whether it gets an expand button).
#include <cstdio>

#include "tests/window/FormTestSupport.h"

using namespace dirsheet::window;
using namespace dirsheet::window::test;

namespace {

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return c.QuadPart * 1000.0 / f.QuadPart;
}

int Enumerate(const std::wstring& folder) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do ++n;
  while (FindNextFileW(h, &fd));
  FindClose(h);
  return n;
}

}  // namespace

int main() {
  const int kFolders = 2000;
  ScratchFolder folder;
  std::wstring big = Wide(folder.MakeFolder("big"));
  for (int i = 0; i < kFolders; ++i) {
    std::string child = "big\\d" + std::to_string(i);
    folder.MakeFolder(child);
    if (i % 2) folder.MakeFolder(child + "\\x");
  }
  auto bareReading = [&] {
    Enumerate(big);
    for (int i = 0; i < kFolders; ++i) Enumerate(big + L"\\d" + std::to_wstring(i));
  };
  bareReading();  // warms the caches for both
  double t = Now();
  bareReading();
  double bare = Now() - t;

  auto shell = std::make_unique<FixedShell>();
  shell->desktop.push_back({L"Big", big, true});
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path(), std::move(shell)), SW_SHOWNORMAL);
  HTREEITEM node = form->Tree().Find(big);
  ClickNode(form->TreeView1(), node);
  PumpForm(form.get());
  SetFocus(form->TreeView1());
  t = Now();
  PostKey(form->TreeView1(), VK_RIGHT);
  PumpForm(form.get());
  double expand = Now() - t;
  size_t children = ChildKeys(*form, node).size();
  t = Now();
  PostKey(form->TreeView1(), VK_LEFT);
  PumpForm(form.get());
  double collapse = Now() - t;
  std::printf(
      "expand a folder of %d subfolders: %.0f ms (%zu children), bare enumeration %.0f ms, "
      "ratio %.2f; collapse %.0f ms\n",
      kFolders, expand, children, bare, bare > 0 ? expand / bare : 0, collapse);
  // Leaves without taking the shown window down (that waits for a window manager).
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), 0);
}
