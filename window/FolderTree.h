// The folder tree `TreeView1`: its top level from the shell's Desktop, the children of a
// node read on demand when it is expanded and dropped when it is collapsed, and the
// source folder that a click on a node publishes. Names and keys are UTF-16 and the
// folders are read with the wide calls, so that a folder named in any script is shown
// and its key stays a path that opens it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "window/KeyedImageList.h"
#include "window/ShellNamespace.h"

namespace dirsheet::window {

// Parsing names of the shell folders the tree knows by name.
inline constexpr const wchar_t* kComputerKey = L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
inline constexpr const wchar_t* kControlPanelKey = L"::{21EC2020-3AEA-1069-A2DD-08002B30309D}";
inline constexpr const wchar_t* kControlPanelCategoryKey =
    L"::{26EE0668-A00A-44D7-9371-BEB064C98683}";
inline constexpr const wchar_t* kNetworkKey = L"::{F02C1A0D-BE21-4350-88B0-7367FC96EF3C}";
inline constexpr const wchar_t* kRecycleBinKey = L"::{645FF040-5081-101B-9F08-00AA002F954E}";
inline constexpr const wchar_t* kRootKey = L"Desktop";

// Class identifiers compare without regard to case ("::{20d04fe0-...}" is the computer).
bool SameShellKey(const std::wstring& a, const wchar_t* b);
// True for names of zip archives kept off the top level: ".zip" anywhere or "ZIP" at
// the end, case-sensitive ("Backup.zip", "OLD.ZIP", "MYZIP"; not "Archive.Zip").
bool IsZipName(const std::wstring& name);
// True for a drive root: one letter, a colon and a backslash ("C:\").
bool IsDriveRoot(const std::wstring& path);
// True for shell parsing names ("::{...").
bool IsShellKey(const std::wstring& key);
// The node key of a file-system path from the shell: drive roots become "C:", other
// paths lose a trailing backslash.
std::wstring FolderKey(const std::wstring& path);

// What a click on a node puts into `dir` and into panel 1 of the status bar: the key,
// a drive root as "C:", and for shell items no folder (they have no path) and their
// display name on the panel instead of a class identifier nobody can read.
struct ClickTexts {
  std::wstring dir;
  std::wstring status;
};
ClickTexts TextsForNode(const std::wstring& key, const std::wstring& name);

// True if `folder` holds at least one entry other than "." and ".." that is a folder.
bool HasSubfolder(const std::wstring& folder);

// The Desktop's items made ready for the tree: keys and names in the shell's order, each
// key once, and their pictures already in an image list. Making it needs no window and
// may run on any thread.
struct PreparedNode {
  std::wstring key;
  std::wstring name;
  bool expandable = false;  // starts with a placeholder child, so it can be opened
};
struct PreparedTopLevel {
  KeyedImageList images;     // the root's and the nodes' pictures, by key
  int plainFolderSlot = -1;  // the shared plain folder picture, when one was made
  std::vector<PreparedNode> nodes;
};
PreparedTopLevel PrepareTopLevel(ShellNamespace& shell);

class FolderTree {
 public:
  FolderTree(HWND tree, ShellNamespace& shell);
  ~FolderTree();
  FolderTree(const FolderTree&) = delete;
  FolderTree& operator=(const FolderTree&) = delete;

  // Builds the root and the Desktop's items from `prepared`, and opens the root; only the
  // first call does anything.
  void BuildTopLevel(PreparedTopLevel prepared);
  bool NodeKeyExists(const std::wstring& key) const { return byKey_.count(key) != 0; }
  // Adds the children of the node with `key`; removes nothing.
  void FillNode(const std::wstring& key);

  // Tree notifications, forwarded by the window. OnNotify returns true when handled.
  bool OnNotify(NMHDR* header, LRESULT& result);
  // The texts of the last node clicked go to the window through this callback.
  void SetClickHandler(void (*handler)(void* context, const ClickTexts&), void* context) {
    clickHandler_ = handler;
    clickContext_ = context;
  }

  HWND Handle() const { return tree_; }
  // The node of `key`, or null.
  HTREEITEM Find(const std::wstring& key) const;
  // The key of a node ("" for a placeholder) and the text it shows.
  std::wstring KeyOf(HTREEITEM item) const;
  std::wstring TextOf(HTREEITEM item) const;
  const KeyedImageList& Images() const { return images_; }

 private:
  HTREEITEM AddNode(HTREEITEM parent, const std::wstring& key, const std::wstring& text,
                    bool withImage);
  void AddPlaceholder(HTREEITEM parent, const wchar_t* text);
  void FillComputer(HTREEITEM node);
  void FillShellFolder(HTREEITEM node, int folder);
  void FillFolder(HTREEITEM node, const std::wstring& key);
  void OnExpanding(HTREEITEM item);
  void OnCollapsed(HTREEITEM item);
  void OnDeleteItem(const NMTREEVIEWA& nm);
  void Publish(HTREEITEM item);

  HWND tree_;
  ShellNamespace& shell_;
  KeyedImageList images_;
  std::unordered_map<std::wstring, HTREEITEM> byKey_;
  std::unordered_map<HTREEITEM, std::wstring> keyOf_;
  HTREEITEM root_ = nullptr;
  std::wstring desktopDir_;
  int plainFolderSlot_ = -1;  // the plain folder icon, shared by every plain folder
  void (*clickHandler_)(void*, const ClickTexts&) = nullptr;
  void* clickContext_ = nullptr;
};

}  // namespace dirsheet::window
