// The listing engine: the folder walk, its rows and totals, and the writers of the text
// and HTML listings. Portable: it reaches the file system through platform::FileSystem
// and the window (or the command-line tool) through ScanHost.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace dirsheet::listing {

enum class RowKind { Heading, File, Summary };

// Column indexes of a row; an `orderby` entry's list position is the column it sorts on.
enum Column { kName = 0, kType = 1, kSize = 2, kCreated = 3, kModified = 4 };

// One row of a folder block: five text cells in column order, then its kind.
struct ListingRow {
  std::array<std::string, 5> cells;
  RowKind kind = RowKind::File;
};

// The running totals of one scan. 64-bit: counts and byte sums never wrap.
struct ScanTotals {
  std::uint64_t TotalFolders = 0;
  std::uint64_t TotalFiles = 0;
  std::uint64_t TotalBytes = 0;
};

// The entries of the `orderby` list, in list order.
inline constexpr const char* kOrderEntries[5] = {"Name", "Type", "Size", "Created date",
                                                 "Last modified date"};

// What the window's option controls hold.
struct ListingOptions {
  std::string filter = "*";     // `filter` text
  bool type = true;             // Check1 "Type" ticked
  bool size = true;             // Check2 "Size"
  bool created = false;         // Check3 "Created date"
  bool modified = false;        // Check4 "Last modified date"
  std::string order = "No order";  // `orderby` text
  int orderIndex = -1;          // list position of the chosen `orderby` entry, -1 for none
  std::string format = "Text";  // `saveas` text: "Text" or "HTML"
};

// The per-folder row buffer: cleared, appended to, sorted once by one column with a text
// sort, and given its heading row at the top.
class RowBuffer {
 public:
  void Clear() { rows_.clear(); }
  void Append(ListingRow row) { rows_.push_back(std::move(row)); }
  void InsertAtTop(ListingRow row) { rows_.insert(rows_.begin(), std::move(row)); }
  void SortByColumn(int column);
  const std::vector<ListingRow>& Rows() const { return rows_; }

 private:
  std::vector<ListingRow> rows_;
};

// What the walk needs of the window: the stop flag, the status text and the message pump.
class ScanHost {
 public:
  virtual ~ScanHost() = default;
  virtual bool StopRequested() = 0;
  // Panel 1 of the status bar; called for every file row and every subfolder.
  virtual void SetStatus(const std::string& text) = 0;
  // Lets the window process pending messages; called once per directory entry.
  virtual void PumpMessages() = 0;
  // A folder whose entries could not be read (it still gets its empty block).
  virtual void FolderUnreadable(const std::string& path) {}
  // A folder not entered because it is already open higher up on the current path (a
  // link or mount leading back to an ancestor).
  virtual void FolderLoop(const std::string& path) {}
};

// Cuts `text` before its first NUL, in place, and returns it.
std::string& delete_Null(std::string& text);
bool IsDirectory(platform::FileSystem& fs, const std::string& path);
// "2024/3/7 9:5" from a FILETIME (100 ns since 1601, UTC), no conversion to local time.
std::string FormatStamp(std::uint64_t fileTime);
// value / 1024^power.
double ScaleBytes(std::uint64_t value, int power);
// Rounds to a whole number, halves to the even neighbour (0.5 -> 0, 1.5 -> 2, 2.5 -> 2).
std::uint64_t RoundHalfEven(double value);
// value / 1024^power rounded half to even, exact for every 64-bit value.
std::uint64_t ScaleBytesRounded(std::uint64_t value, int power);
// The sort column an order text names: the list position of the chosen entry, or -1
// for "No order" and for typed text that names no entry.
int OrderColumn(const ListingOptions& options);
// Whether the filter lets one enumeration give both the files and the subfolders.
bool FilterMatchesEverything(const std::string& filter);

// The working listing of one format. Each operation appends to the file; a failure to
// create, write or append is kept in Error() and every operation after it reports false.
class ListingFile {
 public:
  // `basePath` is the program's folder followed by "\Dirsheet"; the file is basePath +
  // ".txt" for "Text", basePath + ".html" for "HTML", none for any other format text.
  ListingFile(std::string basePath, const ListingOptions& options);
  // Writes to an open stream (standard output for the command-line tool); the stream is
  // flushed after every step but not closed. `name` is used in error texts.
  ListingFile(std::FILE* stream, std::string name, const ListingOptions& options);
  ~ListingFile();
  ListingFile(const ListingFile&) = delete;
  ListingFile& operator=(const ListingFile&) = delete;

  const std::string& Path() const { return path_; }  // empty for an unknown format
  // Deletes an earlier working listing of this format; a missing file is no error.
  bool DeleteExisting();
  bool WriteListingHeader();
  bool AppendFolderBlock(const RowBuffer& rows);
  bool AppendTotals(const ScanTotals& totals);
  // Closes the file if it is still open (AppendTotals does so too); false on an error.
  bool Close();
  bool ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }

 private:
  struct Impl;
  bool Write(const std::string& bytes);
  std::string path_;
  ListingOptions options_;
  std::string error_;
  std::unique_ptr<Impl> impl_;
};

// The walk of one scan: ListFolder(path) lists `path` and every folder below it in
// pre-order, handing one block per folder to the listing file.
class FolderWalk {
 public:
  FolderWalk(platform::FileSystem& fs, const ListingOptions& options, ScanHost& host,
             ListingFile& listing, ScanTotals& totals);
  void ListFolder(const std::string& path);
  // The row buffer; after the walk it still holds the last block.
  const RowBuffer& Rows() const { return rows_; }

 private:
  platform::FileSystem& fs_;
  const ListingOptions& options_;
  ScanHost& host_;
  ListingFile& listing_;
  ScanTotals& totals_;
  struct Level {          // one folder of the current path, for the loop guard
    std::string path;     // as shown in headings and the status text
    std::string access;   // as handed to the file system (names in their native spelling)
    std::vector<platform::FindEntry> subfolders;  // in enumeration order
    std::size_t next = 0;
    bool known = false;   // whether `id` has been looked up
    bool valid = false;   // whether the lookup gave an identity
    platform::FolderId id;
  };
  void ListOne(Level& level);
  void ListFiles(Level& level, bool collectFolders);
  void CollectFolders(Level& level);
  void MakeFileRow(const Level& level, const platform::FindEntry& entry);
  bool LeadsToOpenFolder(const std::string& child, const platform::FindEntry& entry,
                         Level& level);

  RowBuffer rows_;
  std::vector<Level> open_;   // the folders of the current path, the source folder first
  std::uint64_t folderFiles_ = 0;
  std::uint64_t folderBytes_ = 0;
};

}  // namespace dirsheet::listing
