// The folder tree: keys from the real shell namespace, the click texts, reading on
// expand, dropping on collapse, and the names kept out of the tree.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <thread>

#include "platform/win32/TextCodec.h"
#include "tests/window/FormTestSupport.h"
#include "window/SourceFolder.h"

namespace dirsheet::window::test {
namespace {

TEST(NodeKeys, ClickTextsForEveryKindOfKey) {
  const wchar_t* panel =
      L"::{20d04fe0-3aea-1069-a2d8-08002b30309d}\\::{21ec2020-3aea-1069-a2dd-08002b30309d}";
  struct Case {
    const wchar_t* key;
    const wchar_t* name;
    const wchar_t* dir;
    const wchar_t* status;
  } cases[] = {
      {L"C:", L"(C:)", L"C:", L"C:"},
      {L"D:\\", L"(D:)", L"D:", L"D:"},
      {L"C:\\Windows", L"Windows", L"C:\\Windows", L"C:\\Windows"},
      {L"Desktop", L"Desktop", L"Desktop", L"Desktop"},
      // Shell items have no folder; the panel shows their name, not a class identifier.
      {kComputerKey, L"My Computer", L"", L"My Computer"},
      {panel, L"Control Panel", L"", L"Control Panel"},
      {kComputerKey, L"", L"", kComputerKey},  // no name to show: the key stays
      {L"d:\\", L"(d:)", L"d:\\", L"d:\\"},    // only upper-case drive letters are shortened
  };
  for (const Case& c : cases) {
    ClickTexts t = TextsForNode(c.key, c.name);
    EXPECT_EQ(t.dir, c.dir) << c.key;
    EXPECT_EQ(t.status, c.status) << c.key;
  }
}

TEST(NodeKeys, ZipNamesDriveRootsAndFolderKeys) {
  EXPECT_TRUE(IsZipName(L"Backup.zip"));
  EXPECT_TRUE(IsZipName(L"OLD.ZIP"));
  EXPECT_TRUE(IsZipName(L"MYZIP"));
  EXPECT_TRUE(IsZipName(L"a.zipped"));
  EXPECT_FALSE(IsZipName(L"Archive.Zip"));
  EXPECT_FALSE(IsZipName(L"zip"));
  EXPECT_TRUE(IsDriveRoot(L"C:\\"));
  EXPECT_TRUE(IsDriveRoot(L"z:\\"));
  EXPECT_FALSE(IsDriveRoot(L"C:"));
  EXPECT_FALSE(IsDriveRoot(L"CD:\\"));
  EXPECT_EQ(FolderKey(L"Z:\\"), L"Z:");
  EXPECT_EQ(FolderKey(L"C:\\users\\me\\Documents\\"), L"C:\\users\\me\\Documents");
  EXPECT_EQ(FolderKey(kComputerKey), kComputerKey);
  EXPECT_TRUE(SameShellKey(L"::{20d04fe0-3aea-1069-a2d8-08002b30309d}", kComputerKey));
}

// The real shell as this system shows it: the computer is reachable, drive roots carry
// drive keys, and no key holds a doubled backslash.
TEST(FolderTreeShell, TopLevelAndComputerFromTheRealNamespace) {
  ScratchFolder folder;
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path()));
  FolderTree& tree = form->Tree();
  HTREEITEM root = tree.Find(L"Desktop");
  ASSERT_TRUE(root);
  EXPECT_EQ(TreeView_GetRoot(form->TreeView1()), root);
  EXPECT_TRUE(TreeView_GetItemState(form->TreeView1(), root, TVIS_EXPANDED) & TVIS_EXPANDED);
  std::vector<std::wstring> top = ChildKeys(*form, root);
  ASSERT_FALSE(top.empty());
  HTREEITEM computer = nullptr;
  for (const std::wstring& key : top) {
    EXPECT_EQ(key.find(L"\\\\"), std::wstring::npos) << key;
    EXPECT_FALSE(IsDriveRoot(key)) << key;
    if (SameShellKey(key, kComputerKey)) computer = tree.Find(key);
  }
  ASSERT_TRUE(computer) << "the computer is on the top level";

  // Root click: "Desktop"; computer click: empty dir, the computer's name on the panel.
  ClickNode(form->TreeView1(), root);
  PumpForm(form.get());
  EXPECT_EQ(GetText(form->Dir()), "Desktop");
  ClickNode(form->TreeView1(), computer);
  PumpForm(form.get());
  EXPECT_EQ(GetText(form->Dir()), "");
  EXPECT_EQ(form->StatusTextW(), form->Tree().TextOf(computer));
  EXPECT_EQ(form->StatusTextW().find(L"::{"), std::wstring::npos) << form->StatusTextW();

