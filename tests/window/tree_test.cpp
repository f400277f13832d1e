// The folder tree: keys from the real shell namespace, the click texts, reading on
// expand, dropping on collapse, and the names kept out of the tree.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "tests/window/WindowTestSupport.h"

namespace dirsheet::window::test {
namespace {

bool Has(const std::vector<std::string>& keys, const std::string& key) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

TEST(NodeKeys, ClickTextsForEveryKindOfKey) {
  struct Case {
    const char* key;
    const char* dir;
    const char* status;
  } cases[] = {
      {"C:", "C:", "C:"},
      {"D:\\", "D:", "D:"},
      {"C:\\Windows", "C:\\Windows", "C:\\Windows"},
      {"Desktop", "Desktop", "Desktop"},
      {kComputerKey, "", kComputerKey},
      {"::{20d04fe0-3aea-1069-a2d8-08002b30309d}\\::{21ec2020-3aea-1069-a2dd-08002b30309d}", "",
       "::{20d04fe0-3aea-1069-a2d8-08002b30309d}\\::{21ec2020-3aea-1069-a2dd-08002b30309d}"},
      {"d:\\", "d:\\", "d:\\"},  // only upper-case drive letters are shortened
  };
  for (const Case& c : cases) {
    ClickTexts t = TextsForNodeKey(c.key);
    EXPECT_EQ(t.dir, c.dir) << c.key;
    EXPECT_EQ(t.status, c.status) << c.key;
  }
}

TEST(NodeKeys, ZipNamesDriveRootsAndFolderKeys) {
  EXPECT_TRUE(IsZipName("Backup.zip"));
  EXPECT_TRUE(IsZipName("OLD.ZIP"));
  EXPECT_TRUE(IsZipName("MYZIP"));
  EXPECT_TRUE(IsZipName("a.zipped"));
  EXPECT_FALSE(IsZipName("Archive.Zip"));
  EXPECT_FALSE(IsZipName("zip"));
  EXPECT_TRUE(IsDriveRoot("C:\\"));
  EXPECT_TRUE(IsDriveRoot("z:\\"));
  EXPECT_FALSE(IsDriveRoot("C:"));
  EXPECT_FALSE(IsDriveRoot("CD:\\"));
  EXPECT_EQ(FolderKey("Z:\\"), "Z:");
  EXPECT_EQ(FolderKey("C:\\users\\me\\Documents\\"), "C:\\users\\me\\Documents");
  EXPECT_EQ(FolderKey(kComputerKey), kComputerKey);
  EXPECT_TRUE(SameShellKey("::{20d04fe0-3aea-1069-a2d8-08002b30309d}", kComputerKey));
}

// The real shell as this system shows it: the computer is reachable, drive roots carry
// drive keys, and no key holds a doubled backslash.
TEST(FolderTreeShell, TopLevelAndComputerFromTheRealNamespace) {
  ScratchFolder folder;
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path()));
  FolderTree& tree = form->Tree();
  HTREEITEM root = tree.Find("Desktop");
  ASSERT_TRUE(root);
  EXPECT_EQ(TreeView_GetRoot(form->TreeView1()), root);
  EXPECT_TRUE(TreeView_GetItemState(form->TreeView1(), root, TVIS_EXPANDED) & TVIS_EXPANDED);
  std::vector<std::string> top = ChildKeys(*form, root);
  ASSERT_FALSE(top.empty());
  HTREEITEM computer = nullptr;
  for (const std::string& key : top) {
    EXPECT_EQ(key.find("\\\\"), std::string::npos) << key;
    EXPECT_FALSE(IsDriveRoot(key)) << key;
    if (SameShellKey(key, kComputerKey)) computer = tree.Find(key);
  }
  ASSERT_TRUE(computer) << "the computer is on the top level";

  // Root click: "Desktop"; computer click: empty dir, the key on the status panel.
  ClickNode(form->TreeView1(), root);
  Pump(form.get());
  EXPECT_EQ(GetText(form->Dir()), "Desktop");
  ClickNode(form->TreeView1(), computer);
  Pump(form.get());
  EXPECT_EQ(GetText(form->Dir()), "");
  EXPECT_TRUE(SameShellKey(form->StatusText(), kComputerKey));

