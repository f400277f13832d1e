// The tree's image list `im`, addressed by text keys (the nodes' keys, in UTF-16). Slots keep their
// index for their whole life, so removing one picture never shifts the pictures of other nodes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win32/Handles.h"

namespace dirsheet::window {

class KeyedImageList {
 public:
  KeyedImageList();
  KeyedImageList(const KeyedImageList&) = delete;
  KeyedImageList& operator=(const KeyedImageList&) = delete;
  // A list filled away from the tree (on another thread) moves into it.
  KeyedImageList(KeyedImageList&&) = default;
  KeyedImageList& operator=(KeyedImageList&&) = default;

  HIMAGELIST Handle() const { return list_.get(); }
  // Puts `icon` (a null icon gives an empty picture) under `key` and returns its index.
  // A key already present gets its picture replaced.
  int Add(const std::wstring& key, HICON icon);
  // Puts under `key` the picture of a shared slot made once by MakeShared: many keys can
  // show one picture without a copy each.
  int AddShared(const std::wstring& key, int sharedSlot);
  int MakeShared(HICON icon);
  // Removes the picture of `key`; a key that is not there is ignored.
  void Remove(const std::wstring& key);
  // Index of the picture of `key`, or BlankIndex() when there is none.
  int IndexOf(const std::wstring& key) const;
  bool Contains(const std::wstring& key) const { return index_.count(key) != 0; }
  size_t Count() const { return index_.size(); }
  // An always-present empty picture for nodes without one.
  int BlankIndex() const { return 0; }

 private:
  bool IsShared(int slot) const {
    return slot >= 0 && static_cast<size_t>(slot) < shared_.size() && shared_[slot];
  }

  platform::win32::ImageList list_;
  platform::win32::Icon blank_;
  std::unordered_map<std::wstring, int> index_;
  std::vector<int> free_;
  std::vector<bool> shared_;  // by slot: a shared slot is never replaced or freed by a key
};

}  // namespace dirsheet::window
