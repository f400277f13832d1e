// The plain text listing: fixed-width columns filled with spaces, CR LF line ends, in the
// system's code page (or UTF-8).
#include "listing/Formats.h"

namespace dirsheet::listing {

namespace {

const char kStarRule[] = "**************************************************************";
// The width each column is filled to, measured on the cell before the fill.
const int kWidths[4] = {45, 30, 20, 20};

void Fill(std::string& out, int width, std::size_t before) {
  const long long n = static_cast<long long>(width) - static_cast<long long>(before);
  // A cell wider than its column leaves no fill; the next cell follows it directly.
  if (n > 0) out.append(static_cast<std::size_t>(n), ' ');
}

class TextFormat : public ListingFormat {
 public:
  TextFormat(const ListingOptions& o, std::unique_ptr<platform::CodePage> page)
      : options_(o), text_(std::move(page)) {}

  void Title(std::string& out) override {
    if (options_.foldersOnly) {
      out += "Folder";
      Fill(out, kWidths[0], 6);
      out += "File(s)";
      Fill(out, 20, 7);
      out += "Byte(s)\r\n";
      return;
    }
    out += kTitles[0];
    for (int c = 1; c < 5; ++c) {
      if (!Shown(options_, c)) continue;
      // Each fill depends on the title before it, whether or not that title is shown.
      Fill(out, kWidths[c - 1], std::string(kTitles[c - 1]).size());
      out += kTitles[c];
    }
    out += "\r\n";
  }

  void BlockStart(std::string& out) override {
    tally_.Start();
    if (!options_.foldersOnly) out += "\r\n";
  }

  void BlockRow(const ListingRow& row, std::string& out) override {
    if (options_.foldersOnly) {
      tally_.Take(row);  // one line per folder
      return;
    }
    switch (row.kind) {
      case RowKind::Heading: {
        out += "\r\n";
        const std::size_t width = text_.Append(row.cells[kName], out);
        out += "\r\n";
        out.append(width, '*');
        out += "\r\n";
        break;
      }
      case RowKind::File:
      case RowKind::Link:
        FileLine(row, out);
        break;
      case RowKind::Summary:
        out += "\r\n";
        Line(out, row.cells[kType]);
        break;
    }
  }

  void BlockEnd(std::string& out) override {
    if (options_.foldersOnly && tally_.rows > 0) FolderLine(out);
  }

  void Totals(const ScanTotals& t, std::string& out) override {
    Line(out, "");
    Line(out, kStarRule);
    Line(out, "Total Folder(s): " + std::to_string(t.TotalFolders));
    Line(out, "Total File(s): " + std::to_string(t.TotalFiles));
    Line(out, TotalSizeText(t));
    Line(out, kStarRule);
  }

 private:
  void FileLine(const ListingRow& row, std::string& out) {
    std::size_t width = text_.Append(row.cells[kName], out);
    Fill(out, kWidths[0], width);
    width = options_.type ? text_.Append(row.cells[kType], out) : text_.Width(row.cells[kType]);
    for (int c = 2; c < 5; ++c) {
      const std::string& cell = row.cells[static_cast<std::size_t>(c)];
      if (!Shown(options_, c)) {
        width = text_.Width(cell);
        continue;
      }
      // The fill is measured on the cell before, shown or not (an empty one counts 0).
      Fill(out, kWidths[c - 1], width);
      width = text_.Append(cell, out);
    }
    out += "\r\n";
  }

  void FolderLine(std::string& out) {
    const std::size_t width = text_.Append(tally_.folder, out);
    Fill(out, kWidths[0], width);
    const std::string files = std::to_string(tally_.files);
    out += files;
    Fill(out, 20, files.size());
    out += std::to_string(tally_.bytes);
    out += "\r\n";
  }

  ListingOptions options_;
  CellText text_;
  FolderTally tally_;  // folders only
};

}  // namespace

std::unique_ptr<ListingFormat> MakeTextFormat(const ListingOptions& o,
                                              std::unique_ptr<platform::CodePage> page) {
  return std::make_unique<TextFormat>(o, std::move(page));
}

}  // namespace dirsheet::listing
