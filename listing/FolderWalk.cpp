// The folder walk: one block of rows per folder, in pre-order, with the scan's totals.
//
// The walk keeps its own stack of open folders instead of recursing, so no depth of tree
// can overflow the call stack. A folder that leads to one already listed in this scan
// (same device and inode, or volume and file ID) is not entered again, so neither a link
// back up the tree nor a maze of links that branch can make the walk loop or explode.
//
// With more than one thread, a pool reads folders ahead of the walk, earliest in
// pre-order first, while this thread still decides, lists and writes every folder in
// pre-order: the listing and every call to the host are those of the one-thread walk.
// What is read ahead and not yet written is capped, so memory stays bounded.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <iterator>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_set>

#include "listing/Listing.h"
#include "platform/Wildcard.h"

namespace dirsheet::listing {

using platform::FindEntry;
using platform::FindResult;
using platform::FolderId;

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

struct IdHash {
  std::size_t operator()(const FolderId& id) const {
    return std::hash<std::uint64_t>()(id.file * 0x9E3779B97F4A7C15ULL ^ id.volume);
  }
};

bool Excluded(const ListingOptions& o, const std::string& name) {
  for (const std::string& pattern : o.exclude)
    if (platform::WildcardMatch(pattern, name)) return true;
  return false;
}

// Read ahead at most this much that is not written yet: rows and subfolders held.
constexpr std::size_t kMaxHeldFolders = 1024;
constexpr std::size_t kMaxHeldItems = 16384;

}  // namespace

// One folder of the walk: where it is, what it leads to and, once read, its rows.
struct FolderWalk::Node {
  std::string path;        // as shown in headings and the status text
  std::string access;      // as handed to the file system, when it differs from `path`
  int depth = 0;
  std::vector<std::uint32_t> key;  // place in pre-order: the child indexes from the source
  bool isLink = false;
  bool hasId = false;
  bool idExact = false;    // the identity proves sameness (else it is only recorded)
  FolderId id;

  enum State { Waiting, Reading, Read } state = Waiting;
  bool byWorker = false;      // read on a pool thread: the host has not seen its entries
  bool listedBefore = false;  // found already listed before its entries were read
  bool discarded = false;     // no longer wanted (skipped, or left after Stop)
  bool counted = false;       // read ahead and held: counts against the cap
  std::size_t held = 0;       // rows and subfolders it holds while counted
  bool unreadable = false;
  std::string reason;
  std::vector<ListingRow> rows;  // heading, file rows in their final order, summary
  std::vector<std::string> shown;  // read ahead: the names the host is to be shown
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
  std::vector<std::shared_ptr<Node>> children;
  std::size_t next = 0;      // the next child to visit

  const std::string& Access() const { return access.empty() ? path : access; }
};

namespace {

using Node = FolderWalk::Node;

// Reads one folder into its node: file rows (made, sorted, framed) and subfolders.
class Reader {
 public:
  Reader(platform::FileSystem& fs, const ListingOptions& o, ScanHost* host)
      : fs_(fs), options_(o), host_(host), sep_(fs.Separator()) {}

  // `listed` tells whether an identity was listed already (then nothing is read).
  template <class Listed>
  void Read(Node& node, const Listed& listed) {
    if (node.isLink && !node.hasId) node.hasId = node.idExact = fs_.Identify(node.Access(), node.id);
    if (node.hasId && node.idExact && listed(node.id)) {
      node.listedBefore = true;
      return;
    }
    ListingRow heading;
    heading.kind = RowKind::Heading;
    heading.cells[kName] = node.path;
    node.rows.push_back(std::move(heading));
    unknown_ = 0;

    // With "*" or "*.*" one enumeration gives both the files and the subfolders, in the
    // same order; any other filter needs a second enumeration of every entry.
    const bool oneEnumeration = FilterMatchesEverything(options_.filter);
    ReadFiles(node, oneEnumeration);
    if (!oneEnumeration) ReadFolders(node);
    if (unknown_ > 0 && !node.unreadable) {
      node.unreadable = true;
      node.reason = "the details of " + std::to_string(unknown_) +
                    (unknown_ == 1 ? " entry" : " entries") + " cannot be read";
    }

    SortRows(node.rows, OrderColumn(options_));

    ListingRow summary;
    summary.kind = RowKind::Summary;
    summary.cells[kName] = "Info";
    summary.cells[kType] = "File(s): " + std::to_string(node.files) +
                           " - Size: " + std::to_string(node.bytes) + " Byte(s).";
    summary.files = node.files;
    summary.bytes = node.bytes;
    node.rows.push_back(std::move(summary));
  }

