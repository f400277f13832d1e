// The folder walk: one block of rows per folder, in pre-order, with the scan's totals.
//
// The walk keeps its own stack of open folders instead of recursing, so no depth of tree
// can overflow the call stack. A folder that leads to one already listed in this scan
// (same device and inode, or volume and file ID) is not entered again, so neither a link
// back up the tree nor a maze of links that branch can make the walk loop or explode.
//
// With more than one thread, the other threads read folders ahead of the walk, earliest
// in pre-order first, while this thread decides, lists and writes every folder in
// pre-order: the listing and every call to the host are those of the one-thread walk.
// When the folder it needs next is still being read, this thread reads another one
// instead of waiting. What is read ahead and not yet written is capped, so memory stays
// bounded, and the readers are woken only when there is real work for them.
#include <algorithm>
#include <deque>
#include <set>
#include <thread>

#include "listing/FolderContents.h"
#include "platform/Sync.h"
#include "platform/Wildcard.h"

namespace dirsheet::listing {

using platform::FindEntry;
using platform::FindResult;
using platform::FolderId;

namespace {

// Folder path, separator, name; a path that already ends in the separator (a POSIX root
// "/") gets no second one.
std::string JoinPath(const std::string& folder, char sep, std::string_view name) {
  std::string out;
  out.reserve(folder.size() + 1 + name.size());
  out = folder;
  if (out.empty() || out.back() != sep) out += sep;
  out.append(name);
  return out;
}

bool Excluded(const ListingOptions& o, const std::string& name) {
  for (const std::string& pattern : o.exclude)
    if (platform::WildcardMatch(pattern, name)) return true;
  return false;
}

// The identities of the folders listed in this scan, 16 bytes each: an open-addressed
// table kept at most three quarters full.
class IdSet {
 public:
  bool Contains(const FolderId& id) const {
    if (Empty(id)) return haveEmpty_;
    if (slots_.empty()) return false;
    for (std::size_t i = Hash(id) & mask_;; i = (i + 1) & mask_) {
      if (slots_[i] == id) return true;
      if (Empty(slots_[i])) return false;
    }
  }

  void Insert(const FolderId& id) {
    if (Empty(id)) {
      haveEmpty_ = true;
      return;
    }
    if ((count_ + 1) * 4 > slots_.size() * 3) Grow();
    if (Place(slots_, mask_, id)) ++count_;
  }

 private:
  static bool Empty(const FolderId& id) { return id.volume == 0 && id.file == 0; }
  static std::size_t Hash(const FolderId& id) {
    std::uint64_t h = id.file * 0x9E3779B97F4A7C15ULL ^ (id.volume + 0x632BE59BD9B4E019ULL);
    h ^= h >> 31;
    h *= 0xBF58476D1CE4E5B9ULL;
    return static_cast<std::size_t>(h ^ (h >> 29));
  }
  // Puts `id` in its place; false when it was there already.
  static bool Place(std::vector<FolderId>& slots, std::size_t mask, const FolderId& id) {
    for (std::size_t i = Hash(id) & mask;; i = (i + 1) & mask) {
      if (slots[i] == id) return false;
      if (Empty(slots[i])) {
        slots[i] = id;
        return true;
      }
    }
  }
  void Grow() {
    const std::size_t size = slots_.empty() ? 64 : slots_.size() * 2;
    std::vector<FolderId> bigger(size);
    for (const FolderId& id : slots_)
      if (!Empty(id)) Place(bigger, size - 1, id);
    slots_.swap(bigger);
    mask_ = size - 1;
  }

  std::vector<FolderId> slots_;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
  bool haveEmpty_ = false;
};

// Read ahead at most this much that is not written yet.
constexpr std::size_t kMaxHeldFolders = 512;
constexpr std::size_t kMaxHeldBytes = std::size_t{1} << 20;

}  // namespace

// One folder of the walk: where it is, what it leads to and, once read, what it holds.
struct FolderWalk::Node {
  std::string path;    // as shown in headings and the status text
  std::string access;  // as handed to the file system, when it differs from `path`
  int depth = 0;
  std::vector<std::uint32_t> key;  // read ahead: place in pre-order, child indexes from the source
  bool isLink = false;
  bool hasId = false;
  bool idExact = false;  // the identity proves sameness (else it is only recorded)
  FolderId id;
  // The folder this one is in, held open, and the name that reaches this one in it: the
  // backend may open it through its folder. Let go of once read.
  std::shared_ptr<platform::OpenFolder> via;
  std::string viaName;
  // This folder held open while subfolders remain to be opened through it.
  std::shared_ptr<platform::OpenFolder> folder;