  KeyOnNode(*form, computer, VK_RIGHT);
  std::vector<std::wstring> drives = ChildKeys(*form, computer);
  bool sawC = false;
  for (const std::wstring& key : drives) {
    EXPECT_FALSE(IsDriveRoot(key)) << key;
    EXPECT_EQ(key.find(L"\\\\"), std::wstring::npos) << key;
    if (key == L"C:") sawC = true;
  }
  ASSERT_TRUE(sawC);
  HTREEITEM c = tree.Find(L"C:");
  ClickNode(form->TreeView1(), c);
  PumpForm(form.get());
  EXPECT_EQ(GetText(form->Dir()), "C:");
  EXPECT_EQ(form->StatusText(), "C:");
  KeyOnNode(*form, c, VK_RIGHT);
  std::vector<std::wstring> underC = ChildKeys(*form, c);
  ASSERT_FALSE(underC.empty());
  for (const std::wstring& key : underC) EXPECT_EQ(key.rfind(L"C:\\", 0), 0u) << key;
  EXPECT_TRUE(tree.NodeKeyExists(L"C:\\windows") || tree.NodeKeyExists(L"C:\\Windows"));
}

class FolderTreeFixed : public ::testing::Test {
 protected:
  void SetUp() override {
    auto shell = std::make_unique<FixedShell>();
    shell_ = shell.get();
    base_ = Wide(folder_.MakeFolder("base"));
    folder_.MakeFolder("base\\onlyfiles");
    folder_.MakeFile("base\\onlyfiles\\a.txt");
    folder_.MakeFolder("base\\sub");
    folder_.MakeFolder("base\\sub\\inner");
    folder_.MakeFolder("base\\My Documents");
    folder_.MakeFolder("base\\My Documents\\x");
    folder_.MakeFile("base\\file.txt");
    for (const char* name : {"Backup.zip", "OLD.ZIP", "Archive.Zip", "MYZIP"})
      shell->desktop.push_back({Wide(name), Wide(folder_.MakeFolder(name)), true});
    shell->desktop.push_back({L"Base", base_ + L"\\", true});
    shell->desktop.push_back({L"Not a folder", Wide(folder_.MakeFile("plain.txt")), false});
    shell->desktop.push_back({L"Computer", kComputerKey, true});
    shell->desktop.push_back({L"Control Panel", kControlPanelKey, true});
    shell->drives.push_back({L"Panel", kControlPanelKey, true});
    shell->drives.push_back({L"Network", kNetworkKey, true});
    shell->drives.push_back({L"Disk (D:)", L"D:\\", true});
    shell->drives.push_back({L"Base again", base_, true});
    shell->network.push_back({L"", L"printers", false});
    shell->network.push_back({L"", L"printers", false});
    form_ = MakeForm(rec_.Services(folder_.Path(), std::move(shell)));
  }
  HTREEITEM Node(const std::wstring& key) { return form_->Tree().Find(key); }
  std::wstring Root() const { return folder_.PathW(); }

  ScratchFolder folder_;
  Recorder rec_;
  FixedShell* shell_ = nullptr;
  std::wstring base_;
  std::unique_ptr<Form1> form_;
};

TEST_F(FolderTreeFixed, TopLevelKeepsFoldersAndDropsZipNames) {
  FolderTree& tree = form_->Tree();
  EXPECT_FALSE(tree.NodeKeyExists(Root() + L"\\Backup.zip"));
  EXPECT_FALSE(tree.NodeKeyExists(Root() + L"\\OLD.ZIP"));
  EXPECT_FALSE(tree.NodeKeyExists(Root() + L"\\MYZIP"));
  EXPECT_TRUE(tree.NodeKeyExists(Root() + L"\\Archive.Zip"));
  EXPECT_FALSE(tree.NodeKeyExists(Root() + L"\\plain.txt"));
  // The trailing backslash of a shell path is not part of the key.
  ASSERT_TRUE(tree.NodeKeyExists(base_));
  // The computer has a placeholder; Control Panel on the top level has none.
  EXPECT_TRUE(TreeView_GetChild(form_->TreeView1(), Node(kComputerKey)));
  EXPECT_FALSE(TreeView_GetChild(form_->TreeView1(), Node(kControlPanelKey)));
  EXPECT_TRUE(tree.Images().Contains(base_));
  EXPECT_TRUE(tree.Images().Contains(L"Desktop"));
}

