// The writers behind ListingFormat, one per format, and what they share.
#pragma once

#include <memory>
#include <string>

#include "listing/CellText.h"
#include "listing/Listing.h"

namespace dirsheet::listing {

inline constexpr const char* kTitles[5] = {"Name", "Type", "Size(KB)", "Created date",
                                           "Last modified date"};

// Whether a column is shown (Name always is).
inline bool Shown(const ListingOptions& o, int column) {
  switch (column) {
    case kType:
      return o.type;
    case kSize:
      return o.size;
    case kCreated:
      return o.created;
    case kModified:
      return o.modified;
    default:
      return true;
  }
}

// Appends `text` and the listing's line end.
inline void Line(std::string& out, const std::string& text) {
  out += text;
  out += "\r\n";
}

// One row per folder (folders only): a block taken row by row names its folder by the
// first row and gives the last row's figures.
struct FolderTally {
  std::size_t rows = 0;
  std::string folder;
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;

  void Start() { rows = 0; }
  // True for the block's first row.
  bool Take(const ListingRow& row) {
    files = row.files;
    bytes = row.bytes;
    if (rows++ != 0) return false;
    folder = row.cells[kName];
    return true;
  }
};

// "Total Files Size: M MB; K KB; B Byte(s)."
std::string TotalSizeText(const ScanTotals& t);

std::unique_ptr<ListingFormat> MakeTextFormat(const ListingOptions& o,
                                              std::unique_ptr<platform::CodePage> page);
std::unique_ptr<ListingFormat> MakeHtmlFormat(const ListingOptions& o,
                                              std::unique_ptr<platform::CodePage> page);
std::unique_ptr<ListingFormat> MakeCsvFormat(const ListingOptions& o);
std::unique_ptr<ListingFormat> MakeJsonLinesFormat(const ListingOptions& o);

}  // namespace dirsheet::listing
