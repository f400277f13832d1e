// The working listing: the title part, one block per folder and the totals, in the text
// or the HTML form. Every line ends with CR LF. The file stays open for the length of a
// scan and is flushed after every step, so the file on disk is complete up to the last
// block written; any failure to create, write or flush it is kept as the error.
#include <cerrno>
#include <cstring>

#include "listing/Listing.h"

namespace dirsheet::listing {

namespace {

enum class Form { None, Text, Html };

const char kStarRule[] = "**************************************************************";
const char* const kTitles[5] = {"Name", "Type", "Size(KB)", "Created date",
                                "Last modified date"};
// Text form: the width each column is filled to, measured on the cell before the fill.
const int kTextWidths[4] = {45, 30, 20, 20};
// HTML form: the width of each column's cells in pixels.
const int kHtmlWidths[5] = {450, 300, 200, 200, 200};

Form FormOf(const std::string& format) {
  if (format == "Text") return Form::Text;
  if (format == "HTML") return Form::Html;
  return Form::None;
}

// Length of a cell as the columns count it: bytes in an 8-bit code page; on POSIX, where
// names are UTF-8, one per character so that the columns stay aligned.
std::size_t TextLength(const std::string& text) {
#if defined(_WIN32)
  return text.size();
#else
  std::size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
#endif
}

void AppendSpaces(std::string& out, int width, const std::string& before) {
  const long long n = static_cast<long long>(width) - static_cast<long long>(TextLength(before));
  // A cell wider than its column leaves no fill; the next cell follows it directly.
  if (n > 0) out.append(static_cast<std::size_t>(n), ' ');
}

void Line(std::string& out, const std::string& text) {
  out += text;
  out += "\r\n";
}

// & < > and " as entities, so that every name shows as it is and none makes markup.
std::string Escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

bool Shown(const ListingOptions& o, int column) {
  switch (column) {
    case kType: return o.type;
    case kSize: return o.size;
    case kCreated: return o.created;
    case kModified: return o.modified;
    default: return true;
  }
}

std::string TextTitle(const ListingOptions& o) {
  std::string line = kTitles[0];
  for (int c = 1; c < 5; ++c) {
    if (!Shown(o, c)) continue;
    // Each fill depends on the title before it, whether or not that title is shown.
    AppendSpaces(line, kTextWidths[c - 1], kTitles[c - 1]);
    line += kTitles[c];
  }
  return line + "\r\n";
}

std::string HtmlTitle(const ListingOptions& o) {
  std::string out;
  Line(out, "<table>");
  Line(out, "<tr>");
  for (int c = 0; c < 5; ++c) {
    if (!Shown(o, c)) continue;
    Line(out, "<td style=\"width:" + std::to_string(kHtmlWidths[c]) +
                  "px; height:100px;\"><b>" + kTitles[c] + "</b>");
  }
  Line(out, "</table>");
  return out;
}

void TextRow(std::string& out, const ListingRow& row, const ListingOptions& o) {
  switch (row.kind) {
    case RowKind::Heading:
      Line(out, "");
      Line(out, row.cells[kName]);
      Line(out, std::string(TextLength(row.cells[kName]), '*'));
      break;
    case RowKind::File: {
      out += row.cells[kName];
      AppendSpaces(out, kTextWidths[0], row.cells[kName]);
      if (o.type) out += row.cells[kType];
      for (int c = 2; c < 5; ++c) {
        if (!Shown(o, c)) continue;
        // The fill is measured on the cell before, shown or not (an empty one counts 0).
        AppendSpaces(out, kTextWidths[c - 1], row.cells[static_cast<std::size_t>(c - 1)]);
        out += row.cells[static_cast<std::size_t>(c)];
      }
      out += "\r\n";
      break;
    }
    case RowKind::Summary:
      Line(out, "");
      Line(out, row.cells[kType]);
      break;
  }
}

void HtmlRow(std::string& out, const ListingRow& row, const ListingOptions& o) {
  switch (row.kind) {
    case RowKind::Heading:
      Line(out, "<table>");
      Line(out, "<tr>");
      Line(out, "<td><b>" + Escape(row.cells[kName]) + "</b>");
      Line(out, "<tr>");
      Line(out, "<td>" + std::string(TextLength(row.cells[kName]), '*'));
      Line(out, "</table>");
      break;
    case RowKind::File:
      Line(out, "<table>");
      Line(out, "<tr>");
      for (int c = 0; c < 5; ++c) {
        if (!Shown(o, c)) continue;
        Line(out, "<td style=\"width:" + std::to_string(kHtmlWidths[c]) + "px;\">" +
                      Escape(row.cells[static_cast<std::size_t>(c)]));
      }
      Line(out, "</table>");
      break;
    case RowKind::Summary:
      Line(out, "<table>");
      Line(out, "<tr><td style=\"height:25px;\">");
      Line(out, "<tr>");
      Line(out, "<td>" + Escape(row.cells[kType]));
      Line(out, "<tr><td style=\"height:50px;\">");
      Line(out, "</table>");
      break;
  }
}

std::string SizeLine(const ScanTotals& t) {
  return "Total Files Size: " + std::to_string(ScaleBytesRounded(t.TotalBytes, 2)) +
         " MB; " + std::to_string(ScaleBytesRounded(t.TotalBytes, 1)) + " KB; " +
         std::to_string(t.TotalBytes) + " Byte(s).";
}

std::string TextTotals(const ScanTotals& t) {
  std::string out;
  Line(out, "");
  Line(out, kStarRule);
  Line(out, "Total Folder(s): " + std::to_string(t.TotalFolders));
  Line(out, "Total File(s): " + std::to_string(t.TotalFiles));
  Line(out, SizeLine(t));
  Line(out, kStarRule);
  return out;
}

std::string HtmlTotals(const ScanTotals& t) {
  std::string out;
  Line(out, "<table>");
  Line(out, std::string("<tr><td>") + kStarRule);
  Line(out, "<tr><td><b>Total Folder(s): " + std::to_string(t.TotalFolders) + "</b>");
  Line(out, "<tr><td><b>Total File(s): " + std::to_string(t.TotalFiles) + "</b>");
  Line(out, "<tr><td><b>" + SizeLine(t) + "</b>");
  Line(out, std::string("<tr><td>") + kStarRule);
  Line(out, "</table>");
  return out;
}

std::string Reason(int err) {
  return err ? std::strerror(err) : "write error";
}

}  // namespace

struct ListingFile::Impl {
  Form form = Form::None;
  std::FILE* file = nullptr;
  bool owned = true;     // false for a stream the caller opened
  std::string block;     // reused for every block: one write per folder
};

ListingFile::ListingFile(std::string basePath, const ListingOptions& options)
    : options_(options), impl_(std::make_unique<Impl>()) {
  impl_->form = FormOf(options.format);
  // No file for an unknown format or an empty base path: every operation writes nothing.
  if (impl_->form == Form::None || basePath.empty()) {
    impl_->form = Form::None;
    return;
  }
  path_ = basePath + (impl_->form == Form::Text ? ".txt" : ".html");
}

ListingFile::ListingFile(std::FILE* stream, std::string name, const ListingOptions& options)
    : path_(std::move(name)), options_(options), impl_(std::make_unique<Impl>()) {
  impl_->form = FormOf(options.format);
  impl_->file = stream;
  impl_->owned = false;
  if (impl_->form == Form::None) path_.clear();
}

ListingFile::~ListingFile() { Close(); }

bool ListingFile::DeleteExisting() {
  if (impl_->form == Form::None || !impl_->owned || !ok()) return ok();
  if (impl_->file) {
    std::fclose(impl_->file);
    impl_->file = nullptr;
  }
  // A listing that cannot be removed is no error yet: the header empties it, and reports
  // its own failure when it cannot.
  std::remove(path_.c_str());
  return true;
}

namespace {

bool OpenFile(std::FILE*& file, const std::string& path, const char* mode, std::string& error,
              const char* what) {
  errno = 0;
  file = std::fopen(path.c_str(), mode);
  if (file) return true;
  error = std::string("cannot ") + what + " the listing " + path + ": " + Reason(errno);
  return false;
}

}  // namespace

bool ListingFile::WriteListingHeader() {
  if (impl_->form == Form::None || !ok()) return ok();
  if (impl_->owned) {
    if (impl_->file) std::fclose(impl_->file);
    impl_->file = nullptr;
    if (!OpenFile(impl_->file, path_, "wb", error_, "create")) return false;
  }
  const std::string title =
      impl_->form == Form::Text ? TextTitle(options_) : HtmlTitle(options_);
  return Write(title);
}

bool ListingFile::AppendFolderBlock(const RowBuffer& rows) {
  if (impl_->form == Form::None || !ok()) return ok();
  std::string& out = impl_->block;
  out.clear();
  if (impl_->form == Form::Text) {
    out += "\r\n";
    for (const ListingRow& row : rows.Rows()) TextRow(out, row, options_);
  } else {
    for (const ListingRow& row : rows.Rows()) HtmlRow(out, row, options_);
  }
  return Write(out);
}

bool ListingFile::AppendTotals(const ScanTotals& totals) {
  if (impl_->form == Form::None || !ok()) return ok();
  const std::string text =
      impl_->form == Form::Text ? TextTotals(totals) : HtmlTotals(totals);
  return Write(text) && Close();
}

bool ListingFile::Write(const std::string& bytes) {
  if (!impl_->file) {
    if (!impl_->owned) {
      error_ = "the listing " + path_ + " is already closed";
      return false;
    }
    // A missing working file is created by the append.
    if (!OpenFile(impl_->file, path_, "ab", error_, "append to")) return false;
  }
  errno = 0;
  const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), impl_->file);
  // Flushed at once, so what is on disk is complete up to this step.
  if (written != bytes.size() || std::fflush(impl_->file) != 0) {
    error_ = "cannot write the listing " + path_ + ": " + Reason(errno);
    return false;
  }
  return true;
}

bool ListingFile::Close() {
  if (!impl_ || !impl_->file) return ok();
  std::FILE* f = impl_->file;
  impl_->file = nullptr;
  errno = 0;
  const bool failed = impl_->owned ? std::fclose(f) != 0 : std::fflush(f) != 0;
  if (failed && ok()) error_ = "cannot write the listing " + path_ + ": " + Reason(errno);
  return ok();
}

}  // namespace dirsheet::listing
