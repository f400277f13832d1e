// Helpers of the window tests: a scratch folder, real mouse and keyboard messages for
// controls, a message pump, and a watcher that finds and closes message boxes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "window/Form1.h"

namespace dirsheet::window::test {

// A fresh folder below the temporary folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    static int counter = 0;
    path_ = std::string(temp) + "dirsheet-window-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() { RemoveTree(path_); }
  const std::string& Path() const { return path_; }
  std::string MakeFolder(const std::string& relative) const {
    std::string p = path_ + "\\" + relative;
    CreateDirectoryA(p.c_str(), nullptr);
    return p;
  }
  std::string MakeFile(const std::string& relative, const std::string& content = "x") const {
    std::string p = path_ + "\\" + relative;
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }
  static void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        std::string p = folder + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          RemoveTree(p);
        else {
          SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileA(p.c_str());
        }
      } while (FindNextFileA(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryA(folder.c_str());
  }

 private:
  std::string path_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// True when the control itself is set to show (its window may be hidden).
inline bool Shown(HWND hwnd) { return (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }

// Makes the window for a test. Hidden unless the test needs it on screen: without a
// window manager, taking a shown window off the screen waits for an answer that never
// comes (two seconds under Wine with a bare X server).
inline std::unique_ptr<Form1> MakeForm(Form1Services services, int show = SW_HIDE) {
  auto form = Form1::Create(GetModuleHandleA(nullptr), std::move(services), show);
  MSG msg;
  while (form && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (form->PreTranslate(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return form;
}

// Dispatches the messages waiting in the thread's queue, the window's keyboard handling
// first, for at least `ms` milliseconds.
inline void Pump(Form1* form = nullptr, DWORD ms = 0) {
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (form && form->PreTranslate(msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (ms) Sleep(1);
  } while (GetTickCount() - start < ms);
}

// A left click at a point of a control's client area, as the mouse gives it.
inline void PostClick(HWND hwnd, int x, int y) {
  LPARAM at = MAKELPARAM(x, y);
  PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageA(hwnd, WM_LBUTTONUP, 0, at);
}

inline void PostClick(HWND hwnd) {
  RECT rc;
  GetClientRect(hwnd, &rc);
  PostClick(hwnd, rc.right / 2, rc.bottom / 2);
}

inline void PostKey(HWND hwnd, WPARAM key) {
  PostMessageA(hwnd, WM_KEYDOWN, key, 1);
  PostMessageA(hwnd, WM_KEYUP, key, 0xC0000001);
}

// Selects a tree node by a click on its label and returns whether it was visible.
inline bool ClickNode(HWND tree, HTREEITEM item) {
  TreeView_EnsureVisible(tree, item);
  RECT rc;
  *reinterpret_cast<HTREEITEM*>(&rc) = item;
  if (!SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rc))) return false;
  PostClick(tree, rc.left + 2, (rc.top + rc.bottom) / 2);
  return true;
}

// Expands (VK_RIGHT) or collapses (VK_LEFT) the selected node the way the keyboard does.
inline void KeyOnNode(Form1& form, HTREEITEM item, WPARAM key) {
  HWND tree = form.TreeView1();
  ClickNode(tree, item);
  Pump(&form);
  SetFocus(tree);
  PostKey(tree, key);
  Pump(&form);
}

inline std::vector<std::string> ChildKeys(Form1& form, HTREEITEM parent) {
  std::vector<std::string> keys;
  HWND tree = form.TreeView1();
  for (HTREEITEM c = TreeView_GetChild(tree, parent); c; c = TreeView_GetNextSibling(tree, c))
    keys.push_back(form.Tree().KeyOf(c));
  return keys;
}

inline std::string ItemText(HWND tree, HTREEITEM item) {
  char buf[300] = {};
  TVITEMA it = {};
  it.mask = TVIF_TEXT;
  it.hItem = item;
  it.pszText = buf;
  it.cchTextMax = sizeof buf;
  SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&it));
  return buf;
}

// Watches for a dialog box of this process on another thread and hands it to `act`
// (by default: record the message text and close it with OK).
class MessageBoxWatcher {
 public:
  explicit MessageBoxWatcher(std::function<void(HWND)> act = nullptr) : act_(std::move(act)) {
    thread_ = std::thread([this] {
      for (int i = 0; i < 1000 && !stop_; ++i) {
        HWND box = FindBox();
        if (box) {
          char text[1024] = {};
          GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
          text_ = text;
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
  ~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
  }
  bool Seen() const { return seen_; }
  std::string Text() const { return seen_ ? text_ : std::string(); }

 private:
  struct Search {
    DWORD pid;
    HWND found;
  };
  static BOOL CALLBACK Visit(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
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
  static HWND FindBox() {
    Search s{GetCurrentProcessId(), nullptr};
    EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
    return s.found;
  }

  std::function<void(HWND)> act_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> seen_{false};
  std::string text_;
};

// Services that record what the window asks of the outside world.
struct Recorder {
  std::vector<std::pair<std::string, std::string>> launched;
  std::vector<SaveRequest> saveRequests;
  std::optional<std::string> saveAnswer;

  Form1Services Services(const std::string& listingFolder,
                         std::unique_ptr<ShellNamespace> shell = nullptr) {
    Form1Services s;
    s.launch = [this](const std::string& file, const std::string& params) {
      launched.emplace_back(file, params);
    };
    s.askSaveName = [this](HWND, const SaveRequest& r) {
      saveRequests.push_back(r);
      return saveAnswer;
    };
    s.listingFolder = listingFolder;
    s.shell = std::move(shell);
    return s;
  }
};

// A shell namespace with fixed items, for trees of known content.
class FixedShell : public ShellNamespace {
 public:
  std::vector<ShellItem> desktop, drives, controlPanel, network;
  std::vector<ShellItem> Items(int folder) override {
    switch (folder) {
      case kShellDesktop: return desktop;
      case kShellDrives: return drives;
      case kShellControlPanel: return controlPanel;
      case kShellNetwork: return network;
    }
    return {};
  }
};

}  // namespace dirsheet::window::test
