#include "window/KeyedImageList.h"

namespace dirsheet::window {

KeyedImageList::KeyedImageList() : list_(ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 16, 64)) {
  // A fully transparent 16 x 16 icon: AND mask all ones, XOR bits all zero.
  BYTE andBits[16 * 2];
  BYTE xorBits[16 * 2] = {};
  for (BYTE& b : andBits) b = 0xFF;
  blank_.reset(CreateIcon(GetModuleHandleA(nullptr), 16, 16, 1, 1, andBits, xorBits));
  ImageList_ReplaceIcon(list_.get(), -1, blank_.get());  // slot 0
  shared_.push_back(true);                               // the blank slot belongs to no key
}

int KeyedImageList::Add(const std::wstring& key, HICON icon) {
  HICON picture = icon ? icon : blank_.get();
  auto it = index_.find(key);
  if (it != index_.end() && !IsShared(it->second)) {
    ImageList_ReplaceIcon(list_.get(), it->second, picture);
    return it->second;
  }
  int slot;
  if (!free_.empty()) {
    slot = free_.back();
    free_.pop_back();
    ImageList_ReplaceIcon(list_.get(), slot, picture);
  } else {
    slot = ImageList_ReplaceIcon(list_.get(), -1, picture);
    if (slot < 0) return BlankIndex();
  }
  index_[key] = slot;
  return slot;
}

int KeyedImageList::MakeShared(HICON icon) {
  int slot = ImageList_ReplaceIcon(list_.get(), -1, icon ? icon : blank_.get());
  if (slot < 0) return BlankIndex();
  if (shared_.size() <= static_cast<size_t>(slot)) shared_.resize(slot + 1, false);
  shared_[slot] = true;
  return slot;
}

int KeyedImageList::AddShared(const std::wstring& key, int sharedSlot) {
  auto it = index_.find(key);
  if (it != index_.end() && !IsShared(it->second)) Remove(key);
  index_[key] = sharedSlot;
  return sharedSlot;
}

void KeyedImageList::Remove(const std::wstring& key) {
  auto it = index_.find(key);
  if (it == index_.end()) return;
  if (!IsShared(it->second)) {
    // The slot stays in the list (other nodes keep their indexes) and is reused later.
    ImageList_ReplaceIcon(list_.get(), it->second, blank_.get());
    free_.push_back(it->second);
  }
  index_.erase(it);
}

int KeyedImageList::IndexOf(const std::wstring& key) const {
  auto it = index_.find(key);
  return it == index_.end() ? BlankIndex() : it->second;
}

}  // namespace dirsheet::window
