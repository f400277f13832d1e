#include "window/FolderTree.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdlib>
#include <unordered_set>
#include <vector>

#include "platform/win32/TextCodec.h"

namespace dirsheet::window {

using platform::win32::FindHandle;
using platform::win32::Icon;
using platform::win32::RegKey;

namespace {

bool IsDirectory(const std::wstring& path) { return PathIsDirectoryW(path.c_str()) != FALSE; }

// Only entries flagged as folders or reparse points can pass IsDirectory; the flag from
// the find record spares the other entries a second look-up.
bool MayBeFolder(const WIN32_FIND_DATAW& fd) {
  return (fd.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0;
}

std::wstring EntryName(const WIN32_FIND_DATAW& fd) {
  // The name field is cut at its first NUL.
  return std::wstring(fd.cFileName, wcsnlen(fd.cFileName, MAX_PATH));
}

bool IsDotEntry(const std::wstring& name) { return name == L"." || name == L".."; }

// The shell gives a folder an icon of its own only when the folder is marked system or
// read-only (and names the icon in its desktop.ini); every other folder shows the plain
// folder icon.
constexpr DWORD kMarkedFolder = FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;

HICON SmallIconFromFile(const std::wstring& file, int index) {
  HICON small = nullptr;
  // Only the small icon is asked for: each further size is one more picture to load.
  UINT extracted = ExtractIconExW(file.c_str(), index, nullptr, &small, 1);
  // On failure the place may hold junk (seen under Wine): only a count says icons came.
  if (extracted == 0 || extracted == UINT_MAX) return nullptr;
  return small;
}

HICON SmallIconFromFile(const std::string& file, int index) {
  return SmallIconFromFile(platform::win32::WideFromCodePage(file, CP_ACP), index);
}

// The small icon the shell shows for `path` (or, with `attributes`, for any item of
// those attributes). The shell is asked where the icon lies and the icon is read from
// there: handing out the icon itself goes through the shell's system image lists, which
// under Wine costs some 35 ms a look-up (every size up to 256 pixels is made) and 75 ms
// more for the first.
HICON ShellSmallIcon(const std::wstring& path, DWORD attributes = 0) {
  SHFILEINFOW info = {};
  const UINT byAttributes = attributes ? SHGFI_USEFILEATTRIBUTES : 0;
  if (SHGetFileInfoW(path.c_str(), attributes, &info, sizeof info,
                     SHGFI_ICONLOCATION | byAttributes) &&
      info.szDisplayName[0]) {
    if (HICON icon = SmallIconFromFile(std::wstring(info.szDisplayName), info.iIcon)) return icon;
  }
  info = {};
  if (!SHGetFileInfoW(path.c_str(), attributes, &info, sizeof info,
                      SHGFI_ICON | SHGFI_SMALLICON | byAttributes))
    return nullptr;
  return info.hIcon;
}

HICON SmallIconOf(const std::wstring& path) { return ShellSmallIcon(path); }

// A plain closed-folder icon, for shell folders whose own icon cannot be found.
HICON GenericFolderIcon() { return ShellSmallIcon(L"folder", FILE_ATTRIBUTE_DIRECTORY); }

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t at = text.find(sep, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

// The small icon named by the DefaultIcon value of a shell class. Variant A (the
// computer) expands the leading %VARIABLE%; variant B takes the file name from the
// system folder. A missing or malformed value gives no icon.
HICON DefaultIconOf(const std::wstring& classKey, bool variantA) {
  const std::string clsid =
      classKey.size() > 2
          ? platform::win32::CodePageFromWide(classKey.c_str() + 2, classKey.size() - 2, CP_ACP)
          : std::string();
  std::string subKey = "CLSID\\" + clsid + "\\DefaultIcon";
  char value[255] = {};
  {
    HKEY raw = nullptr;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, subKey.c_str(), &raw) != ERROR_SUCCESS) return nullptr;
    RegKey key(raw);
    DWORD size = sizeof value - 1;
    if (RegQueryValueExA(key.get(), "", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) !=
        ERROR_SUCCESS)
      return nullptr;
  }
  std::vector<std::string> parts = Split(value, ',');
  if (parts.size() < 2) return nullptr;
  int index = std::atoi(parts[1].c_str());
  std::vector<std::string> components = Split(parts[0], '\\');
  std::string file;
  if (variantA) {
    if (components[0].size() >= 2) {
      // "%SystemRoot%": the variable's value, or nothing when it is not set.
      std::string name = components[0].substr(1, components[0].size() - 2);
      char env[MAX_PATH] = {};
      DWORD n = GetEnvironmentVariableA(name.c_str(), env, sizeof env);
      file = n < sizeof env ? std::string(env, n) : std::string();
      for (size_t i = 1; i < components.size(); ++i) file += "\\" + components[i];
    }
  } else if (components.size() >= 3) {
    file = "C:\\Windows\\System32\\" + components[2];
  }
  if (HICON icon = file.empty() ? nullptr : SmallIconFromFile(file, index)) return icon;
  // A value of another form (a plain path such as C:\windows\system32\shell32.dll):
  // the file it names, with its variables expanded.
  char expanded[MAX_PATH] = {};
  DWORD n = ExpandEnvironmentStringsA(parts[0].c_str(), expanded, sizeof expanded);
  if (n == 0 || n > sizeof expanded) return nullptr;
  return SmallIconFromFile(expanded, index);
}

}  // namespace

// Class identifiers are compared without regard to case; they are ASCII.
bool SameShellKey(const std::wstring& a, const wchar_t* b) { return lstrcmpiW(a.c_str(), b) == 0; }

bool IsZipName(const std::wstring& name) {
  if (name.find(L".zip") != std::wstring::npos) return true;
  return name.size() >= 3 && name.compare(name.size() - 3, 3, L"ZIP") == 0;
}

bool IsDriveRoot(const std::wstring& path) {
  if (path.size() != 3) return false;
  wchar_t c = path[0];
  bool letter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
  return letter && path[1] == L':' && path[2] == L'\\';
}

bool IsShellKey(const std::wstring& key) { return key.compare(0, 3, L"::{") == 0; }

std::wstring FolderKey(const std::wstring& path) {
  if (IsDriveRoot(path)) return path.substr(0, 2);
  if (!IsShellKey(path) && path.size() > 3 && path.back() == L'\\')
    return path.substr(0, path.size() - 1);
  return path;
}

ClickTexts TextsForNode(const std::wstring& key, const std::wstring& name) {
  ClickTexts t{key, key};
  // Only upper-case drive roots are shortened ("D:\\" gives "D:").
  if (IsDriveRoot(key) && key[0] >= L'A' && key[0] <= L'Z') t.dir = t.status = key.substr(0, 2);
  if (IsShellKey(key)) {
    t.dir.clear();
    if (!name.empty()) t.status = name;
  }
  return t;
}

bool HasSubfolder(const std::wstring& folder) {
  WIN32_FIND_DATAW fd;
  FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &fd));
  if (!find) return false;
  do {
    std::wstring name = EntryName(fd);
    if (!IsDotEntry(name) && MayBeFolder(fd) && IsDirectory(folder + L"\\" + name)) return true;
  } while (FindNextFileW(find.get(), &fd));
  return false;
}