  KeyOnNode(*form, computer, VK_RIGHT);
  std::vector<std::string> drives = ChildKeys(*form, computer);
  bool sawC = false;
  for (const std::string& key : drives) {
    EXPECT_FALSE(IsDriveRoot(key)) << key;
    EXPECT_EQ(key.find("\\\\"), std::string::npos) << key;
    if (key == "C:") sawC = true;
  }
  ASSERT_TRUE(sawC);
  HTREEITEM c = tree.Find("C:");
  ClickNode(form->TreeView1(), c);
  Pump(form.get());
  EXPECT_EQ(GetText(form->Dir()), "C:");
  EXPECT_EQ(form->StatusText(), "C:");
  KeyOnNode(*form, c, VK_RIGHT);
  std::vector<std::string> underC = ChildKeys(*form, c);
  ASSERT_FALSE(underC.empty());
  for (const std::string& key : underC) EXPECT_EQ(key.rfind("C:\\", 0), 0u) << key;
  EXPECT_TRUE(tree.NodeKeyExists("C:\\windows") || tree.NodeKeyExists("C:\\Windows"));
}

class FolderTreeFixed : public ::testing::Test {
 protected:
  void SetUp() override {
    auto shell = std::make_unique<FixedShell>();
    shell_ = shell.get();
    base_ = folder_.MakeFolder("base");
    folder_.MakeFolder("base\\onlyfiles");
    folder_.MakeFile("base\\onlyfiles\\a.txt");
    folder_.MakeFolder("base\\sub");
    folder_.MakeFolder("base\\sub\\inner");
    folder_.MakeFolder("base\\My Documents");
    folder_.MakeFolder("base\\My Documents\\x");
    folder_.MakeFile("base\\file.txt");
    for (const char* name : {"Backup.zip", "OLD.ZIP", "Archive.Zip", "MYZIP"})
      shell->desktop.push_back({name, folder_.MakeFolder(name), true});
    shell->desktop.push_back({"Base", base_ + "\\", true});
    shell->desktop.push_back({"Not a folder", folder_.MakeFile("plain.txt"), false});
    shell->desktop.push_back({"Computer", kComputerKey, true});
    shell->desktop.push_back({"Control Panel", kControlPanelKey, true});
    shell->drives.push_back({"Panel", kControlPanelKey, true});
    shell->drives.push_back({"Network", kNetworkKey, true});
    shell->drives.push_back({"Disk (D:)", "D:\\", true});
    shell->drives.push_back({"Base again", base_, true});
    shell->network.push_back({"", "printers", false});
    shell->network.push_back({"", "printers", false});
    form_ = MakeForm(rec_.Services(folder_.Path(), std::move(shell)));
  }
  HTREEITEM Node(const std::string& key) { return form_->Tree().Find(key); }

  ScratchFolder folder_;
  Recorder rec_;
  FixedShell* shell_ = nullptr;
  std::string base_;
  std::unique_ptr<Form1> form_;
};

TEST_F(FolderTreeFixed, TopLevelKeepsFoldersAndDropsZipNames) {
  FolderTree& tree = form_->Tree();
  EXPECT_FALSE(tree.NodeKeyExists(folder_.Path() + "\\Backup.zip"));
  EXPECT_FALSE(tree.NodeKeyExists(folder_.Path() + "\\OLD.ZIP"));
  EXPECT_FALSE(tree.NodeKeyExists(folder_.Path() + "\\MYZIP"));
  EXPECT_TRUE(tree.NodeKeyExists(folder_.Path() + "\\Archive.Zip"));
  EXPECT_FALSE(tree.NodeKeyExists(folder_.Path() + "\\plain.txt"));
  // The trailing backslash of a shell path is not part of the key.
  ASSERT_TRUE(tree.NodeKeyExists(base_));
  // The computer has a placeholder; Control Panel on the top level has none.
  EXPECT_TRUE(TreeView_GetChild(form_->TreeView1(), Node(kComputerKey)));
  EXPECT_FALSE(TreeView_GetChild(form_->TreeView1(), Node(kControlPanelKey)));
  EXPECT_TRUE(tree.Images().Contains(base_));
  EXPECT_TRUE(tree.Images().Contains("Desktop"));
}

TEST_F(FolderTreeFixed, ExpandReadsFoldersOnlyAndSkipsTheHiddenNames) {
  HTREEITEM base = Node(base_);
  KeyOnNode(*form_, base, VK_RIGHT);
  std::vector<std::string> keys = ChildKeys(*form_, base);
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(keys, (std::vector<std::string>{base_ + "\\onlyfiles", base_ + "\\sub"}));
  // A folder with only files has no expand button; one with a subfolder has a placeholder.
  EXPECT_FALSE(TreeView_GetChild(form_->TreeView1(), Node(base_ + "\\onlyfiles")));
  HTREEITEM placeholder = TreeView_GetChild(form_->TreeView1(), Node(base_ + "\\sub"));
  ASSERT_TRUE(placeholder);
  EXPECT_EQ(form_->Tree().KeyOf(placeholder), "");
  EXPECT_EQ(ItemText(form_->TreeView1(), placeholder), "node");
  ClickNode(form_->TreeView1(), Node(base_ + "\\sub"));
  Pump(form_.get());
  EXPECT_EQ(GetText(form_->Dir()), base_ + "\\sub");
}

