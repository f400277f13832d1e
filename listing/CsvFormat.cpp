// The CSV listing (RFC 4180): UTF-8, CR LF line ends, one header line, one record per
// file with its folder, name and the chosen attributes; sizes in bytes, stamps in ISO
// 8601 UTC, so that scripts can add and compare them.
#include "listing/Formats.h"
#include "platform/Utf8.h"

namespace dirsheet::listing {

namespace {

// A field quoted when it holds a comma, a quote, a line break or any other control
// character; quotes inside doubled. Bytes that are not UTF-8 become U+FFFD.
void Field(std::string& out, const std::string& text) {
  bool quote = false;
  bool valid = true;
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t c;
    pos += platform::DecodeUtf8(text, pos, c);
    if (c == platform::kNotACharacter)
      valid = false;
    else if (c == ',' || c == '"' || c < 32 || c == 127)
      quote = true;
  }
  std::string clean;
  const std::string* value = &text;
  if (!valid) {
    for (std::size_t pos = 0; pos < text.size();) {
      char32_t c;
      const std::size_t n = platform::DecodeUtf8(text, pos, c);
      if (c == platform::kNotACharacter)
        clean += "\xEF\xBF\xBD";
      else
        clean.append(text, pos, n);
      pos += n;
    }
    value = &clean;
  }
  if (!quote) {
    out += *value;
    return;
  }
  out += '"';
  for (char ch : *value) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

class CsvFormat : public ListingFormat {
 public:
  explicit CsvFormat(const ListingOptions& o) : options_(o) {}

  void Title(std::string& out) override {
    if (options_.foldersOnly) {
      out += "folder,files,size\r\n";
      return;
    }
    out += "folder,name";
    if (options_.type) out += ",type";
    if (options_.size) out += ",size";
    if (options_.created) out += ",created";
    if (options_.modified) out += ",modified";
    out += "\r\n";
  }

  void BlockStart(std::string&) override { tally_.Start(); }

  void BlockRow(const ListingRow& row, std::string& out) override {
    // Every record names the folder of the block's first row.
    if (tally_.Take(row)) {
      folder_.clear();
      Field(folder_, tally_.folder);
    }
    if (options_.foldersOnly) return;
    if (row.kind != RowKind::File && row.kind != RowKind::Link) return;
    out += folder_;
    out += ',';
    Field(out, row.cells[kName]);
    if (options_.type) {
      out += ',';
      Field(out, row.cells[kType]);
    }
    if (options_.size) {
      out += ',';
      if (row.kind == RowKind::File) out += std::to_string(row.bytes);
    }
    if (options_.created) out += ',' + IsoStamp(row.created);
    if (options_.modified) out += ',' + IsoStamp(row.modified);
    out += "\r\n";
  }

  void BlockEnd(std::string& out) override {
    if (!options_.foldersOnly || tally_.rows == 0) return;
    out += folder_;
    out += ',' + std::to_string(tally_.files) + ',' + std::to_string(tally_.bytes) + "\r\n";
  }

  // The totals are no file: a CSV listing is its records alone.
  void Totals(const ScanTotals&, std::string&) override {}

 private:
  ListingOptions options_;
  FolderTally tally_;
  std::string folder_;  // the block's folder as a field, ready to be written
};

}  // namespace

std::unique_ptr<ListingFormat> MakeCsvFormat(const ListingOptions& o) {
  return std::make_unique<CsvFormat>(o);
}

}  // namespace dirsheet::listing