 private:
  void ReadFiles(Node& node, bool collectFolders) {
    FindResult result;
    std::unique_ptr<platform::Enumeration> found =
        fs_.Find(node.Access(), options_.filter, result);
    if (result.status == FindResult::Unreadable) {
      node.unreadable = true;
      node.reason = result.reason;
    }
    if (!found) return;
    FindEntry entry;
    bool first = true;
    while (found->Next(entry)) {
      if (host_ && !first) host_->PumpMessages();
      first = false;
      delete_Null(entry.name);
      if (entry.name == "." || entry.name == "..") continue;
      // An entry known by name alone gives no row: nothing about it is invented.
      if (entry.detailsUnknown) {
        if (collectFolders) ++unknown_;
        continue;
      }
      if (!options_.exclude.empty() && Excluded(options_, entry.name)) continue;
      // Folders are never file rows, whatever the filter.
      if (entry.isDirectory) {
        if (options_.noFollow && entry.isLink) MakeRow(node, entry, RowKind::Link);
        else if (collectFolders) AddChild(node, entry);
        continue;
      }
      MakeRow(node, entry, RowKind::File);
    }
  }

  void ReadFolders(Node& node) {
    FindResult result;
    std::unique_ptr<platform::Enumeration> found = fs_.Find(node.Access(), "*", result);
    if (result.status == FindResult::Unreadable && !node.unreadable) {
      node.unreadable = true;
      node.reason = result.reason;
    }
    if (!found) return;
    FindEntry entry;
    while (found->Next(entry)) {
      delete_Null(entry.name);
      if (entry.name == "." || entry.name == "..") continue;
      if (entry.detailsUnknown) {
        ++unknown_;
        continue;
      }
      if (!entry.isDirectory || (options_.noFollow && entry.isLink)) continue;
      if (!options_.exclude.empty() && Excluded(options_, entry.name)) continue;
      AddChild(node, entry);
    }
  }

  void AddChild(Node& node, const FindEntry& entry) {
    if (options_.maxDepth >= 0 && node.depth >= options_.maxDepth) return;
    auto child = std::make_shared<Node>();
    child->path = JoinPath(node.path, sep_, entry.name);
    if (!node.access.empty() || !entry.accessName.empty())
      child->access = JoinPath(node.Access(), sep_,
                               entry.accessName.empty() ? entry.name : entry.accessName);
    child->depth = node.depth + 1;
    child->key = node.key;
    child->key.push_back(static_cast<std::uint32_t>(node.children.size()));
    child->isLink = entry.isLink;
    child->hasId = entry.hasId;
    child->idExact = entry.idExact;
    child->id = entry.id;
    // An ID unique only within its volume takes the volume of the folder it is in.
    if (child->hasId && !child->idExact) {
      child->hasId = node.hasId;
      child->id.volume = node.id.volume;
    }
    node.children.push_back(std::move(child));
  }

  void MakeRow(Node& node, const FindEntry& entry, RowKind kind) {
    if (host_) host_->SetStatus(JoinPath(node.path, sep_, entry.name));
    else node.shown.push_back(entry.name);  // shown when the walk takes the folder
    const std::uint64_t bytes = kind == RowKind::File ? entry.size : 0;
    if (kind == RowKind::File) {
      node.files += 1;
      node.bytes += bytes;
    }
    if (options_.foldersOnly) return;  // counted, but no row
    ListingRow row;
    row.kind = kind;
    row.cells[kName] = entry.name;
    if (options_.type) {
      if (kind == RowKind::Link) {
        row.cells[kType] = "Link";
      } else {
        std::string type = fs_.TypeName(entry.name);
        row.cells[kType] = std::move(delete_Null(type));
      }
    }
    if (options_.size && kind == RowKind::File)
      row.cells[kSize] = std::to_string(ScaleBytesRounded(bytes, 1));
    if (options_.created) row.cells[kCreated] = FormatStamp(entry.creationTime);
    if (options_.modified) row.cells[kModified] = FormatStamp(entry.lastWriteTime);
    row.bytes = bytes;
    row.created = entry.creationTime;
    row.modified = entry.lastWriteTime;
    node.rows.push_back(std::move(row));
  }

