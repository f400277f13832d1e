// Helpers of the main window's tests: making the window, pumping its messages through
// its own keyboard handling, driving its tree, and services that record what the window
// asks of the outside world. The generic helpers are those of tests/support.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/WinTest.h"
#include "window/Form1.h"

namespace dirsheet::window::test {

using namespace dirsheet::testsupport;

// Makes the window for a test. Hidden unless the test needs it on screen: without a
// window manager, taking a shown window off the screen waits for an answer that never
// comes (two seconds under Wine with a bare X server).
inline std::unique_ptr<Form1> MakeForm(Form1Services services, int show = SW_HIDE) {
  auto form = Form1::Create(GetModuleHandleA(nullptr), std::move(services), show);
  if (form) PumpPending([&](MSG& m) { return form->PreTranslate(m); });
  return form;
}

// Dispatches the waiting messages, the window's keyboard handling first, for at least
// `ms` milliseconds.
inline void PumpForm(Form1* form, DWORD ms = 0) {
  MessageFilter filter = [form](MSG& m) { return form && form->PreTranslate(m); };
  PumpPending(filter);
  if (ms) PumpFor(static_cast<int>(ms), filter);
}

// The rectangle of a node's label in the tree's client area.
inline RECT NodeRect(HWND tree, HTREEITEM item) {
  TreeView_EnsureVisible(tree, item);
  RECT rc;
  std::memcpy(&rc, &item, sizeof item);  // the item goes in, its rectangle comes out
  SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&rc));
  return rc;
}

// Selects a tree node by a click on its label.
inline void ClickNode(HWND tree, HTREEITEM item) {
  const RECT rc = NodeRect(tree, item);
  PostClick(tree, rc.left + 2, (rc.top + rc.bottom) / 2);
}

// Expands (VK_RIGHT) or collapses (VK_LEFT) the selected node the way the keyboard does.
inline void KeyOnNode(Form1& form, HTREEITEM item, WPARAM key) {
  HWND tree = form.TreeView1();
  ClickNode(tree, item);
  PumpForm(&form);
  SetFocus(tree);
  PostKey(tree, key);
  PumpForm(&form);
}

inline std::vector<std::wstring> ChildKeys(Form1& form, HTREEITEM parent) {
  std::vector<std::wstring> keys;
  HWND tree = form.TreeView1();
  for (HTREEITEM c = TreeView_GetChild(tree, parent); c; c = TreeView_GetNextSibling(tree, c))
    keys.push_back(form.Tree().KeyOf(c));
  return keys;
}

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
      return true;
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
      case kShellDesktop:
        return desktop;
      case kShellDrives:
        return drives;
      case kShellControlPanel:
        return controlPanel;
      case kShellNetwork:
        return network;
    }
    return {};
  }
};

}  // namespace dirsheet::window::test