  // Waiting: made by the walk, which reads it itself; Reading; Read.
  enum State { Waiting, Reading, Read } state = Waiting;
  bool listedBefore = false;  // found already listed before its entries were read
  bool discarded = false;     // no longer wanted (skipped, or left after Stop)
  bool counted = false;       // read ahead and held: counts against the cap
  bool inFrontier = false;    // has subfolders no reader has taken yet
  std::size_t held = 0;       // bytes it holds while counted
  FolderContents contents;
  std::size_t next = 0;                     // the next subfolder the walk visits
  std::size_t scheduled = 0;                // subfolders before this one have nodes of their own
  std::deque<std::shared_ptr<Node>> ahead;  // the nodes of subfolders [next, scheduled)

  const std::string& Access() const { return access.empty() ? path : access; }
};

namespace {

using Node = FolderWalk::Node;

// The node of subfolder `i` of `parent`; the parent lets go of its open folder once the
// last one is made.
std::shared_ptr<Node> MakeChild(Node& parent, std::size_t i, char sep, bool keyed) {
  const ChildFolder& c = parent.contents.Child(i);
  auto child = std::make_shared<Node>();
  child->path = JoinPath(parent.path, sep, parent.contents.Name(c));
  if (!parent.access.empty() || c.accessLength)
    child->access = JoinPath(parent.Access(), sep, parent.contents.Access(c));
  child->depth = parent.depth + 1;
  if (keyed) {
    child->key.reserve(parent.key.size() + 1);
    child->key = parent.key;
    child->key.push_back(static_cast<std::uint32_t>(i));
  }
  child->isLink = c.isLink;
  child->hasId = c.hasId;
  child->idExact = c.idExact;
  child->id = c.id;
  if (parent.folder) {
    child->via = parent.folder;
    child->viaName.assign(parent.contents.Access(c));
    if (i + 1 == parent.contents.Children()) parent.folder.reset();
  }
  return child;
}

// Reads one folder into its node: file and link records, ordered, and subfolders. With a
// host, each file is shown and messages are pumped as it is read; without one (reading
// ahead) the records are kept so that the walk can show them when it writes the folder.
class Reader {
 public:
  Reader(platform::FileSystem& fs, const ListingOptions& o, TypeNames& types, ScanHost* host)
      : fs_(fs),
        options_(o),
        types_(types),
        host_(host),
        sep_(fs.Separator()),
        keepStamps_((o.created || o.modified) && !o.foldersOnly) {}

  // `listed` tells whether an identity was listed already (then nothing is read).
  template <class Listed>
  void Read(Node& node, const Listed& listed) {
    if (node.isLink && !node.hasId)
      node.hasId = node.idExact = fs_.Identify(node.Access(), node.id);
    if (node.hasId && node.idExact && listed(node.id)) {
      node.listedBefore = true;
      return;
    }
    unknown_ = 0;
    // With "*" or "*.*" one enumeration gives both the files and the subfolders, in the
    // same order; any other filter needs a second enumeration of every entry.
    const bool oneEnumeration = FilterMatchesEverything(options_.filter);
    ReadFiles(node, oneEnumeration);
    if (!oneEnumeration) ReadFolders(node);
    FolderContents& c = node.contents;
    if (unknown_ > 0 && !c.unreadable) {
      c.unreadable = true;
      c.reason = "the details of " + std::to_string(unknown_) +
                 (unknown_ == 1 ? " entry" : " entries") + " cannot be read";
    }
    if (!options_.foldersOnly) c.Sort(OrderColumn(options_), options_);
    node.via.reset();
  }

 private:
  void ReadFiles(Node& node, bool collectFolders) {
    FindResult result;
    std::unique_ptr<platform::Enumeration> found = Find(node, options_.filter, result);
    if (result.status == FindResult::Unreadable) {
      node.contents.unreadable = true;
      node.contents.reason = result.reason;
    }
    if (!found) return;
    bool first = true;
    while (found->Next(entry_)) {
      if (host_ && !first) host_->PumpMessages();
      first = false;
      delete_Null(entry_.name);
      if (entry_.name == "." || entry_.name == "..") continue;
      // An entry known by name alone gives no row: nothing about it is invented.
      if (entry_.detailsUnknown) {
        if (collectFolders) ++unknown_;
        continue;
      }
      if (!options_.exclude.empty() && Excluded(options_, entry_.name)) continue;
      // Folders are never file rows, whatever the filter.
      if (entry_.isDirectory) {
        if (options_.noFollow && entry_.isLink)
          AddRecord(node, RowKind::Link);
        else if (collectFolders)
          AddChild(node);
        continue;
      }
      AddRecord(node, RowKind::File);
    }
    if (collectFolders) Keep(node, *found);
  }

