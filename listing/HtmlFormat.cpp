// The HTML listing: a run of separate tables, one per row, in the system's code page with
// numeric references for the characters it lacks (or in UTF-8, then declared).
#include "listing/Formats.h"

namespace dirsheet::listing {

namespace {

const char kHtmlStarRule[] =
    "<tr><td>**************************************************************";
// The width of each column's cells in pixels.
const int kWidths[5] = {450, 300, 200, 200, 200};

std::string Cell(int width) { return "<td style=\"width:" + std::to_string(width) + "px;\">"; }

class HtmlFormat : public ListingFormat {
 public:
  HtmlFormat(const ListingOptions& o, std::unique_ptr<platform::CodePage> page)
      : options_(o), text_(std::move(page)) {
    for (int c = 0; c < 5; ++c) cells_[c] = Cell(kWidths[c]);
  }

  void Title(std::string& out) override {
    // A listing in the code page declares nothing, as it always did; UTF-8 must say so.
    if (text_.IsUtf8() && options_.utf8) Line(out, "<meta charset=\"utf-8\">");
    Line(out, "<table>");
    Line(out, "<tr>");
    if (options_.foldersOnly) {
      TitleCell(out, 450, "Folder");
      TitleCell(out, 200, "File(s)");
      TitleCell(out, 200, "Byte(s)");
    } else {
      for (int c = 0; c < 5; ++c)
        if (Shown(options_, c)) TitleCell(out, kWidths[c], kTitles[c]);
    }
    Line(out, "</table>");
  }

  void BlockStart(std::string&) override { tally_.Start(); }

  void BlockRow(const ListingRow& row, std::string& out) override {
    if (options_.foldersOnly) {
      tally_.Take(row);  // one table per folder
      return;
    }
    switch (row.kind) {
      case RowKind::Heading: {
        Line(out, "<table>");
        Line(out, "<tr>");
        out += "<td><b>";
        const std::size_t width = text_.AppendHtml(row.cells[kName], out);
        out += "</b>\r\n";
        Line(out, "<tr>");
        out += "<td>";
        out.append(width, '*');
        out += "\r\n";
        Line(out, "</table>");
        break;
      }
      case RowKind::File:
      case RowKind::Link:
        Line(out, "<table>");
        Line(out, "<tr>");
        for (int c = 0; c < 5; ++c) {
          if (!Shown(options_, c)) continue;
          out += cells_[c];
          text_.AppendHtml(row.cells[static_cast<std::size_t>(c)], out);
          out += "\r\n";
        }
        Line(out, "</table>");
        break;
      case RowKind::Summary:
        Line(out, "<table>");
        Line(out, "<tr><td style=\"height:25px;\">");
        Line(out, "<tr>");
        out += "<td>";
        Line(out, row.cells[kType]);
        Line(out, "<tr><td style=\"height:50px;\">");
        Line(out, "</table>");
        break;
    }
  }

  void BlockEnd(std::string& out) override {
    if (!options_.foldersOnly || tally_.rows == 0) return;
    Line(out, "<table>");
    Line(out, "<tr>");
    out += cells_[kName];
    text_.AppendHtml(tally_.folder, out);
    out += "\r\n";
    Line(out, cells_[kSize] + std::to_string(tally_.files));
    Line(out, cells_[kSize] + std::to_string(tally_.bytes));
    Line(out, "</table>");
  }

  void Totals(const ScanTotals& t, std::string& out) override {
    Line(out, "<table>");
    Line(out, kHtmlStarRule);
    Line(out, "<tr><td><b>Total Folder(s): " + std::to_string(t.TotalFolders) + "</b>");
    Line(out, "<tr><td><b>Total File(s): " + std::to_string(t.TotalFiles) + "</b>");
    Line(out, "<tr><td><b>" + TotalSizeText(t) + "</b>");
    Line(out, kHtmlStarRule);
    Line(out, "</table>");
  }

 private:
  static void TitleCell(std::string& out, int width, const char* title) {
    Line(out,
         "<td style=\"width:" + std::to_string(width) + "px; height:100px;\"><b>" + title + "</b>");
  }

  ListingOptions options_;
  CellText text_;
  std::string cells_[5];  // each column's opening cell tag
  FolderTally tally_;     // folders only
};

}  // namespace

std::unique_ptr<ListingFormat> MakeHtmlFormat(const ListingOptions& o,
                                              std::unique_ptr<platform::CodePage> page) {
  return std::make_unique<HtmlFormat>(o, std::move(page));
}

}  // namespace dirsheet::listing