namespace {

// Puts the picture of the file-system folder `key` into `images`. Asking the shell costs
// some 10 to 25 ms per folder under Wine, so a folder that is not marked takes the plain
// folder picture, made once into the shared slot `plainSlot`; a marked one the shell's.
void AddFolderPicture(KeyedImageList& images, int& plainSlot, const std::wstring& key,
                      DWORD attributes) {
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & kMarkedFolder)) {
    if (plainSlot < 0) {
      Icon plain(GenericFolderIcon());
      if (plain) plainSlot = images.MakeShared(plain.get());
    }
    if (plainSlot >= 0) {
      images.AddShared(key, plainSlot);
      return;
    }
  }
  Icon icon(SmallIconOf(key));
  images.Add(key, icon.get());
}

// The picture of a shell item the tree knows by name: its class's default icon, else the
// shell's, else the plain folder.
HICON KnownItemIcon(const wchar_t* classKey, bool variantA, const std::wstring& path) {
  if (HICON icon = DefaultIconOf(classKey, variantA)) return icon;
  if (HICON icon = SmallIconOf(path)) return icon;
  return GenericFolderIcon();
}

// The picture of one of the Desktop's items, and whether it can be opened.
void PrepareNode(const ShellItem& item, bool computer, PreparedNode& node, PreparedTopLevel& top) {
  Icon icon;
  if (computer) {
    icon.reset(KnownItemIcon(kComputerKey, true, item.path));
    top.images.Add(node.key, icon.get());
    node.expandable = true;
    return;
  }
  for (const wchar_t* known :
       {kControlPanelKey, kControlPanelCategoryKey, kNetworkKey, kRecycleBinKey}) {
    if (SameShellKey(item.path, known)) {
      icon.reset(KnownItemIcon(known, false, item.path));
      top.images.Add(node.key, icon.get());
      return;  // these are never expanded
    }
  }
  DWORD attributes = GetFileAttributesW(node.key.c_str());
  bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  if (folder && !IsDriveRoot(item.path)) {
    AddFolderPicture(top.images, top.plainFolderSlot, node.key, attributes);
  } else {
    // Drives, shell items and what the shell shows as a folder without being one (an
    // archive) keep the shell's own icon.
    icon.reset(SmallIconOf(item.path));
    top.images.Add(node.key, icon.get());
  }
  node.expandable = HasSubfolder(node.key);
}

}  // namespace

