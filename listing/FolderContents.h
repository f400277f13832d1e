// What the walk holds of one folder once it is read: its file and link rows in a compact
// form (names kept as text, figures beside them), the order they are listed in, and the
// subfolders still to be entered. A row's text cells are made only when the row is
// written, one row at a time, so that a folder costs some 40 bytes a file rather than a
// few hundred; and its stores grow block by block, never moving what they hold, so that a
// folder of many files never needs its size twice over while it is read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "listing/Listing.h"
#include "platform/FileSystem.h"
#include "platform/Sync.h"

namespace dirsheet::listing {

// The shell's type names, asked once per extension for the whole scan and kept for its
// length; shared by the threads that read folders, each through a Cache of its own.
class TypeNames {
 public:
  explicit TypeNames(platform::FileSystem& fs) : fs_(fs) {}
  TypeNames(const TypeNames&) = delete;
  TypeNames& operator=(const TypeNames&) = delete;

  class Cache {
   public:
    explicit Cache(TypeNames& names) : names_(names) {}
    // The type name of a file called `fileName` (NULs cut off); it lives as long as the
    // TypeNames it came from.
    const std::string* Of(std::string_view fileName);

   private:
    TypeNames& names_;
    // Extension -> type name; the keys are views of the shared table's keys.
    std::unordered_map<std::string_view, const std::string*> known_;
  };

 private:
  // The shared table's entry for `extension`: its key and its type name.
  std::pair<std::string_view, const std::string*> Lookup(std::string_view extension,
                                                         std::string_view fileName);

  platform::FileSystem& fs_;
  platform::Mutex lock_;
  // Extension -> type name. Entries are never removed, and a node's key and value stay
  // where they are, so views of them last as long as the table.
  std::unordered_map<std::string, std::string> names_;
};

// A sequence that grows in blocks of 16, 16, 32, 64 ... 4096 elements, then 4096 at a
// time: nothing it holds ever moves, and a short one stays small.
template <class T>
class Segmented {
 public:
  void PushBack(const T& value) {
    std::size_t block, offset;
    Locate(size_, block, offset);
    if (block == blocks_.size()) blocks_.push_back(std::make_unique<T[]>(BlockSize(block)));
    blocks_[block][offset] = value;
    ++size_;
  }
  const T& operator[](std::size_t i) const {
    std::size_t block, offset;
    Locate(i, block, offset);
    return blocks_[block][offset];
  }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::size_t Bytes() const {
    std::size_t bytes = blocks_.capacity() * sizeof(void*);
    for (std::size_t b = 0; b < blocks_.size(); ++b) bytes += BlockSize(b) * sizeof(T);
    return bytes;
  }
  void Release() {
    std::vector<std::unique_ptr<T[]>>().swap(blocks_);
    size_ = 0;
  }

  static std::size_t BlockSize(std::size_t block) {
    return block == 0 ? kFirst : block <= kGrowing ? kFirst << (block - 1) : kLast;
  }
  // The block that holds element `i`, and its place there.
  static void Locate(std::size_t i, std::size_t& block, std::size_t& offset) {
    if (i < kFirst) {
      block = 0;
      offset = i;
    } else if (i < 2 * kLast) {
      std::size_t k = 0;  // the bit width of i / kFirst
      for (std::size_t x = i / kFirst; x; x >>= 1) ++k;
      block = k;
      offset = i - (kFirst << (k - 1));
    } else {
      block = kGrowing + 1 + (i - 2 * kLast) / kLast;
      offset = (i - 2 * kLast) % kLast;
    }
  }

 private:
  static constexpr std::size_t kFirst = 16;
  static constexpr std::size_t kLast = 4096;
  static constexpr std::size_t kGrowing = 9;  // blocks 1..9 double, from 16 to 4096
  static_assert((kFirst << (kGrowing - 1)) == kLast, "the doubling blocks end at kLast");

  std::vector<std::unique_ptr<T[]>> blocks_;
  std::size_t size_ = 0;
};

// Names one after another in blocks of growing size (256 bytes to 64 KiB); a name never
// spans two blocks and never moves. A name is found again by the reference Add gave.
class NameStore {
 public:
  std::uint64_t Add(std::string_view name);
  std::string_view Get(std::uint64_t ref, std::uint32_t length) const {
    return {blocks_[ref >> 32].get() + (ref & 0xFFFFFFFFu), length};
  }
  std::size_t Bytes() const { return bytes_ + blocks_.capacity() * sizeof(void*); }
  void Release();

 private:
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::size_t room_ = 0;  // free bytes at the end of the last block
  std::size_t used_ = 0;  // bytes used in the last block
  std::size_t bytes_ = 0;
};

// One file or link row, without its text cells.
struct FileRecord {
  std::uint64_t name = 0;             // where its name is in FolderContents' name store
  const std::string* type = nullptr;  // a file's type name, when Type is shown
  std::uint64_t bytes = 0;            // a file's size; 0 for a link
  std::uint32_t length = 0;           // the name's length in bytes
  RowKind kind = RowKind::File;
};

// A file's stamps, kept only when a date column is shown.
struct Stamps {
  std::uint64_t created = 0;  // FILETIMEs
  std::uint64_t modified = 0;
};

// A subfolder to enter, as its folder's enumeration described it.
struct ChildFolder {
  std::uint64_t name = 0;    // in FolderContents' name store
  std::uint64_t access = 0;  // the spelling that reaches it, when accessLength is not 0
  std::uint32_t length = 0;
  std::uint32_t accessLength = 0;
  bool isLink = false;
  bool hasId = false;
  bool idExact = false;
  platform::FolderId id;
};

class FolderContents {
 public:
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  bool unreadable = false;
  std::string reason;

  // `stamps` null: the dates are not kept (no date column is shown).
  void AddRecord(FileRecord record, std::string_view name, const Stamps* stamps);
  void AddChild(ChildFolder child, std::string_view name, std::string_view access);

  std::size_t Records() const { return records_.size(); }
  // In enumeration order.
  const FileRecord& Record(std::size_t i) const { return records_[i]; }
  std::string_view Name(const FileRecord& r) const { return names_.Get(r.name, r.length); }

  std::size_t Children() const { return children_.size(); }
  const ChildFolder& Child(std::size_t i) const { return children_[i]; }
  std::string_view Name(const ChildFolder& c) const { return childNames_.Get(c.name, c.length); }
  // The spelling that reaches the subfolder in a path.
  std::string_view Access(const ChildFolder& c) const {
    return c.accessLength ? childNames_.Get(c.access, c.accessLength) : Name(c);
  }

  // Orders the records by the text of one column's cells (a stable sort with CellLess);
  // -1 keeps the enumeration order.
  void Sort(int column, const ListingOptions& o);
  // Fills `row` with record `i` (listing order) as the listing shows it.
  void MakeRow(std::size_t i, const ListingOptions& o, ListingRow& row) const;
  // Bytes held by the rows and subfolders.
  std::size_t Footprint() const;
  // Lets go of the rows once they are written (the subfolders stay).
  void ReleaseRows();

 private:
  Segmented<FileRecord> records_;  // in enumeration order
  Segmented<Stamps> stamps_;       // beside the records, when kept
  NameStore names_;
  std::vector<std::uint32_t> order_;  // records in listing order; empty: as enumerated
  Segmented<ChildFolder> children_;   // in enumeration order
  NameStore childNames_;
};

}  // namespace dirsheet::listing
