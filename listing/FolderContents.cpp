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

void ShrinkAway(std::string& s) { std::string().swap(s); }
template <class T>
void ShrinkAway(std::vector<T>& v) {
  std::vector<T>().swap(v);
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

void FolderContents::AddRecord(FileRecord record, std::string_view name) {
  record.name = names.size();
  record.length = static_cast<std::uint32_t>(name.size());
  names.append(name);
  records.push_back(record);
}

void FolderContents::AddChild(ChildFolder child, std::string_view name, std::string_view access) {
  child.name = childNames.size();
  child.length = static_cast<std::uint32_t>(name.size());
  childNames.append(name);
  child.access = childNames.size();
  child.accessLength = static_cast<std::uint32_t>(access.size());
  childNames.append(access);
  children.push_back(child);
}

void FolderContents::Sort(int column, const ListingOptions& o) {
  order.clear();
  if (column < 0 || column >= 5 || records.size() < 2) return;
  // A column that is not collected has an empty cell in every row: nothing moves.
  if ((column == kType && !o.type) || (column == kSize && !o.size) ||
      (column == kCreated && !o.created) || (column == kModified && !o.modified))
    return;
  order.resize(records.size());
  std::iota(order.begin(), order.end(), 0u);
  if (column == kName || column == kType) {
    auto cell = [&](std::uint32_t i) -> std::string_view {
      const FileRecord& r = records[i];
      if (column == kName) return Name(r);
      return r.kind == RowKind::Link ? std::string_view("Link") : std::string_view(*r.type);
    };
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
      return CellLess(cell(a), cell(b));
    });
    return;
  }
  // Sizes and stamps are compared as the texts the cells show ("10" before "9").
  std::vector<std::string> cells(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    const FileRecord& r = records[i];
    if (column == kSize) {
      if (r.kind == RowKind::File) cells[i] = std::to_string(ScaleBytesRounded(r.bytes, 1));
    } else {
      cells[i] = FormatStamp(column == kCreated ? r.created : r.modified);
    }
  }
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    return CellLess(cells[a], cells[b]);
  });
}

void FolderContents::MakeRow(const FileRecord& r, const ListingOptions& o, ListingRow& row) const {
  row.kind = r.kind;
  row.cells[kName].assign(Name(r));
  if (!o.type) row.cells[kType].clear();
  else if (r.kind == RowKind::Link) row.cells[kType] = "Link";
  else row.cells[kType] = *r.type;
  if (o.size && r.kind == RowKind::File) row.cells[kSize] = std::to_string(ScaleBytesRounded(r.bytes, 1));
  else row.cells[kSize].clear();
  if (o.created) row.cells[kCreated] = FormatStamp(r.created);
  else row.cells[kCreated].clear();
  if (o.modified) row.cells[kModified] = FormatStamp(r.modified);
  else row.cells[kModified].clear();
  row.bytes = r.bytes;
  row.files = 0;
  row.created = r.created;
  row.modified = r.modified;
}

std::size_t FolderContents::Footprint() const {
  return records.capacity() * sizeof(FileRecord) + names.capacity() +
         order.capacity() * sizeof(std::uint32_t) + children.capacity() * sizeof(ChildFolder) +
         childNames.capacity();
}

void FolderContents::ReleaseRows() {
  ShrinkAway(records);
  ShrinkAway(names);
  ShrinkAway(order);
}

}  // namespace dirsheet::listing