namespace {

PreparedTopLevel PrepareItems(ShellNamespace& shell) {
  PreparedTopLevel top;
  Icon desktopIcon(SmallIconFromFile("C:\\Windows\\System32\\shell32.dll", 34));
  if (!desktopIcon) desktopIcon.reset(GenericFolderIcon());
  top.images.Add(kRootKey, desktopIcon.get());
  std::unordered_set<std::wstring> keys = {kRootKey};
  for (const ShellItem& item : shell.Items(kShellDesktop)) {
    // The computer counts as a folder whatever the shell says of it, so that the drives
    // stay reachable where the shell reports it otherwise.
    bool computer = SameShellKey(item.path, kComputerKey);
    if (!item.isFolder && !computer) continue;
    if (IsZipName(item.name)) continue;
    PreparedNode node;
    node.key = FolderKey(item.path);
    if (node.key.empty() || !keys.insert(node.key).second) continue;
    node.name = item.name;
    PrepareNode(item, computer, node, top);
    top.nodes.push_back(std::move(node));
  }
  return top;
}

}  // namespace

PreparedTopLevel PrepareTopLevel(ShellNamespace& shell) {
  // The shell's picture look-ups want the thread in an apartment: the preparation runs in
  // the calling thread's (entered here if it is not in one already, and left at the end).
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  PreparedTopLevel top = PrepareItems(shell);
  if (SUCCEEDED(com)) CoUninitialize();
  return top;
}

FolderTree::FolderTree(HWND tree, ShellNamespace& shell) : tree_(tree), shell_(shell) {
  TreeView_SetImageList(tree_, images_.Handle(), TVSIL_NORMAL);
  // Node texts go in as UTF-16, and the notifications come back in the same form.
  TreeView_SetUnicodeFormat(tree_, TRUE);
  wchar_t desktop[MAX_PATH] = {};
  if (SHGetSpecialFolderPathW(GetParent(tree_), desktop, CSIDL_DESKTOPDIRECTORY, FALSE))
    desktopDir_ = std::wstring(desktop, wcsnlen(desktop, MAX_PATH));
}