  // Sorts the file rows (between the heading and the end) with the row buffer's sort.
  static void SortRows(std::vector<ListingRow>& rows, int column) {
    if (column < 0 || rows.size() < 3) return;
    RowBuffer buffer;
    std::vector<ListingRow> files(std::make_move_iterator(rows.begin() + 1),
                                  std::make_move_iterator(rows.end()));
    buffer.Assign(std::move(files));
    buffer.SortByColumn(column);
    rows.resize(1);
    std::vector<ListingRow> sorted;
    buffer.Take(sorted);
    std::move(sorted.begin(), sorted.end(), std::back_inserter(rows));
  }

  platform::FileSystem& fs_;
  const ListingOptions& options_;
  ScanHost* host_;
  char sep_;
  std::size_t unknown_ = 0;
};

struct KeyLess {
  bool operator()(const std::shared_ptr<Node>& a, const std::shared_ptr<Node>& b) const {
    return a->key < b->key;
  }
};

}  // namespace

// The pool that reads folders ahead of the walk.
class FolderWalk::ReadAhead {
 public:
  ReadAhead(platform::FileSystem& fs, const ListingOptions& o, unsigned threads) {
    for (unsigned i = 0; i < threads; ++i)
      threads_.emplace_back([this, &fs, &o] { Work(fs, o); });
  }

  ~ReadAhead() {
    {
      std::lock_guard<std::mutex> lock(m_);
      stopping_ = true;
    }
    work_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  // Makes sure `node` is read: on this thread (with the host seeing each entry) when no
  // pool thread has taken it yet, else by waiting for it, letting the host pump.
  void Obtain(const std::shared_ptr<Node>& node, Reader& own, ScanHost& host) {
    std::unique_lock<std::mutex> lock(m_);
    if (node->state == Node::Waiting) {
      pending_.erase(node);
      node->state = Node::Reading;
      lock.unlock();
      own.Read(*node, [this](const FolderId& id) { return Listed(id); });
      lock.lock();
      node->state = Node::Read;
      Offer(*node);
      return;
    }
    while (node->state != Node::Read) {
      if (done_.wait_for(lock, std::chrono::milliseconds(15)) == std::cv_status::timeout) {
        lock.unlock();
        host.PumpMessages();
        lock.lock();
      }
    }
    Release(*node);
  }

  void MarkListed(const FolderId& id) {
    std::lock_guard<std::mutex> lock(m_);
    listed_.insert(id);
  }

  // `node` and everything read ahead below it are no longer wanted.
  void Discard(const std::shared_ptr<Node>& node) {
    std::lock_guard<std::mutex> lock(m_);
    DiscardLocked(node);
  }

 private:
  bool Listed(const FolderId& id) {
    std::lock_guard<std::mutex> lock(m_);
    return listed_.count(id) != 0;
  }

  void Work(platform::FileSystem& fs, const ListingOptions& o) {
    Reader reader(fs, o, nullptr);
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
      work_.wait(lock, [this] {
        return stopping_ ||
               (!pending_.empty() && heldFolders_ < kMaxHeldFolders && heldItems_ < kMaxHeldItems);
      });
      if (stopping_) return;
      std::shared_ptr<Node> node = *pending_.begin();
      pending_.erase(pending_.begin());
      node->state = Node::Reading;
      node->byWorker = true;
      lock.unlock();
      reader.Read(*node, [this](const FolderId& id) { return Listed(id); });
      lock.lock();
      node->state = Node::Read;
      if (node->discarded) {
        node->rows.clear();
        node->children.clear();
      } else {
        node->held = node->rows.size() + node->children.size();
        node->counted = true;
        heldFolders_ += 1;
        heldItems_ += node->held;
        Offer(*node);
      }
      done_.notify_all();
    }
  }

  // A read node's subfolders become work for the pool.
  void Offer(Node& node) {
    if (node.listedBefore || node.discarded || node.children.empty()) return;
    for (const std::shared_ptr<Node>& child : node.children) pending_.insert(child);
    work_.notify_all();
  }

  // The walk has taken a node read ahead: it no longer counts against the cap.
  void Release(Node& node) {
    if (!node.counted) return;
    node.counted = false;
    heldFolders_ -= 1;
    heldItems_ -= node.held;
    work_.notify_all();
  }

  void DiscardLocked(const std::shared_ptr<Node>& node) {
    if (node->discarded) return;
    Release(*node);
    node->discarded = true;
    if (node->state == Node::Waiting) {
      pending_.erase(node);
    } else if (node->state == Node::Read) {
      for (const std::shared_ptr<Node>& child : node->children) DiscardLocked(child);
      node->children.clear();
      node->rows.clear();
    }
    // A node being read is dropped by its reader when it is done.
  }

