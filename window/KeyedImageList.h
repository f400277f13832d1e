// The tree's image list `im`, addressed by text keys. Slots keep their index for their
// whole life, so removing one picture never shifts the pictures of other nodes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace dirsheet::window {

class KeyedImageList {
 public:
  KeyedImageList();
  ~KeyedImageList();
  KeyedImageList(const KeyedImageList&) = delete;
  KeyedImageList& operator=(const KeyedImageList&) = delete;

  HIMAGELIST Handle() const { return list_; }
  // Puts `icon` (a null icon gives an empty picture) under `key` and returns its index.
  // A key already present gets its picture replaced.
  int Add(const std::string& key, HICON icon);
  // Removes the picture of `key`; a key that is not there is ignored.
  void Remove(const std::string& key);
  // Index of the picture of `key`, or BlankIndex() when there is none.
  int IndexOf(const std::string& key) const;
  bool Contains(const std::string& key) const { return index_.count(key) != 0; }
  size_t Count() const { return index_.size(); }
  // An always-present empty picture for nodes without one.
  int BlankIndex() const { return 0; }

 private:
  HIMAGELIST list_ = nullptr;
  HICON blank_ = nullptr;
  std::unordered_map<std::string, int> index_;
  std::vector<int> free_;
};

}  // namespace dirsheet::window