FolderTree::~FolderTree() {
  if (IsWindow(tree_)) TreeView_SetImageList(tree_, nullptr, TVSIL_NORMAL);
}

HTREEITEM FolderTree::AddNode(HTREEITEM parent, const std::wstring& key, const std::wstring& text,
                              bool withImage) {
  TVINSERTSTRUCTW ins = {};
  ins.hParent = parent ? parent : TVI_ROOT;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  ins.item.pszText = const_cast<wchar_t*>(text.c_str());
  ins.item.iImage = withImage ? images_.IndexOf(key) : images_.BlankIndex();
  ins.item.iSelectedImage = ins.item.iImage;
  auto item = reinterpret_cast<HTREEITEM>(
      SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
  if (item && !key.empty()) {
    byKey_[key] = item;
    keyOf_[item] = key;
  }
  return item;
}

void FolderTree::AddPlaceholder(HTREEITEM parent, const wchar_t* text) {
  AddNode(parent, std::wstring(), text, false);
}

HTREEITEM FolderTree::Find(const std::wstring& key) const {
  auto it = byKey_.find(key);
  return it == byKey_.end() ? nullptr : it->second;
}

std::wstring FolderTree::KeyOf(HTREEITEM item) const {
  auto it = keyOf_.find(item);
  return it == keyOf_.end() ? std::wstring() : it->second;
}

std::wstring FolderTree::TextOf(HTREEITEM item) const {
  wchar_t text[1024] = {};
  TVITEMW it = {};
  it.mask = TVIF_TEXT;
  it.hItem = item;
  it.pszText = text;
  it.cchTextMax = 1024;
  if (!SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return std::wstring();
  return text;
}

void FolderTree::BuildTopLevel(PreparedTopLevel prepared) {
  if (root_) return;
  // The tree shows the prepared list before the list it had is given up.
  TreeView_SetImageList(tree_, prepared.images.Handle(), TVSIL_NORMAL);
  images_ = std::move(prepared.images);
  plainFolderSlot_ = prepared.plainFolderSlot;
  root_ = AddNode(nullptr, kRootKey, kRootKey, true);
  SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
  for (const PreparedNode& node : prepared.nodes) {
    HTREEITEM item = AddNode(root_, node.key, node.name, true);
    if (node.expandable) AddPlaceholder(item, L"");
  }
  SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
  TreeView_Expand(tree_, root_, TVE_EXPAND);
}

void FolderTree::FillNode(const std::wstring& key) {
  HTREEITEM node = Find(key);
  if (!node) return;
  SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
  if (SameShellKey(key, kComputerKey))
    FillComputer(node);
  else if (SameShellKey(key, kControlPanelKey))
    FillShellFolder(node, kShellControlPanel);
  else if (SameShellKey(key, kNetworkKey))
    FillShellFolder(node, kShellNetwork);
  else
    FillFolder(node, key);
  SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
}

void FolderTree::FillComputer(HTREEITEM node) {
  for (const ShellItem& item : shell_.Items(kShellDrives)) {
    // A drive root gets the drive's key ("C:"), a folder path loses a trailing backslash;
    // an existing key means the same place was already reached by another route.
    std::wstring key = FolderKey(item.path);
    if (key.empty() || NodeKeyExists(key)) continue;
    Icon icon(SmallIconOf(item.path));
    images_.Add(key, icon.get());
    AddPlaceholder(AddNode(node, key, item.name, true), L"");
  }
}

void FolderTree::FillShellFolder(HTREEITEM node, int folder) {
  for (const ShellItem& item : shell_.Items(folder)) {
    // Control Panel applets have an empty name and their applet as path; keys must stay
    // unique, so a repeated path is left out.
    if (item.path.empty() || NodeKeyExists(item.path)) continue;
    AddPlaceholder(AddNode(node, item.path, item.name, false), L"");
  }
}

void FolderTree::FillFolder(HTREEITEM node, const std::wstring& key) {
  WIN32_FIND_DATAW fd;
  FindHandle find(FindFirstFileW((key + L"\\*").c_str(), &fd));
  if (!find) return;
  do {
    std::wstring name = EntryName(fd);
    std::wstring path = key + L"\\" + name;
    if (path == desktopDir_ || name == L"My Documents" || IsDotEntry(name)) continue;
    if (NodeKeyExists(path)) continue;
    if (!MayBeFolder(fd) || !IsDirectory(path)) continue;
    AddFolderPicture(images_, plainFolderSlot_, path, fd.dwFileAttributes);
    HTREEITEM child = AddNode(node, path, name, true);
    if (HasSubfolder(path)) AddPlaceholder(child, L"node");
  } while (FindNextFileW(find.get(), &fd));
}

void FolderTree::OnExpanding(HTREEITEM item) {
  if (item == root_) return;
  std::wstring key = KeyOf(item);
  HTREEITEM first = TreeView_GetChild(tree_, item);
  if (!first) return;  // never read without a placeholder
  // Only a node that still has its placeholder is read; an open node is left as it is.
  if (!KeyOf(first).empty()) return;
  TreeView_DeleteItem(tree_, first);
  FillNode(key);
}

void FolderTree::OnCollapsed(HTREEITEM item) {
  if (item == root_) return;
  SendMessageA(tree_, WM_SETREDRAW, FALSE, 0);
  while (HTREEITEM child = TreeView_GetChild(tree_, item)) {
    images_.Remove(KeyOf(child));
    TreeView_DeleteItem(tree_, child);  // takes the child's subtree with it
  }
  AddPlaceholder(item, L"");
  SendMessageA(tree_, WM_SETREDRAW, TRUE, 0);
}

void FolderTree::OnDeleteItem(const NMTREEVIEWA& nm) {
  auto it = keyOf_.find(nm.itemOld.hItem);
  if (it == keyOf_.end()) return;
  auto k = byKey_.find(it->second);
  if (k != byKey_.end() && k->second == nm.itemOld.hItem) byKey_.erase(k);
  keyOf_.erase(it);
}

void FolderTree::Publish(HTREEITEM item) {
  if (!item || !clickHandler_) return;
  auto it = keyOf_.find(item);
  if (it == keyOf_.end()) return;  // placeholders have no key and publish nothing
  clickHandler_(clickContext_, TextsForNode(it->second, TextOf(item)));
}

bool FolderTree::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->hwndFrom != tree_) return false;
  result = 0;
  switch (header->code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
      auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
      if ((nm->action & TVE_EXPAND) && !(nm->itemNew.state & TVIS_EXPANDED))
        OnExpanding(nm->itemNew.hItem);
      return true;
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW: {
      auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
      if (nm->action & TVE_COLLAPSE) OnCollapsed(nm->itemNew.hItem);
      return true;
    }
    case TVN_DELETEITEMA:
    case TVN_DELETEITEMW:
      OnDeleteItem(*reinterpret_cast<NMTREEVIEWA*>(header));
      return true;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW: {
      auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
      // Selection moves by itself when the selected node is removed; only the user's
      // own choice counts as a click.
      if (nm->action == TVC_BYMOUSE || nm->action == TVC_BYKEYBOARD) Publish(nm->itemNew.hItem);
      return true;
    }
    case NM_CLICK: {
      // A click on the node that is already selected publishes it again.
      TVHITTESTINFO hit = {};
      DWORD pos = GetMessagePos();
      hit.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
      ScreenToClient(tree_, &hit.pt);
      HTREEITEM item = TreeView_HitTest(tree_, &hit);
      if (item && (hit.flags & TVHT_ONITEM) && item == TreeView_GetSelection(tree_)) Publish(item);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace dirsheet::window
