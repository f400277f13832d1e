// The listing engine: the folder walk, its rows and totals, and the listing file with one
// writer per format. Portable: it reaches the file system through platform::FileSystem
// and the window (or the command-line tool) through ScanHost. Paths, names and option
// texts are UTF-8; each writer encodes at its edge.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"

namespace dirsheet::listing {

// `Link`: a link to a folder that the walk was told not to follow, listed as an entry.
enum class RowKind { Heading, File, Summary, Link };

// Column indexes of a row; an `orderby` entry's list position is the column it sorts on.
enum Column { kName = 0, kType = 1, kSize = 2, kCreated = 3, kModified = 4 };

// One row of a folder block: five text cells in column order, then its kind, and the
// exact figures behind the cells for the formats that write numbers and stamps.
struct ListingRow {
  std::array<std::string, 5> cells;
  RowKind kind = RowKind::File;
  std::uint64_t bytes = 0;    // File: its size; Summary: the folder's byte sum
  std::uint64_t files = 0;    // Summary: the folder's file count
  std::uint64_t created = 0;  // File, Link: FILETIMEs (100 ns since 1601, UTC)
  std::uint64_t modified = 0;
};

// The running totals of one scan. 64-bit: counts and byte sums never wrap.
struct ScanTotals {
  std::uint64_t TotalFolders = 0;
  std::uint64_t TotalFiles = 0;
  std::uint64_t TotalBytes = 0;
  std::uint64_t Unreadable = 0;  // folders (or entries' details) that could not be read
  std::uint64_t NotEntered = 0;  // folders already listed in this scan, or loops
};

// The entries of the `orderby` list, in list order.
inline constexpr const char* kOrderEntries[5] = {"Name", "Type", "Size", "Created date",
                                                 "Last modified date"};

// What the window's option controls hold, and the command-line tool's further options
// (whose defaults are the window's behaviour).
struct ListingOptions {
  std::string filter = "*";        // `filter` text
  bool type = true;                // Check1 "Type" ticked
  bool size = true;                // Check2 "Size"
  bool created = false;            // Check3 "Created date"
  bool modified = false;           // Check4 "Last modified date"
  std::string order = "No order";  // `orderby` text
  int orderIndex = -1;             // list position of the chosen `orderby` entry, -1 for none
  std::string format = "Text";     // `saveas` text: "Text" or "HTML"; also "CSV", "JSONL"

  std::vector<std::string> exclude;  // wildcards on names: such files and folders are left out
  int maxDepth = -1;                 // levels below a source folder to enter; -1: all
  bool foldersOnly = false;          // one row per folder: its file count and byte sum
  bool noFollow = false;             // links to folders are listed as entries, not entered
  bool utf8 = false;                 // Text and HTML in UTF-8 instead of the system code page
  unsigned threads = 1;              // folders read at once; 0: one per processor core
};

// Why a folder was not listed in full.
enum class FolderProblem {
  Unreadable,     // its entries (or some entries' details) could not be read
  Loop,           // it leads back to a folder open above it on the current path
  AlreadyListed,  // it leads to a folder listed earlier in this scan
};

// What the walk needs of the window: the stop flag, the status text and the message pump.
// Every call comes from the thread that called ListFolder, in the walk's order.
class ScanHost {
 public:
  virtual ~ScanHost() = default;
  virtual bool StopRequested() = 0;
  // Panel 1 of the status bar; called for every file row and every subfolder.
  virtual void SetStatus(const std::string& text) = 0;
  // Lets the window process pending messages; called once per directory entry, and
  // regularly while the walk waits for folders read ahead.
  virtual void PumpMessages() = 0;
  // A folder whose entries could not be read (it still gets its empty block), or one not
  // entered because it is already open higher up on the current path or was listed
  // earlier in this scan; `reason` says which. By default nothing is done.
  virtual void Problem(FolderProblem kind, const std::string& path, const std::string& reason) {}
};

// Cuts `text` before its first NUL, in place, and returns it.
std::string& delete_Null(std::string& text);
// "2024/3/7 9:5" from a FILETIME (100 ns since 1601, UTC), no conversion to local time.
std::string FormatStamp(std::uint64_t fileTime);
// "2024-03-07T09:05:41Z" (ISO 8601, UTC) from a FILETIME.
std::string IsoStamp(std::uint64_t fileTime);
// value / 1024^power rounded half to even, exact for every 64-bit value.
std::uint64_t ScaleBytesRounded(std::uint64_t value, int power);
// The sort column an order text names: the list position of the chosen entry, or -1
// for "No order" and for typed text that names no entry.
int OrderColumn(const ListingOptions& options);
// The rows' text collation: case-insensitive for ASCII letters, then by bytes.
bool CellLess(std::string_view a, std::string_view b);
// Whether the filter lets one enumeration give both the files and the subfolders.
bool FilterMatchesEverything(const std::string& filter);

// One listing format: the title part, one block per folder, the totals, each as bytes
// appended to `out`. A block is made row by row (BlockStart, BlockRow for each row in
// order, BlockEnd), so that a folder of any size can be written in parts; FolderBlock
// makes a whole block at once. The walk hands it rows; a sink writes what it makes.
class ListingFormat {
 public:
  virtual ~ListingFormat() = default;
  virtual void Title(std::string& out) = 0;
  virtual void BlockStart(std::string& out) = 0;
  virtual void BlockRow(const ListingRow& row, std::string& out) = 0;
  virtual void BlockEnd(std::string& out) = 0;
  virtual void Totals(const ScanTotals& totals, std::string& out) = 0;
  void FolderBlock(const std::vector<ListingRow>& rows, std::string& out) {
    BlockStart(out);
    for (const ListingRow& row : rows) BlockRow(row, out);
    BlockEnd(out);
  }
};

// The writer of `options.format` ("Text", "HTML", "CSV", "JSONL"); null for any other.
std::unique_ptr<ListingFormat> MakeListingFormat(const ListingOptions& options);
// The same with the code page for Text and HTML given (the system's by default).
std::unique_ptr<ListingFormat> MakeListingFormat(const ListingOptions& options,
                                                 std::unique_ptr<platform::CodePage> page);

// The working listing of one format: a format and the sink it writes to. Each operation
// appends to the sink; a failure to create, write or append is kept in Error() and every
// operation after it reports false.
class ListingFile {
 public:
  // `basePath` is the program's folder followed by "\Dirsheet"; the file is basePath +
  // ".txt" for "Text", basePath + ".html" for "HTML" (".csv", ".jsonl" for the others),
  // none for any other format text.
  ListingFile(const std::string& basePath, const ListingOptions& options);
  // Writes to an open stream (standard output for the command-line tool); the stream is
  // flushed after every step (see FlushEveryStep) but not closed. `name` is used in error
  // texts.
  ListingFile(std::FILE* stream, std::string name, const ListingOptions& options);
  ~ListingFile();
  ListingFile(const ListingFile&) = delete;
  ListingFile& operator=(const ListingFile&) = delete;

