// The folder tree `TreeView1`: its top level from the shell's Desktop, the children of a
// node read on demand when it is expanded and dropped when it is collapsed, and the
// source folder that a click on a node publishes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>

#include "window/KeyedImageList.h"
#include "window/ShellNamespace.h"
#include "window/Win32Util.h"

namespace dirsheet::window {

// Parsing names of the shell folders the tree knows by name.
inline constexpr const char* kComputerKey = "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
inline constexpr const char* kControlPanelKey = "::{21EC2020-3AEA-1069-A2DD-08002B30309D}";
inline constexpr const char* kControlPanelCategoryKey = "::{26EE0668-A00A-44D7-9371-BEB064C98683}";
inline constexpr const char* kNetworkKey = "::{F02C1A0D-BE21-4350-88B0-7367FC96EF3C}";
inline constexpr const char* kRecycleBinKey = "::{645FF040-5081-101B-9F08-00AA002F954E}";
inline constexpr const char* kRootKey = "Desktop";

// Class identifiers compare without regard to case ("::{20d04fe0-...}" is the computer).
bool SameShellKey(const std::string& a, const char* b);
// True for names of zip archives kept off the top level: ".zip" anywhere or "ZIP" at
// the end, case-sensitive ("Backup.zip", "OLD.ZIP", "MYZIP"; not "Archive.Zip").
bool IsZipName(const std::string& name);
// True for a drive root: one letter, a colon and a backslash ("C:\").
bool IsDriveRoot(const std::string& path);
// True for shell parsing names ("::{...").
bool IsShellKey(const std::string& key);
// The node key of a file-system path from the shell: drive roots become "C:", other
// paths lose a trailing backslash.
std::string FolderKey(const std::string& path);

// What a click on a node puts into `dir` and into panel 1 of the status bar.
struct ClickTexts {
  std::string dir;
  std::string status;
};
ClickTexts TextsForNodeKey(const std::string& key);

// True if `folder` holds at least one entry other than "." and ".." that is a folder.
bool HasSubfolder(const std::string& folder);

class FolderTree {
 public:
  FolderTree(HWND tree, ShellNamespace& shell);
  ~FolderTree();
  FolderTree(const FolderTree&) = delete;
  FolderTree& operator=(const FolderTree&) = delete;

  // Builds the root and the Desktop's items once, and opens the root.
  void BuildTopLevel();
  bool NodeKeyExists(const std::string& key) const { return byKey_.count(key) != 0; }
  // Adds the children of the node with `key`; removes nothing.
  void FillNode(const std::string& key);

  // Tree notifications, forwarded by the window. OnNotify returns true when handled.
  bool OnNotify(NMHDR* header, LRESULT& result);
  // The texts of the last node clicked go to the window through this callback.
  void SetClickHandler(void (*handler)(void* context, const ClickTexts&), void* context) {
    clickHandler_ = handler;
    clickContext_ = context;
  }

  HWND Handle() const { return tree_; }
  // The node of `key`, or null.
  HTREEITEM Find(const std::string& key) const;
  // The key of a node ("" for a placeholder).
  std::string KeyOf(HTREEITEM item) const;
  const KeyedImageList& Images() const { return images_; }

 private:
  HTREEITEM AddNode(HTREEITEM parent, const std::string& key, const std::string& text,
                    bool withImage);
  void AddPlaceholder(HTREEITEM parent, const char* text);
  void AddTopLevelItem(HTREEITEM root, const ShellItem& item);
  void AddFolderPicture(const std::string& path, DWORD attributes);
  void FillComputer(HTREEITEM node);
  void FillShellFolder(HTREEITEM node, int folder);
  void FillFolder(HTREEITEM node, const std::string& key);
  void OnExpanding(HTREEITEM item);
  void OnCollapsed(HTREEITEM item);
  void OnDeleteItem(const NMTREEVIEWA& nm);
  void Publish(HTREEITEM item);

  HWND tree_;
  ShellNamespace& shell_;
  KeyedImageList images_;
  std::unordered_map<std::string, HTREEITEM> byKey_;
  std::unordered_map<HTREEITEM, std::string> keyOf_;
  HTREEITEM root_ = nullptr;
  std::string desktopDir_;
  IconHandle plainFolder_;
  void (*clickHandler_)(void*, const ClickTexts&) = nullptr;
  void* clickContext_ = nullptr;
};

}  // namespace dirsheet::window