  std::unique_ptr<platform::Enumeration> Find(Node& node, const std::string& pattern,
                                              FindResult& result) {
    if (node.via) return fs_.FindIn(*node.via, node.viaName, node.Access(), pattern, result);
    return fs_.Find(node.Access(), pattern, result);
  }

  // Its subfolders may be opened through the folder, held open until they are.
  void Keep(Node& node, platform::Enumeration& found) {
    if (node.contents.Children() > 0) node.folder = found.Keep();
  }

  void ReadFolders(Node& node) {
    FindResult result;
    std::unique_ptr<platform::Enumeration> found = Find(node, "*", result);
    if (result.status == FindResult::Unreadable && !node.contents.unreadable) {
      node.contents.unreadable = true;
      node.contents.reason = result.reason;
    }
    if (!found) return;
    while (found->Next(entry_)) {
      delete_Null(entry_.name);
      if (entry_.name == "." || entry_.name == "..") continue;
      if (entry_.detailsUnknown) {
        ++unknown_;
        continue;
      }
      if (!entry_.isDirectory || (options_.noFollow && entry_.isLink)) continue;
      if (!options_.exclude.empty() && Excluded(options_, entry_.name)) continue;
      AddChild(node);
    }
    Keep(node, *found);
  }

  void AddChild(Node& node) {
    if (options_.maxDepth >= 0 && node.depth >= options_.maxDepth) return;
    ChildFolder child;
    child.isLink = entry_.isLink;
    child.hasId = entry_.hasId;
    child.idExact = entry_.idExact;
    child.id = entry_.id;
    // An ID unique only within its volume takes the volume of the folder it is in.
    if (child.hasId && !child.idExact) {
      child.hasId = node.hasId;
      child.id.volume = node.id.volume;
    }
    node.contents.AddChild(child, entry_.name, entry_.accessName);
  }

  void AddRecord(Node& node, RowKind kind) {
    FolderContents& c = node.contents;
    const std::uint64_t bytes = kind == RowKind::File ? entry_.size : 0;
    if (kind == RowKind::File) {
      c.files += 1;
      c.bytes += bytes;
    }
    if (host_) {
      status_.assign(node.path);
      if (status_.empty() || status_.back() != sep_) status_ += sep_;
      status_ += entry_.name;
      host_->SetStatus(status_);
      // Counted, but no row; a folder read ahead keeps the name to be shown later.
      if (options_.foldersOnly) return;
    }
    FileRecord r;
    r.kind = kind;
    r.bytes = bytes;
    if (options_.type && kind == RowKind::File && !options_.foldersOnly)
      r.type = types_.Of(entry_.name);
    const Stamps stamps{entry_.creationTime, entry_.lastWriteTime};
    c.AddRecord(r, entry_.name, keepStamps_ ? &stamps : nullptr);
  }

  platform::FileSystem& fs_;
  const ListingOptions& options_;
  TypeNames::Cache types_;
  ScanHost* host_;
  char sep_;
  bool keepStamps_;  // a date column is shown
  std::size_t unknown_ = 0;
  FindEntry entry_;     // each entry is read into this one in turn
  std::string status_;  // the status text is made here
};

// Pre-order of the next subfolder each frontier node would hand out: the node's place
// followed by the index of that subfolder.
struct FrontierLess {
  bool operator()(const Node* a, const Node* b) const {
    const std::size_t n = std::min(a->key.size(), b->key.size());
    for (std::size_t i = 0; i < n; ++i)
      if (a->key[i] != b->key[i]) return a->key[i] < b->key[i];
    const std::uint64_t x = a->key.size() > n ? a->key[n] : a->scheduled;
    const std::uint64_t y = b->key.size() > n ? b->key[n] : b->scheduled;
    if (x != y) return x < y;
    // Only one node has this place: keys are unique, and no node can lie below a
    // subfolder that has no node yet.
    return a < b;
  }
};

}  // namespace

// The threads that read folders ahead of the walk, and what they share with it. Every
// member is guarded by `m_`, except `listed_`, which only the walk's thread changes (under
// `m_`) and reads (without it).
class FolderWalk::ReadAhead {
 public:
  ReadAhead(platform::FileSystem& fs, const ListingOptions& o, TypeNames& types, unsigned readers)
      : sep_(fs.Separator()) {
    for (unsigned i = 0; i < readers; ++i)
      threads_.emplace_back([this, &fs, &o, &types] { Work(fs, o, types); });
  }

