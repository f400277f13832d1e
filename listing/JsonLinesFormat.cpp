// The JSON Lines listing: one object per line, LF line ends, UTF-8. Per folder one object
// per file, then one for the folder's summary; at the end one with the totals. The key
// "kind" tells them apart ("file", "link", "folder", "totals"); sizes are bytes.
#include "listing/Formats.h"
#include "platform/Utf8.h"

namespace dirsheet::listing {

namespace {

const char kHex[] = "0123456789abcdef";

// A JSON string. Control characters are escaped as JSON says; a byte that is not UTF-8
// (a name the file system keeps as raw bytes) becomes the escape \udcXX of the byte, the
// convention by which Python's file-system names carry such bytes, so the name is kept.
void String(std::string& out, const std::string& text) {
  out += '"';
  for (std::size_t pos = 0; pos < text.size();) {
    char32_t c;
    const std::size_t n = platform::DecodeUtf8(text, pos, c);
    if (c == platform::kNotACharacter) {
      const unsigned char b = static_cast<unsigned char>(text[pos]);
      out += "\\udc";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else if (c == '"') {
      out += "\\\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 32 || c == 127) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out.append(text, pos, n);
    }
    pos += n;
  }
  out += '"';
}

void Key(std::string& out, const char* key) {
  out += ",\"";
  out += key;
  out += "\":";
}

class JsonLinesFormat : public ListingFormat {
 public:
  explicit JsonLinesFormat(const ListingOptions& o) : options_(o) {}

  void Title(std::string&) override {}

  void BlockStart(std::string&) override { rowsInBlock_ = 0; }

  void BlockRow(const ListingRow& row, std::string& out) override {
    // Every object names the folder of the block's first row.
    if (rowsInBlock_++ == 0) {
      folder_.clear();
      String(folder_, row.cells[kName]);
    }
    if (row.kind == RowKind::Summary) {
      out += "{\"kind\":\"folder\",\"folder\":";
      out += folder_;
      Key(out, "files");
      out += std::to_string(row.files);
      Key(out, "size");
      out += std::to_string(row.bytes);
      out += "}\n";
    } else if (!options_.foldersOnly && (row.kind == RowKind::File || row.kind == RowKind::Link)) {
      out += row.kind == RowKind::File ? "{\"kind\":\"file\",\"folder\":"
                                       : "{\"kind\":\"link\",\"folder\":";
      out += folder_;
      Key(out, "name");
      String(out, row.cells[kName]);
      if (options_.type) {
        Key(out, "type");
        String(out, row.cells[kType]);
      }
      if (options_.size && row.kind == RowKind::File) {
        Key(out, "size");
        out += std::to_string(row.bytes);
      }
      if (options_.created) {
        Key(out, "created");
        out += '"' + IsoStamp(row.created) + '"';
      }
      if (options_.modified) {
        Key(out, "modified");
        out += '"' + IsoStamp(row.modified) + '"';
      }
      out += "}\n";
    }
  }

  void BlockEnd(std::string&) override {}

  void Totals(const ScanTotals& t, std::string& out) override {
    out += "{\"kind\":\"totals\",\"folders\":" + std::to_string(t.TotalFolders) +
           ",\"files\":" + std::to_string(t.TotalFiles) +
           ",\"size\":" + std::to_string(t.TotalBytes) +
           ",\"unreadable\":" + std::to_string(t.Unreadable) +
           ",\"not_entered\":" + std::to_string(t.NotEntered) + "}\n";
  }

 private:
  ListingOptions options_;
  std::size_t rowsInBlock_ = 0;
  std::string folder_;  // the block's folder as a JSON string, ready to be written
};

}  // namespace

std::unique_ptr<ListingFormat> MakeJsonLinesFormat(const ListingOptions& o) {
  return std::make_unique<JsonLinesFormat>(o);
}

}  // namespace dirsheet::listing
