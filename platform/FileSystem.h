// The file-system services the listing engine needs, behind one small interface with a
// Win32 backend (the product) and a POSIX backend (native tests, the command-line tool).
// Paths and names are UTF-8. Where a file system holds a name that is not valid Unicode
// (arbitrary bytes on POSIX, an unpaired surrogate on Windows), the string keeps it as it
// is (the raw bytes; the surrogate in the generalised UTF-8 form), so that it still leads
// back to the same file; the listing writers decide how to show it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace dirsheet::platform {

// Identity of a folder (volume and file index, or device and inode).
struct FolderId {
  std::uint64_t volume = 0;
  std::uint64_t file = 0;
  bool operator==(const FolderId& o) const { return volume == o.volume && file == o.file; }
};

// One record of a folder enumeration.
struct FindEntry {
  std::string name;  // UTF-8, as shown in listings
  // The spelling that reaches the entry in a path where `name` cannot (a short name for
  // a name the Win32 path syntax refuses); empty when `name` does.
  std::string accessName;
  std::uint64_t size = 0;          // bytes
  std::uint64_t creationTime = 0;  // FILETIME: 100 ns units since 1601-01-01 UTC
  std::uint64_t lastWriteTime = 0;
  bool isDirectory = false;  // leads to a folder (links to folders count)
  bool isLink = false;       // a symbolic link, junction or other reparse point
  // The entry's details (size, times, kind) could not be read: only its name is known.
  bool detailsUnknown = false;
  // `id` identifies the folder the entry leads to. With `idExact` false the volume part
  // is only that of the enclosing folder (cheap to have, but not proof of sameness).
  bool hasId = false;
  bool idExact = false;
  FolderId id;
};

// A folder held open so that the folders in it can be opened through it, which costs less
// than opening them by their whole path where the system allows it (a handle on Windows).
class OpenFolder {
 public:
  virtual ~OpenFolder() = default;
};

// An open enumeration; closed when destroyed.
class Enumeration {
 public:
  virtual ~Enumeration() = default;
  // Fills the next entry; false at the end. "." and ".." come like any entry.
  virtual bool Next(FindEntry& entry) = 0;
  // The folder read, held open for opening its subfolders through it (see FindIn); null
  // where the backend has nothing to keep. Called once the entries have all been read.
  virtual std::shared_ptr<OpenFolder> Keep() { return nullptr; }
};

// How a search started.
struct FindResult {
  enum Status { Found, NoMatch, Unreadable } status = NoMatch;
  std::string reason;  // for Unreadable: what the system said
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Entries of `folder` whose names match the wildcard `pattern` (`*`, `?`, case ignored,
  // "*.*" matches every name), in the file system's own order. Null when the search
  // does not start; `result` tells a folder without a match from one that cannot be read.
  // Safe to call from several threads at once.
  virtual std::unique_ptr<Enumeration> Find(const std::string& folder, const std::string& pattern,
                                            FindResult& result) = 0;
  // The same for the folder `folder` that is the entry `name` of the folder `parent`
  // holds open: the backend may open it through `parent` instead of by its path.
  virtual std::unique_ptr<Enumeration> FindIn(const OpenFolder& parent, const std::string& name,
                                              const std::string& folder, const std::string& pattern,
                                              FindResult& result) {
    return Find(folder, pattern, result);
  }
  // True for folders (and links to folders), false for files and missing paths.
  virtual bool IsDirectory(const std::string& path) = 0;
  // The type name the system shows for the file's extension ("Text Document",
  // "ZZQ File" for an unknown extension .zzq), without opening the file. Not kept here:
  // the listing asks once per extension and keeps the names (TypeNames), one call at a time.
  virtual std::string TypeName(const std::string& path) = 0;
  // Identity of a folder (what a link leads to); false when unknown.
  virtual bool Identify(const std::string& folder, FolderId& id) = 0;
  // The character that joins a folder path and a name: "\\" on Windows, "/" on POSIX.
  virtual char Separator() const { return '\\'; }
};

// The backend of the platform this program is built for.
std::unique_ptr<FileSystem> MakeFileSystem();

// Opens a file by its UTF-8 path, as fopen does; removes one. On Windows through the wide
// calls, so that every name works.
std::FILE* OpenFile(const std::string& path, const char* mode);
bool RemoveFile(const std::string& path);

// The 8-bit code page that listings are written in by default.
class CodePage {
 public:
  virtual ~CodePage() = default;
  // Appends the code page's bytes for the character `c`; false, with nothing appended,
  // when the code page has no such character.
  virtual bool Append(char32_t c, std::string& out) const = 0;
  // Whether this is UTF-8 (every character fits; widths count characters, not bytes).
  virtual bool IsUtf8() const = 0;
};

// The system's code page: the ANSI code page on Windows, UTF-8 on POSIX.
std::unique_ptr<CodePage> SystemCodePage();
// UTF-8 itself.
std::unique_ptr<CodePage> Utf8CodePage();

}  // namespace dirsheet::platform