TEST_F(FolderTreeFixed, CollapseAndExpandReadsTheFolderAgain) {
  HTREEITEM base = Node(base_);
  KeyOnNode(*form_, base, VK_RIGHT);
  KeyOnNode(*form_, Node(base_ + "\\sub"), VK_RIGHT);
  ASSERT_TRUE(form_->Tree().NodeKeyExists(base_ + "\\sub\\inner"));
  folder_.MakeFolder("base\\created");
  KeyOnNode(*form_, base, VK_LEFT);
  // Children and their subtrees are gone, their pictures too; one placeholder is left.
  EXPECT_FALSE(form_->Tree().NodeKeyExists(base_ + "\\sub"));
  EXPECT_FALSE(form_->Tree().NodeKeyExists(base_ + "\\sub\\inner"));
  EXPECT_FALSE(form_->Tree().Images().Contains(base_ + "\\sub"));
  EXPECT_EQ(ChildKeys(*form_, base), (std::vector<std::string>{""}));
  KeyOnNode(*form_, base, VK_RIGHT);
  EXPECT_TRUE(form_->Tree().NodeKeyExists(base_ + "\\created"));
  EXPECT_TRUE(form_->Tree().NodeKeyExists(base_ + "\\sub"));
  EXPECT_TRUE(form_->Tree().Images().Contains(base_ + "\\created"));
}

TEST_F(FolderTreeFixed, ComputerGivesDriveKeysAndSkipsPlacesAlreadyShown) {
  HTREEITEM computer = Node(kComputerKey);
  KeyOnNode(*form_, computer, VK_RIGHT);
  std::vector<std::string> keys = ChildKeys(*form_, computer);
  // Control Panel and "Base again" are already on the top level and are left out.
  EXPECT_EQ(keys, (std::vector<std::string>{kNetworkKey, "D:"}));
  // Network under the computer has a placeholder and reads its own namespace; a repeated
  // path is added once.
  KeyOnNode(*form_, Node(kNetworkKey), VK_RIGHT);
  EXPECT_EQ(ChildKeys(*form_, Node(kNetworkKey)), (std::vector<std::string>{"printers"}));
  ClickNode(form_->TreeView1(), Node("D:"));
  Pump(form_.get());
  EXPECT_EQ(GetText(form_->Dir()), "D:");
  EXPECT_EQ(form_->StatusText(), "D:");
}

TEST_F(FolderTreeFixed, RootCollapseKeepsItsChildren) {
  HTREEITEM root = Node("Desktop");
  size_t before = ChildKeys(*form_, root).size();
  KeyOnNode(*form_, root, VK_LEFT);
  KeyOnNode(*form_, root, VK_RIGHT);
  EXPECT_EQ(ChildKeys(*form_, root).size(), before);
  EXPECT_TRUE(form_->Tree().NodeKeyExists(base_));
}

TEST(FolderTreeDesktop, TheDesktopFolderIsNeverAChild) {
  char desktop[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, TRUE));
  std::string d = desktop;
  std::string parent = d.substr(0, d.find_last_of('\\'));
  auto shell = std::make_unique<FixedShell>();
  shell->desktop.push_back({"Profile", parent, true});
  ScratchFolder folder;
  Recorder rec;
  auto form = MakeForm(rec.Services(folder.Path(), std::move(shell)));
  ASSERT_TRUE(form->Tree().NodeKeyExists(parent));
  KeyOnNode(*form, form->Tree().Find(parent), VK_RIGHT);
  EXPECT_FALSE(ChildKeys(*form, form->Tree().Find(parent)).empty());
  EXPECT_FALSE(form->Tree().NodeKeyExists(d));
}

TEST(KeyedImages, AddingTwiceAndRemovingAMissingKeyAreHarmless) {
  KeyedImageList images;
  HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
  int a = images.Add("a", icon);
  int b = images.Add("b", icon);
  EXPECT_NE(a, b);
  EXPECT_EQ(images.Add("a", nullptr), a);  // replaced in place
  images.Remove("missing");
  images.Remove("a");
  EXPECT_FALSE(images.Contains("a"));
  EXPECT_EQ(images.IndexOf("a"), images.BlankIndex());
  EXPECT_EQ(images.IndexOf("b"), b);  // other pictures keep their slots
  EXPECT_EQ(images.Add("c", icon), a);  // the freed slot is used again
  EXPECT_EQ(ImageList_GetImageCount(images.Handle()), 3);
}

}  // namespace
}  // namespace dirsheet::window::test
