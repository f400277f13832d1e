#include "listing/FolderContents.h"

#include <algorithm>
#include <numeric>

namespace dirsheet::listing {

namespace {

// The part of a name a type name depends on: from its last dot on (empty without one).
// Both backends name a type by the extension alone, which this determines.
std::string_view ExtensionKey(std::string_view fileName) {
  const std::size_t dot = fileName.find_last_of('.');
  return dot == std::string_view::npos ? std::string_view() : fileName.substr(dot);
}

}  // namespace

const std::string* TypeNames::Cache::Of(std::string_view fileName) {
  const std::string_view key = ExtensionKey(fileName);
  auto it = known_.find(key);
  if (it != known_.end()) return it->second;
  const auto shared = names_.Lookup(key, fileName);
  known_.emplace(shared.first, shared.second);
  return shared.second;
}

std::pair<std::string_view, const std::string*> TypeNames::Lookup(std::string_view extension,
                                                                  std::string_view fileName) {
  platform::Locked hold(lock_);
  auto it = names_.find(std::string(extension));
  if (it == names_.end()) {
    std::string name = fs_.TypeName(std::string(fileName));
    it = names_.emplace(std::string(extension), std::move(delete_Null(name))).first;
  }
  return {it->first, &it->second};
}

std::uint64_t NameStore::Add(std::string_view name) {
  if (name.size() > room_ || blocks_.empty()) {
    const std::size_t grown = std::min<std::size_t>(std::size_t{256} << blocks_.size(), 64 * 1024);
    const std::size_t size = std::max(grown, name.size());
    blocks_.push_back(std::make_unique<char[]>(size));
    bytes_ += size;
    room_ = size;
    used_ = 0;
  }
  const std::uint64_t ref = (std::uint64_t{blocks_.size() - 1} << 32) | used_;
  std::copy(name.begin(), name.end(), blocks_.back().get() + used_);
  used_ += name.size();
  room_ -= name.size();
  return ref;
}

void NameStore::Release() {
  std::vector<std::unique_ptr<char[]>>().swap(blocks_);
  room_ = used_ = bytes_ = 0;
}

void FolderContents::AddRecord(FileRecord record, std::string_view name, const Stamps* stamps) {
  record.name = names_.Add(name);
  record.length = static_cast<std::uint32_t>(name.size());
  records_.PushBack(record);
  if (stamps) stamps_.PushBack(*stamps);
}

void FolderContents::AddChild(ChildFolder child, std::string_view name, std::string_view access) {
  child.name = childNames_.Add(name);
  child.length = static_cast<std::uint32_t>(name.size());
  child.accessLength = static_cast<std::uint32_t>(access.size());
  if (!access.empty()) child.access = childNames_.Add(access);
  children_.PushBack(child);
}

void FolderContents::Sort(int column, const ListingOptions& o) {
  order_.clear();
  const std::size_t n = records_.size();
  if (column < 0 || column >= 5 || n < 2) return;
  // A column that is not collected has an empty cell in every row: nothing moves.
  if ((column == kType && !o.type) || (column == kSize && !o.size) ||
      (column == kCreated && !o.created) || (column == kModified && !o.modified))
    return;
  order_.resize(n);
  std::iota(order_.begin(), order_.end(), 0u);
  if (column == kName || column == kType) {
    auto cell = [&](std::uint32_t i) -> std::string_view {
      const FileRecord& r = records_[i];
      if (column == kName) return Name(r);
      return r.kind == RowKind::Link ? std::string_view("Link") : std::string_view(*r.type);
    };
    std::stable_sort(order_.begin(), order_.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return CellLess(cell(a), cell(b)); });
    return;
  }
  // Sizes and stamps are compared as the texts the cells show ("10" before "9").
  std::vector<std::string> cells(n);
  for (std::size_t i = 0; i < n; ++i) {
    const FileRecord& r = records_[i];
    if (column == kSize) {
      if (r.kind == RowKind::File) cells[i] = std::to_string(ScaleBytesRounded(r.bytes, 1));
    } else {
      cells[i] = FormatStamp(column == kCreated ? stamps_[i].created : stamps_[i].modified);
    }
  }
  std::stable_sort(order_.begin(), order_.end(),
                   [&](std::uint32_t a, std::uint32_t b) { return CellLess(cells[a], cells[b]); });
}

void FolderContents::MakeRow(std::size_t i, const ListingOptions& o, ListingRow& row) const {
  const std::size_t at = order_.empty() ? i : order_[i];
  const FileRecord& r = records_[at];
  const Stamps stamps = stamps_.empty() ? Stamps() : stamps_[at];
  row.kind = r.kind;
  row.cells[kName].assign(Name(r));
  if (!o.type)
    row.cells[kType].clear();
  else if (r.kind == RowKind::Link)
    row.cells[kType] = "Link";
  else
    row.cells[kType] = *r.type;
  if (o.size && r.kind == RowKind::File)
    row.cells[kSize] = std::to_string(ScaleBytesRounded(r.bytes, 1));
  else
    row.cells[kSize].clear();
  if (o.created)
    row.cells[kCreated] = FormatStamp(stamps.created);
  else
    row.cells[kCreated].clear();
  if (o.modified)
    row.cells[kModified] = FormatStamp(stamps.modified);
  else
    row.cells[kModified].clear();
  row.bytes = r.bytes;
  row.files = 0;
  row.created = stamps.created;
  row.modified = stamps.modified;
}

std::size_t FolderContents::Footprint() const {
  return records_.Bytes() + stamps_.Bytes() + names_.Bytes() +
         order_.capacity() * sizeof(std::uint32_t) + children_.Bytes() + childNames_.Bytes();
}

void FolderContents::ReleaseRows() {
  records_.Release();
  stamps_.Release();
  names_.Release();
  std::vector<std::uint32_t>().swap(order_);
}

}  // namespace dirsheet::listing