  ~ReadAhead() {
    Stop();
    for (std::thread& t : threads_) t.join();
  }

  // No more folders are started; those being read are finished.
  void Stop() {
    platform::Locked hold(m_);
    stopping_ = true;
    work_.NotifyAll();
  }

  // The walk's next subfolder of `parent`: the node read (or being read) ahead for it,
  // or a new node, which the walk reads itself.
  std::shared_ptr<Node> TakeChild(Node& parent) {
    platform::Locked hold(m_);
    if (parent.next < parent.scheduled) {
      std::shared_ptr<Node> child = std::move(parent.ahead.front());
      parent.ahead.pop_front();
      ++parent.next;
      return child;
    }
    std::shared_ptr<Node> child = Schedule(parent);
    child->state = Node::Waiting;
    ++parent.next;
    parent.ahead.pop_back();
    return child;
  }

  // Makes sure `node` is read: here when it is the walk's own; else it waits for the
  // reader that has it, reading other folders meanwhile and letting the host pump.
  void Obtain(const std::shared_ptr<Node>& node, Reader& own, ScanHost& host) {
    platform::Locked hold(m_);
    if (node->state == Node::Waiting) {
      node->state = Node::Reading;
      hold.Unlock();
      own.Read(*node, [this](const FolderId& id) { return Listed(id); });
      hold.Lock();
      Finish(node, false);
      return;
    }
    while (node->state != Node::Read) {
      if (HasWork()) {
        std::shared_ptr<Node> other = TakeWork();
        hold.Unlock();
        own.Read(*other, [this](const FolderId& id) { return Listed(id); });
        hold.Lock();
        Finish(other, true);
        continue;
      }
      awaited_ = node.get();
      const bool woken = done_.WaitFor(m_, 15);
      awaited_ = nullptr;
      if (!woken) {
        hold.Unlock();
        host.PumpMessages();
        hold.Lock();
      }
    }
    Release(*node);
  }

  // Read by the walk's thread alone, which is the only one to change it.
  const IdSet& Listed() const { return listed_; }

  void MarkListed(const FolderId& id) {
    platform::Locked hold(m_);
    listed_.Insert(id);
  }

  // `node` and everything read ahead below it are no longer wanted.
  void Discard(const std::shared_ptr<Node>& node) {
    platform::Locked hold(m_);
    DiscardLocked(*node);
  }

 private:
  bool Listed(const FolderId& id) {
    platform::Locked hold(m_);
    return listed_.Contains(id);
  }

  bool HasWork() const {
    return !stopping_ && !frontier_.empty() && heldBytes_ < kMaxHeldBytes &&
           heldFolders_ < kMaxHeldFolders;
  }

  void Work(platform::FileSystem& fs, const ListingOptions& o, TypeNames& types) {
    Reader reader(fs, o, types, nullptr);
    platform::Locked hold(m_);
    for (;;) {
      while (!stopping_ && !HasWork()) {
        if (!frontier_.empty()) capped_ = true;  // woken again once the walk has caught up
        ++idle_;
        work_.Wait(m_);
        --idle_;
      }
      if (stopping_) return;
      std::shared_ptr<Node> node = TakeWork();
      hold.Unlock();
      reader.Read(*node, [this](const FolderId& id) { return Listed(id); });
      hold.Lock();
      Finish(node, true);
    }
  }

  // A new node for the next subfolder of `parent` that has none.
  std::shared_ptr<Node> Schedule(Node& parent) {
    if (parent.inFrontier) frontier_.erase(&parent);
    std::shared_ptr<Node> child = MakeChild(parent, parent.scheduled, sep_, true);
    ++parent.scheduled;
    parent.ahead.push_back(child);
    parent.inFrontier = parent.scheduled < parent.contents.Children();
    if (parent.inFrontier) frontier_.insert(&parent);
    return child;
  }