TEST_F(FolderTreeFixed, ExpandReadsFoldersOnlyAndSkipsTheHiddenNames) {
  HTREEITEM base = Node(base_);
  KeyOnNode(*form_, base, VK_RIGHT);
  std::vector<std::wstring> keys = ChildKeys(*form_, base);
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(keys, (std::vector<std::wstring>{base_ + L"\\onlyfiles", base_ + L"\\sub"}));
  // A folder with only files has no expand button; one with a subfolder has a placeholder.
  EXPECT_FALSE(TreeView_GetChild(form_->TreeView1(), Node(base_ + L"\\onlyfiles")));
  HTREEITEM placeholder = TreeView_GetChild(form_->TreeView1(), Node(base_ + L"\\sub"));
  ASSERT_TRUE(placeholder);
  EXPECT_EQ(form_->Tree().KeyOf(placeholder), L"");
  EXPECT_EQ(form_->Tree().TextOf(placeholder), L"node");
  ClickNode(form_->TreeView1(), Node(base_ + L"\\sub"));
  PumpForm(form_.get());
  EXPECT_EQ(GetTextW(form_->Dir()), base_ + L"\\sub");
}

// Folders named in scripts the system code page cannot spell are shown, keyed by a path
// that opens them, and can be picked; the file system itself says which folders exist.
TEST_F(FolderTreeFixed, FoldersNamedInAnyScriptAreShownAndPicked) {
  const std::wstring japanese =
      L"\x65E5\x672C\x8A9E\x306E\x30D5\x30A9\x30EB\x30C0";  // 日本語のフォルダ
  const std::wstring greek = L"\x03A6\x03AC\x03BA\x03B5\x03BB\x03BF\x03C2";  // Φάκελος
  const std::wstring jp = folder_.MakeFolder(L"base\\" + japanese);
  folder_.MakeFolder(L"base\\" + japanese + L"\\" + greek);
  ASSERT_NE(GetFileAttributesW(jp.c_str()), INVALID_FILE_ATTRIBUTES);
  // The names are outside the code page the tests run with.
  BOOL lossy = FALSE;
  char ansi[64];
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, japanese.c_str(), -1, ansi, sizeof ansi,
                      nullptr, GetACP() == CP_UTF8 ? nullptr : &lossy);
  EXPECT_TRUE(lossy || GetACP() == CP_UTF8) << "code page " << GetACP();

  KeyOnNode(*form_, Node(base_), VK_RIGHT);
  HTREEITEM node = Node(jp);
  ASSERT_TRUE(node) << "the folder is in the tree under its own name";
  EXPECT_EQ(form_->Tree().TextOf(node), japanese);
  // It has a subfolder, so it can be opened, and its child is read by its key.
  KeyOnNode(*form_, node, VK_RIGHT);
  HTREEITEM child = Node(jp + L"\\" + greek);
  ASSERT_TRUE(child);
  EXPECT_EQ(form_->Tree().TextOf(child), greek);
  ClickNode(form_->TreeView1(), node);
  PumpForm(form_.get());
  EXPECT_EQ(GetTextW(form_->Dir()), jp);
  EXPECT_EQ(form_->StatusTextW(), jp);
  // The path handed to the listing engine names the same folder, whole (the scan tests
  // walk such a folder).
  EXPECT_EQ(platform::win32::WideFromUtf8(EnginePath(ResolveSourceFolder(GetTextW(form_->Dir())))),
            jp);
}

TEST_F(FolderTreeFixed, CollapseAndExpandReadsTheFolderAgain) {
  HTREEITEM base = Node(base_);
  KeyOnNode(*form_, base, VK_RIGHT);
  KeyOnNode(*form_, Node(base_ + L"\\sub"), VK_RIGHT);
  ASSERT_TRUE(form_->Tree().NodeKeyExists(base_ + L"\\sub\\inner"));
  folder_.MakeFolder("base\\created");
  KeyOnNode(*form_, base, VK_LEFT);
  // Children and their subtrees are gone, their pictures too; one placeholder is left.
  EXPECT_FALSE(form_->Tree().NodeKeyExists(base_ + L"\\sub"));
  EXPECT_FALSE(form_->Tree().NodeKeyExists(base_ + L"\\sub\\inner"));
  EXPECT_FALSE(form_->Tree().Images().Contains(base_ + L"\\sub"));
  EXPECT_EQ(ChildKeys(*form_, base), (std::vector<std::wstring>{L""}));
  KeyOnNode(*form_, base, VK_RIGHT);
  EXPECT_TRUE(form_->Tree().NodeKeyExists(base_ + L"\\created"));
  EXPECT_TRUE(form_->Tree().NodeKeyExists(base_ + L"\\sub"));
  EXPECT_TRUE(form_->Tree().Images().Contains(base_ + L"\\created"));
}