  const std::string& Path() const { return path_; }  // empty for an unknown format
  // Deletes an earlier working listing of this format; a missing file is no error.
  bool DeleteExisting();
  bool WriteListingHeader();
  // One folder's block, in parts so that a folder of any size can be written:
  // BeginFolderBlock, then AddRow for each row in order, then EndFolderBlock. The parts go
  // out in writes of a bounded size; the block is complete on disk when EndFolderBlock
  // returns.
  bool BeginFolderBlock();
  bool AddRow(const ListingRow& row);
  bool EndFolderBlock();
  bool AppendTotals(const ScanTotals& totals);
  // Closes the file if it is still open (AppendTotals does so too); false on an error.
  bool Close();
  // With false, blocks are gathered in the stream's buffer and go out when it is full or
  // the listing ends, instead of one write per step: for a reader that only wants the
  // whole listing (a file, a pipe), the walk makes thousands of writes fewer.
  void FlushEveryStep(bool each) { flushEachStep_ = each; }
  bool ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  // The last failure was a reader that went away (a closed pipe), not a fault here.
  bool ReaderGone() const { return readerGone_; }

 private:
  struct Impl;
  // Writes `bytes`, then flushes them to the file unless `flush` is false.
  bool Write(const std::string& bytes, bool flush = true);
  std::string path_;
  std::string error_;
  bool readerGone_ = false;
  bool flushEachStep_ = true;
  std::unique_ptr<Impl> impl_;
};

// The walk of one scan: ListFolder(path) lists `path` and every folder below it in
// pre-order, handing one block per folder to the listing file. A folder's rows are held
// in a compact form and written in parts, so a folder of any size costs little memory.
// With more than one thread the folders are read ahead in parallel; the blocks, their
// order and every host call stay those of the one-thread walk.
class FolderWalk {
 public:
  FolderWalk(platform::FileSystem& fs, const ListingOptions& options, ScanHost& host,
             ListingFile& listing, ScanTotals& totals);
  ~FolderWalk();
  void ListFolder(const std::string& path);
  // Several source folders, each walked in turn; a folder listed under one of them is not
  // listed again under another.
  void ListFolders(const std::vector<std::string>& paths);

  struct Node;
  class ReadAhead;

 private:
  class Pass;
  void Emit(Node& node, bool replayStatus);

  platform::FileSystem& fs_;
  const ListingOptions& options_;
  ScanHost& host_;
  ListingFile& listing_;
  ScanTotals& totals_;
  ListingRow row_;      // each row of a block is made here in turn
  std::string status_;  // the status text of a file shown after its folder was read
};

}  // namespace dirsheet::listing