  // The earliest folder in pre-order that nobody reads yet.
  std::shared_ptr<Node> TakeWork() {
    std::shared_ptr<Node> node = Schedule(**frontier_.begin());
    node->state = Node::Reading;
    return node;
  }

  // A node has been read: it holds its rows until the walk takes it (`counted`), and its
  // subfolders become work.
  void Finish(const std::shared_ptr<Node>& node, bool counted) {
    node->state = Node::Read;
    if (node->discarded) {
      node->contents = FolderContents();
      node->folder.reset();
    } else {
      if (counted) {
        node->counted = true;
        node->held = node->contents.Footprint() + node->path.size() + sizeof(Node);
        heldBytes_ += node->held;
        heldFolders_ += 1;
      }
      if (!node->listedBefore && node->contents.Children() > 0) {
        node->inFrontier = true;
        frontier_.insert(node.get());
        if (idle_ > 0 && !capped_) work_.NotifyAll();
      }
    }
    if (awaited_ == node.get()) done_.NotifyOne();
  }

  // The walk has taken a node read ahead: it no longer counts against the cap. Readers
  // that stopped at the cap go on once half of it is free again, not at every folder.
  void Release(Node& node) {
    if (!node.counted) return;
    node.counted = false;
    heldBytes_ -= node.held;
    heldFolders_ -= 1;
    if (capped_ && heldBytes_ <= kMaxHeldBytes / 2 && heldFolders_ <= kMaxHeldFolders / 2) {
      capped_ = false;
      if (idle_ > 0) work_.NotifyAll();
    }
  }

  void DiscardLocked(Node& node) {
    if (node.discarded) return;
    Release(node);
    node.discarded = true;
    if (node.inFrontier) {
      frontier_.erase(&node);
      node.inFrontier = false;
    }
    if (node.state == Node::Read) {
      for (const std::shared_ptr<Node>& child : node.ahead) DiscardLocked(*child);
      node.ahead.clear();
      node.contents = FolderContents();
      node.folder.reset();
    }
    // A node being read is dropped by its reader when it is done.
  }

  char sep_;
  platform::Mutex m_;
  platform::Condition work_;                // readers wait here for work
  platform::Condition done_;                // the walk waits here for the node it needs
  std::set<Node*, FrontierLess> frontier_;  // read nodes with subfolders nobody has taken
  IdSet listed_;
  const Node* awaited_ = nullptr;
  std::size_t heldBytes_ = 0;
  std::size_t heldFolders_ = 0;
  unsigned idle_ = 0;
  bool capped_ = false;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

FolderWalk::FolderWalk(platform::FileSystem& fs, const ListingOptions& options, ScanHost& host,
                       ListingFile& listing, ScanTotals& totals)
    : fs_(fs), options_(options), host_(host), listing_(listing), totals_(totals) {}

FolderWalk::~FolderWalk() = default;

void FolderWalk::ListFolder(const std::string& path) { ListFolders({path}); }

// One run of ListFolders: the readers, the path of folders open from the source down
// and the identities listed so far, with the walk's steps.
class FolderWalk::Pass {
 public:
  Pass(FolderWalk& walk, unsigned threads)
      : w_(walk),
        parallel_(threads > 1),
        types_(walk.fs_),
        own_(walk.fs_, walk.options_, types_, parallel_ ? nullptr : &walk.host_) {
    // Reading ahead, this thread reads too; its host calls wait until a folder is written.
    if (parallel_) ahead_ = std::make_unique<ReadAhead>(w_.fs_, w_.options_, types_, threads - 1);
  }

  // Lists the source folder `path` (the `index`th) and every folder below it, in
  // pre-order; false when the listing can no longer be written and the walk ends.
  bool ListSource(const std::string& path, std::uint32_t index) {
    auto source = std::make_shared<Node>();
    source->path = path;
    source->key = {index};
    source->hasId = source->idExact = w_.fs_.Identify(source->path, source->id);
    if (Visit(source)) open_.push_back(source);
    while (!open_.empty()) {
      // A listing that can no longer be written ends the walk: the caller reports it.
      if (!w_.listing_.ok()) return false;
      Node& top = *open_.back();
      if (top.next == top.contents.Children()) {
        open_.pop_back();  // the folder and all below it are done: freed here
        continue;
      }
      std::shared_ptr<Node> child = TakeChild(top);
      w_.totals_.TotalFolders += 1;
      w_.host_.SetStatus(child->path);
      // After Stop the remaining subfolders are still counted, but nothing below is listed.
      if (w_.host_.StopRequested()) {
        if (parallel_) {
          ahead_->Stop();
          ahead_->Discard(child);
        }
        continue;
      }
      if (Visit(child)) open_.push_back(child);
    }
    return true;
  }

