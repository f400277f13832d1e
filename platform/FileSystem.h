// The file-system services the listing engine needs, behind one small interface with a
// Win32 backend (the product) and a POSIX backend (native tests, the command-line tool).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace dirsheet::platform {

// Identity of an open folder (volume and file index, or device and inode).
struct FolderId {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FolderId& o) const { return volume == o.volume && file == o.file; }
};

// One record of a folder enumeration, as find-first/find-next give it.
struct FindEntry {
  std::string name;              // 8-bit ANSI, already cut at its first NUL
  // The backend's own spelling of a name that lost characters on its way to ANSI; empty
  // otherwise. Paths handed back to the backend use it in place of `name`.
  std::string nativeName;
  std::uint32_t sizeHigh = 0;    // size halves as the enumeration record holds them
  std::uint32_t sizeLow = 0;
  std::uint64_t creationTime = 0;   // FILETIME: 100 ns units since 1601-01-01 UTC
  std::uint64_t lastWriteTime = 0;
  bool isDirectory = false;      // the record's directory attribute (links to folders count)
  bool isLink = false;           // a symbolic link, junction or other reparse point
  bool hasId = false;            // `id` holds the identity of what the entry leads to
  FolderId id;
};

// An open enumeration; closed when destroyed.
class Enumeration {
 public:
  virtual ~Enumeration() = default;
  // Fills the next entry; false at the end. "." and ".." come like any entry.
  virtual bool Next(FindEntry& entry) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Entries of `folder` whose names match the wildcard `pattern` (`*`, `?`, case ignored,
  // "*.*" matches every name), in the file system's own order. Null when the search
  // cannot start (missing or unreadable folder, no match).
  virtual std::unique_ptr<Enumeration> Find(const std::string& folder,
                                            const std::string& pattern) = 0;
  // True for folders (and links to folders), false for files and missing paths.
  virtual bool IsDirectory(const std::string& path) = 0;
  // The type name the system shows for the file's extension ("Text Document",
  // "ZZQ File" for an unknown extension .zzq), without opening the file.
  virtual std::string TypeName(const std::string& path) = 0;
  // The exact size in bytes, for files of 2 GiB and more.
  virtual std::uint64_t ExactSize(const std::string& path) = 0;
  // Identity of a folder, for the guard against link loops; false when unknown.
  virtual bool Identify(const std::string& folder, FolderId& id) = 0;
  // True when a folder exists but its entries cannot be read (for error reports only).
  virtual bool Unreadable(const std::string& folder) { return false; }
  // The character that joins a folder path and a name: "\\" on Windows, "/" on POSIX.
  virtual char Separator() const { return '\\'; }
};

// The backend of the platform this program is built for.
std::unique_ptr<FileSystem> MakeFileSystem();

}  // namespace dirsheet::platform