TEST_F(FolderTreeFixed, ComputerGivesDriveKeysAndSkipsPlacesAlreadyShown) {
  HTREEITEM computer = Node(kComputerKey);
  KeyOnNode(*form_, computer, VK_RIGHT);
  std::vector<std::wstring> keys = ChildKeys(*form_, computer);
  // Control Panel and "Base again" are already on the top level and are left out.
  EXPECT_EQ(keys, (std::vector<std::wstring>{kNetworkKey, L"D:"}));
  // Network under the computer has a placeholder and reads its own namespace; a repeated
  // path is added once.
  KeyOnNode(*form_, Node(kNetworkKey), VK_RIGHT);
  EXPECT_EQ(ChildKeys(*form_, Node(kNetworkKey)), (std::vector<std::wstring>{L"printers"}));
  ClickNode(form_->TreeView1(), Node(L"D:"));
  PumpForm(form_.get());
  EXPECT_EQ(GetText(form_->Dir()), "D:");
  EXPECT_EQ(form_->StatusText(), "D:");
  // Network has no folder: `dir` is emptied and the panel names it.
  ClickNode(form_->TreeView1(), Node(kNetworkKey));
  PumpForm(form_.get());
  EXPECT_EQ(GetText(form_->Dir()), "");
  EXPECT_EQ(form_->StatusText(), "Network");
}

TEST_F(FolderTreeFixed, RootCollapseKeepsItsChildren) {
  HTREEITEM root = Node(L"Desktop");
  size_t before = ChildKeys(*form_, root).size();
  KeyOnNode(*form_, root, VK_LEFT);
  KeyOnNode(*form_, root, VK_RIGHT);
  EXPECT_EQ(ChildKeys(*form_, root).size(), before);
  EXPECT_TRUE(form_->Tree().NodeKeyExists(base_));
}

TEST(FolderTreeDesktop, TheDesktopFolderIsNeverAChild) {
  wchar_t desktop[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, TRUE));
  std::wstring d = desktop;
  std::wstring parent = d.substr(0, d.find_last_of(L'\\'));
  auto shell = std::make_unique<FixedShell>();
  shell->desktop.push_back({L"Profile", parent, true});
  ScratchFolder folder;
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path(), std::move(shell)));
  ASSERT_TRUE(form->Tree().NodeKeyExists(parent));
  KeyOnNode(*form, form->Tree().Find(parent), VK_RIGHT);
  EXPECT_FALSE(ChildKeys(*form, form->Tree().Find(parent)).empty());
  EXPECT_FALSE(form->Tree().NodeKeyExists(d));
}

// A small icon drawn at 16 x 16 over a magenta ground, pixel by pixel.
std::vector<COLORREF> Render(HICON icon) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = 16;
  bi.bmiHeader.biHeight = -16;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bmp);
  HBRUSH ground = CreateSolidBrush(RGB(255, 0, 255));
  RECT all = {0, 0, 16, 16};
  FillRect(dc, &all, ground);
  DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
  GdiFlush();
  std::vector<COLORREF> px(static_cast<const COLORREF*>(bits),
                           static_cast<const COLORREF*>(bits) + 256);
  SelectObject(dc, old);
  DeleteObject(ground);
  DeleteObject(bmp);
  DeleteDC(dc);
  return px;
}

// The shell's own small icon for a path, as it hands it out.
std::vector<COLORREF> ShellPicture(const std::wstring& path, DWORD attributes = 0) {
  SHFILEINFOW info = {};
  SHGetFileInfoW(path.c_str(), attributes, &info, sizeof info,
                 SHGFI_ICON | SHGFI_SMALLICON | (attributes ? SHGFI_USEFILEATTRIBUTES : 0));
  std::vector<COLORREF> px = Render(info.hIcon);
  if (info.hIcon) DestroyIcon(info.hIcon);
  return px;
}

std::vector<COLORREF> TreePicture(const FolderTree& tree, const std::wstring& key) {
  HICON icon = ImageList_GetIcon(tree.Images().Handle(), tree.Images().IndexOf(key), ILD_NORMAL);
  std::vector<COLORREF> px = Render(icon);
  if (icon) DestroyIcon(icon);
  return px;
}