 private:
  // Reads, checks and lists one folder; false when it is not entered.
  bool Visit(const std::shared_ptr<Node>& node) {
    // The reading itself stops short at an identity listed already.
    if (parallel_)
      ahead_->Obtain(node, own_, w_.host_);
    else
      own_.Read(*node, [&](const FolderId& id) { return listedHere_.Contains(id); });
    if (ListedAlready(*node)) {
      w_.totals_.NotEntered += 1;
      if (parallel_) ahead_->Discard(node);
      return false;
    }
    if (node->hasId) {
      if (parallel_)
        ahead_->MarkListed(node->id);
      else
        listedHere_.Insert(node->id);
    }
    w_.Emit(*node, parallel_);
    return true;
  }

  // Whether `node` leads to a folder listed already; names the reason when it does.
  bool ListedAlready(const Node& node) {
    const IdSet& listed = parallel_ ? ahead_->Listed() : listedHere_;
    if (!(node.hasId && node.idExact && listed.Contains(node.id))) return false;
    for (const std::shared_ptr<Node>& above : open_) {
      if (above->hasId && above->id == node.id) {
        w_.host_.Problem(FolderProblem::Loop, node.path, "it leads back to " + above->path);
        return true;
      }
    }
    w_.host_.Problem(FolderProblem::AlreadyListed, node.path,
                     "it leads to a folder already listed in this scan");
    return true;
  }

  // The next subfolder of `top` for the walk.
  std::shared_ptr<Node> TakeChild(Node& top) {
    if (parallel_) return ahead_->TakeChild(top);
    return MakeChild(top, top.next++, w_.fs_.Separator(), false);
  }

  FolderWalk& w_;
  const bool parallel_;
  TypeNames types_;
  Reader own_;
  IdSet listedHere_;  // the one-thread walk's; reading ahead, the shared one counts
  std::vector<std::shared_ptr<Node>> open_;
  // Last, so that the readers stop before the nodes they may be looking at go.
  std::unique_ptr<ReadAhead> ahead_;
};

void FolderWalk::ListFolders(const std::vector<std::string>& paths) {
  unsigned threads = options_.threads;
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  Pass pass(*this, threads);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (host_.StopRequested() || !listing_.ok()) break;
    if (!pass.ListSource(paths[i], static_cast<std::uint32_t>(i))) break;
  }
}

// Hands a read folder's block to the listing, row by row, and counts it.
void FolderWalk::Emit(Node& node, bool replayStatus) {
  FolderContents& c = node.contents;
  if (c.unreadable) {
    totals_.Unreadable += 1;
    host_.Problem(FolderProblem::Unreadable, node.path, c.reason);
  }
  if (replayStatus) {
    // The host sees the files of a folder read ahead as it would have seen them read.
    const char sep = fs_.Separator();
    for (std::size_t i = 0; i < c.Records(); ++i) {
      if (i > 0) host_.PumpMessages();
      status_.assign(node.path);
      if (status_.empty() || status_.back() != sep) status_ += sep;
      status_.append(c.Name(c.Record(i)));
      host_.SetStatus(status_);
    }
  }
  totals_.TotalFiles += c.files;
  totals_.TotalBytes += c.bytes;

  listing_.BeginFolderBlock();
  row_ = ListingRow();
  row_.kind = RowKind::Heading;
  row_.cells[kName] = node.path;
  listing_.AddRow(row_);
  if (!options_.foldersOnly) {
    for (std::size_t i = 0; i < c.Records(); ++i) {
      c.MakeRow(i, options_, row_);
      if (!listing_.AddRow(row_)) break;
    }
  }
  row_ = ListingRow();
  row_.kind = RowKind::Summary;
  row_.cells[kName] = "Info";
  row_.cells[kType] =
      "File(s): " + std::to_string(c.files) + " - Size: " + std::to_string(c.bytes) + " Byte(s).";
  row_.files = c.files;
  row_.bytes = c.bytes;
  listing_.AddRow(row_);
  listing_.EndFolderBlock();
  c.ReleaseRows();
}

}  // namespace dirsheet::listing
