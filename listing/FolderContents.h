// What the walk holds of one folder once it is read: its file and link rows in a compact
// form (the names one after another in one string, the figures beside them), the order
// they are listed in, and the subfolders still to be entered. A row's text cells are made
// only when the row is written, one row at a time, so that a folder of many files costs
// tens of bytes a file rather than a few hundred.
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

// One file or link row, without its text cells.
struct FileRecord {
  std::size_t name = 0;        // where its name starts in FolderContents::names
  std::uint32_t length = 0;    // the name's length in bytes
  RowKind kind = RowKind::File;
  const std::string* type = nullptr;  // a file's type name, when Type is shown
  std::uint64_t bytes = 0;     // a file's size; 0 for a link
  std::uint64_t created = 0;   // FILETIMEs
  std::uint64_t modified = 0;
};

// A subfolder to enter, as its folder's enumeration described it.
struct ChildFolder {
  std::size_t name = 0;        // in FolderContents::childNames
  std::uint32_t length = 0;
  std::uint32_t accessLength = 0;  // 0: the name itself reaches it
  std::size_t access = 0;      // the spelling that reaches it, in childNames
  bool isLink = false;
  bool hasId = false;
  bool idExact = false;
  platform::FolderId id;
};

struct FolderContents {
  std::vector<FileRecord> records;     // in enumeration order
  std::string names;                   // the records' names, one after another
  std::vector<std::uint32_t> order;    // records in listing order; empty: as enumerated
  std::vector<ChildFolder> children;   // in enumeration order
  std::string childNames;
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  bool unreadable = false;
  std::string reason;

  std::string_view Name(const FileRecord& r) const { return {names.data() + r.name, r.length}; }
  std::string_view Name(const ChildFolder& c) const {
    return {childNames.data() + c.name, c.length};
  }
  // The spelling that reaches the subfolder in a path.
  std::string_view Access(const ChildFolder& c) const {
    return c.accessLength ? std::string_view(childNames.data() + c.access, c.accessLength)
                          : Name(c);
  }
  void AddRecord(FileRecord record, std::string_view name);
  void AddChild(ChildFolder child, std::string_view name, std::string_view access);

  // Orders the records by the text of one column's cells, as the row buffer sorts its
  // rows (a stable sort with its collation); -1 keeps the enumeration order.
  void Sort(int column, const ListingOptions& o);
  // The record at place `i` of the listing order.
  const FileRecord& Listed(std::size_t i) const {
    return records[order.empty() ? i : order[i]];
  }
  // Fills `row` with the record's row as the listing shows it.
  void MakeRow(const FileRecord& r, const ListingOptions& o, ListingRow& row) const;
  // Bytes held by the rows and subfolders.
  std::size_t Footprint() const;
  // Lets go of the rows once they are written (the subfolders stay).
  void ReleaseRows();
};

}  // namespace dirsheet::listing