// The tree reads its pictures from where the shell says they lie; they are the pictures
// the shell itself hands out for the same places.
TEST_F(FolderTreeFixed, PicturesAreTheShellsOwn) {
  shell_->drives.push_back({L"(C:)", L"C:\\", true});
  KeyOnNode(*form_, Node(kComputerKey), VK_RIGHT);
  KeyOnNode(*form_, Node(base_), VK_RIGHT);
  const FolderTree& tree = form_->Tree();
  ASSERT_TRUE(tree.NodeKeyExists(L"C:"));
  EXPECT_EQ(TreePicture(tree, L"C:"), ShellPicture(L"C:\\"));
  EXPECT_EQ(TreePicture(tree, base_ + L"\\sub"), ShellPicture(base_ + L"\\sub"));
  EXPECT_EQ(TreePicture(tree, base_), ShellPicture(base_));
  // The picture is a picture: not the empty one.
  EXPECT_NE(TreePicture(tree, base_), std::vector<COLORREF>(256, RGB(255, 0, 255)));
}

// The window reads the tree's top level on a thread of its own while it makes its
// controls. The real namespace works on a thread that never entered COM, and the tree
// made from what that thread prepared is the tree made in place on the window's thread:
// the same keys, names, openable nodes and pictures.
TEST(FolderTreeShell, TopLevelPreparedOnAnotherThreadIsTheTreeMadeInPlace) {
  std::unique_ptr<ShellNamespace> shell = MakeShellNamespace();
  PreparedTopLevel prepared;
  std::thread([&] { prepared = PrepareTopLevel(*shell); }).join();
  ASSERT_FALSE(prepared.nodes.empty()) << "the Desktop's items were read on the thread";

  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(parent);
  auto makeTree = [parent] {
    return CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS, 0, 0, 300,
                           300, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  };
  HWND viewA = makeTree(), viewB = makeTree();
  {
    FolderTree fromThread(viewA, *shell), inPlace(viewB, *shell);
    fromThread.BuildTopLevel(std::move(prepared));
    inPlace.BuildTopLevel(PrepareTopLevel(*shell));
    HTREEITEM a = TreeView_GetChild(viewA, fromThread.Find(kRootKey));
    HTREEITEM b = TreeView_GetChild(viewB, inPlace.Find(kRootKey));
    int nodes = 0;
    for (; a && b; a = TreeView_GetNextSibling(viewA, a), b = TreeView_GetNextSibling(viewB, b)) {
      const std::wstring key = fromThread.KeyOf(a);
      EXPECT_EQ(key, inPlace.KeyOf(b));
      EXPECT_EQ(fromThread.TextOf(a), inPlace.TextOf(b)) << key;
      EXPECT_EQ(TreeView_GetChild(viewA, a) != nullptr, TreeView_GetChild(viewB, b) != nullptr)
          << key;
      EXPECT_EQ(TreePicture(fromThread, key), TreePicture(inPlace, key)) << key;
      ++nodes;
    }
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(b, nullptr);
    EXPECT_GT(nodes, 0);
    EXPECT_EQ(TreePicture(fromThread, kRootKey), TreePicture(inPlace, kRootKey));
  }
  DestroyWindow(parent);
}

TEST(KeyedImages, AddingTwiceAndRemovingAMissingKeyAreHarmless) {
  KeyedImageList images;
  HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
  int a = images.Add(L"a", icon);
  int b = images.Add(L"b", icon);
  EXPECT_NE(a, b);
  EXPECT_EQ(images.Add(L"a", nullptr), a);  // replaced in place
  images.Remove(L"missing");
  images.Remove(L"a");
  EXPECT_FALSE(images.Contains(L"a"));
  EXPECT_EQ(images.IndexOf(L"a"), images.BlankIndex());
  EXPECT_EQ(images.IndexOf(L"b"), b);    // other pictures keep their slots
  EXPECT_EQ(images.Add(L"c", icon), a);  // the freed slot is used again
  EXPECT_EQ(ImageList_GetImageCount(images.Handle()), 3);

  // A shared picture is neither replaced nor freed through one of its keys.
  int plain = images.MakeShared(icon);
  EXPECT_EQ(images.AddShared(L"x", plain), plain);
  EXPECT_EQ(images.AddShared(L"y", plain), plain);
  images.Remove(L"x");
  EXPECT_EQ(images.IndexOf(L"y"), plain);
  int own = images.Add(L"y", icon);
  EXPECT_NE(own, plain);
  EXPECT_NE(images.Add(L"z", icon), plain);
  EXPECT_EQ(images.AddShared(L"w", plain), plain);
}

}  // namespace
}  // namespace dirsheet::window::test
