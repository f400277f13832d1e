// The folder walk: one block of rows per folder, in pre-order, with the scan's totals.
// The walk keeps its own stack of open folders instead of recursing, so no depth of tree
// can overflow the call stack, and it does not enter a folder that is already open higher
// up on the current path, so no link can make it loop.
#include "listing/Listing.h"

namespace dirsheet::listing {

using platform::FindEntry;

namespace {

// Folder path, separator, name; a path that already ends in the separator (a POSIX root
// "/") gets no second one.
std::string JoinPath(const std::string& folder, char sep, const std::string& name) {
  std::string out;
  out.reserve(folder.size() + 1 + name.size());
  out = folder;
  if (out.empty() || out.back() != sep) out += sep;
  out += name;
  return out;
}

}  // namespace

FolderWalk::FolderWalk(platform::FileSystem& fs, const ListingOptions& options,
                       ScanHost& host, ListingFile& listing, ScanTotals& totals)
    : fs_(fs), options_(options), host_(host), listing_(listing), totals_(totals) {}

void FolderWalk::ListFolder(const std::string& path) {
  if (host_.StopRequested()) return;
  open_.clear();
  open_.emplace_back();
  open_.back().path = path;
  open_.back().access = path;
  ListOne(open_.back());

  const char sep = fs_.Separator();
  while (!open_.empty()) {
    // A listing that can no longer be written ends the walk: the caller reports it.
    if (!listing_.ok()) break;
    Level& top = open_.back();
    if (top.next == top.subfolders.size()) {
      open_.pop_back();
      continue;
    }
    const FindEntry& entry = top.subfolders[top.next++];
    std::string child = JoinPath(top.path, sep, entry.name);
    std::string access = JoinPath(top.access, sep,
                                  entry.nativeName.empty() ? entry.name : entry.nativeName);
    totals_.TotalFolders += 1;
    host_.SetStatus(child);
    // After Stop the remaining subfolders are still counted, but nothing below is listed.
    if (host_.StopRequested()) continue;
    Level next;
    if (LeadsToOpenFolder(access, entry, next)) {
      host_.FolderLoop(child);
      continue;
    }
    next.path = std::move(child);
    next.access = std::move(access);
    open_.push_back(std::move(next));
    ListOne(open_.back());
  }
  open_.clear();
}

// Lists one folder: its file rows, sorted once, framed by heading and summary, handed to
// the listing; its subfolders are kept for the walk to enter next.
void FolderWalk::ListOne(Level& level) {
  folderFiles_ = 0;
  folderBytes_ = 0;
  rows_.Clear();
  // With "*" or "*.*" one enumeration gives both the files and the subfolders, in the
  // same order; any other filter needs a second enumeration of every entry.
  const bool oneEnumeration = FilterMatchesEverything(options_.filter);
  ListFiles(level, oneEnumeration);
  if (!oneEnumeration) CollectFolders(level);

  rows_.SortByColumn(OrderColumn(options_));

  ListingRow heading;
  heading.kind = RowKind::Heading;
  heading.cells[kName] = level.path;
  rows_.InsertAtTop(std::move(heading));

  ListingRow summary;
  summary.kind = RowKind::Summary;
  summary.cells[kName] = "Info";
  summary.cells[kType] = "File(s): " + std::to_string(folderFiles_) +
                         " - Size: " + std::to_string(folderBytes_) + " Byte(s).";
  rows_.Append(std::move(summary));
  listing_.AppendFolderBlock(rows_);
}

void FolderWalk::ListFiles(Level& level, bool collectFolders) {
  std::unique_ptr<platform::Enumeration> found = fs_.Find(level.access, options_.filter);
  if (!found) {
    // No match and an unreadable folder look alike here; only the latter is reported.
    if (collectFolders && fs_.Unreadable(level.access)) host_.FolderUnreadable(level.path);
    return;
  }
  FindEntry entry;
  bool first = true;
  while (found->Next(entry)) {
    if (!first) host_.PumpMessages();
    first = false;
    delete_Null(entry.name);
    if (entry.name == "." || entry.name == "..") continue;
    // Folders are never file rows, whatever the filter.
    if (entry.isDirectory) {
      if (collectFolders) level.subfolders.push_back(std::move(entry));
      continue;
    }
    MakeFileRow(level, entry);
  }
}

void FolderWalk::CollectFolders(Level& level) {
  std::unique_ptr<platform::Enumeration> found = fs_.Find(level.access, "*");
  if (!found) {
    if (fs_.Unreadable(level.access)) host_.FolderUnreadable(level.path);
    return;
  }
  FindEntry entry;
  while (found->Next(entry)) {
    delete_Null(entry.name);
    if (entry.name == "." || entry.name == "..") continue;
    if (entry.isDirectory) level.subfolders.push_back(std::move(entry));
  }
}

void FolderWalk::MakeFileRow(const Level& level, const FindEntry& entry) {
  const char sep = fs_.Separator();
  host_.SetStatus(JoinPath(level.path, sep, entry.name));
  // The record's two halves give the exact size, 2 GiB and more included.
  const std::uint64_t bytes = (std::uint64_t{entry.sizeHigh} << 32) | entry.sizeLow;

  ListingRow row;
  row.kind = RowKind::File;
  row.cells[kName] = entry.name;
  if (options_.type) {
    std::string type = fs_.TypeName(JoinPath(
        level.access, sep, entry.nativeName.empty() ? entry.name : entry.nativeName));
    row.cells[kType] = std::move(delete_Null(type));
  }
  if (options_.size) row.cells[kSize] = std::to_string(ScaleBytesRounded(bytes, 1));
  if (options_.created) row.cells[kCreated] = FormatStamp(entry.creationTime);
  if (options_.modified) row.cells[kModified] = FormatStamp(entry.lastWriteTime);
  rows_.Append(std::move(row));

  folderFiles_ += 1;
  folderBytes_ += bytes;
  totals_.TotalFiles += 1;
  totals_.TotalBytes += bytes;
}

// True when `child` leads to a folder already open on the current path. Identities come
// from the enumeration where the backend gives them; otherwise only links are looked up,
// since a plain folder cannot lead back up the tree.
bool FolderWalk::LeadsToOpenFolder(const std::string& child, const FindEntry& entry,
                                   Level& level) {
  if (entry.hasId) {
    level.known = level.valid = true;
    level.id = entry.id;
  } else if (entry.isLink) {
    level.known = true;
    level.valid = fs_.Identify(child, level.id);
  } else {
    return false;
  }
  if (!level.valid) return false;
  for (Level& open : open_) {
    if (!open.known) {
      open.known = true;
      open.valid = fs_.Identify(open.access, open.id);
    }
    if (open.valid && open.id == level.id) return true;
  }
  return false;
}

}  // namespace dirsheet::listing