  std::mutex m_;
  std::condition_variable work_;
  std::condition_variable done_;
  std::set<std::shared_ptr<Node>, KeyLess> pending_;
  std::unordered_set<FolderId, IdHash> listed_;
  std::size_t heldFolders_ = 0;
  std::size_t heldItems_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

FolderWalk::FolderWalk(platform::FileSystem& fs, const ListingOptions& options,
                       ScanHost& host, ListingFile& listing, ScanTotals& totals)
    : fs_(fs), options_(options), host_(host), listing_(listing), totals_(totals) {}

FolderWalk::~FolderWalk() = default;

void FolderWalk::ListFolder(const std::string& path) { ListFolders({path}); }

void FolderWalk::ListFolders(const std::vector<std::string>& paths) {
  unsigned threads = options_.threads;
  if (threads == 0) threads = std::max(2u, std::thread::hardware_concurrency());
  if (threads > 1) ahead_ = std::make_unique<ReadAhead>(fs_, options_, threads);
  Reader own(fs_, options_, &host_);
  std::unordered_set<FolderId, IdHash> listed;
  std::vector<std::shared_ptr<Node>> open;

  // Whether `node` leads to a folder listed already; names the reason when it does.
  auto listedAlready = [&](const Node& node) {
    if (!(node.hasId && node.idExact && listed.count(node.id))) return false;
    for (const std::shared_ptr<Node>& above : open) {
      if (above->hasId && above->id == node.id) {
        host_.Problem(FolderProblem::Loop, node.path, "it leads back to " + above->path);
        return true;
      }
    }
    host_.Problem(FolderProblem::AlreadyListed, node.path,
                  "it leads to a folder already listed in this scan");
    return true;
  };

  // Reads, checks and lists one folder; false when it is not entered.
  auto visit = [&](const std::shared_ptr<Node>& node) {
    // The reading itself stops short at an identity listed already.
    if (ahead_) ahead_->Obtain(node, own, host_);
    else own.Read(*node, [&](const FolderId& id) { return listed.count(id) != 0; });
    if (listedAlready(*node)) {
      totals_.NotEntered += 1;
      if (ahead_) ahead_->Discard(node);
      return false;
    }
    if (node->hasId) {
      listed.insert(node->id);
      if (ahead_) ahead_->MarkListed(node->id);
    }
    Emit(*node);
    return true;
  };

  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (host_.StopRequested() || !listing_.ok()) break;
    auto source = std::make_shared<Node>();
    source->path = paths[i];
    source->key = {static_cast<std::uint32_t>(i)};
    source->hasId = source->idExact = fs_.Identify(source->path, source->id);
    if (visit(source)) open.push_back(source);
    while (!open.empty()) {
      // A listing that can no longer be written ends the walk: the caller reports it.
      if (!listing_.ok()) break;
      Node& top = *open.back();
      if (top.next == top.children.size()) {
        open.pop_back();
        continue;
      }
      // The parent lets go of each child as it is visited: a folder's subtree is freed
      // when the walk leaves it, so memory follows the current path, not the tree.
      std::shared_ptr<Node> child = std::move(top.children[top.next++]);
      totals_.TotalFolders += 1;
      host_.SetStatus(child->path);
      // After Stop the remaining subfolders are still counted, but nothing below is listed.
      if (host_.StopRequested()) {
        if (ahead_) ahead_->Discard(child);
        continue;
      }
      if (visit(child)) open.push_back(child);
    }
    open.clear();
  }
  ahead_.reset();
}

// Hands a read folder's block to the listing and counts it.
void FolderWalk::Emit(Node& node) {
  if (node.unreadable) {
    totals_.Unreadable += 1;
    host_.Problem(FolderProblem::Unreadable, node.path, node.reason);
  }
  if (node.byWorker) {
    // The host sees the rows of a folder read ahead as it would have seen them read.
    const char sep = fs_.Separator();
    bool first = true;
    for (const std::string& name : node.shown) {
      if (!first) host_.PumpMessages();
      first = false;
      host_.SetStatus(JoinPath(node.path, sep, name));
    }
    node.shown.clear();
  }
  totals_.TotalFiles += node.files;
  totals_.TotalBytes += node.bytes;
  rows_.Assign(std::move(node.rows));
  node.rows.clear();
  listing_.AppendFolderBlock(rows_);
}

}  // namespace dirsheet::listing
