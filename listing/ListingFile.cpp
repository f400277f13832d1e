// The working listing: a format (what the bytes are) and a sink (where they go: a file
// kept open for the length of a scan, or a stream such as standard output). Each step is
// flushed at once, so what is on disk is complete up to the last block written; any
// failure to create, write or flush is kept as the error.
#include <cerrno>
#include <cstring>

#include "listing/Formats.h"

namespace dirsheet::listing {

std::string TotalSizeText(const ScanTotals& t) {
  return "Total Files Size: " + std::to_string(ScaleBytesRounded(t.TotalBytes, 2)) + " MB; " +
         std::to_string(ScaleBytesRounded(t.TotalBytes, 1)) + " KB; " +
         std::to_string(t.TotalBytes) + " Byte(s).";
}

std::unique_ptr<ListingFormat> MakeListingFormat(const ListingOptions& o,
                                                 std::unique_ptr<platform::CodePage> page) {
  if (!page) page = o.utf8 ? platform::Utf8CodePage() : platform::SystemCodePage();
  if (o.format == "Text") return MakeTextFormat(o, std::move(page));
  if (o.format == "HTML") return MakeHtmlFormat(o, std::move(page));
  if (o.format == "CSV") return MakeCsvFormat(o);
  if (o.format == "JSONL") return MakeJsonLinesFormat(o);
  return nullptr;
}

std::unique_ptr<ListingFormat> MakeListingFormat(const ListingOptions& o) {
  return MakeListingFormat(o, nullptr);
}

namespace {

const char* Extension(const std::string& format) {
  if (format == "Text") return ".txt";
  if (format == "HTML") return ".html";
  if (format == "CSV") return ".csv";
  if (format == "JSONL") return ".jsonl";
  return nullptr;
}

std::string Reason(int err) { return err ? std::strerror(err) : "write error"; }

// A block larger than this is written in parts of about this size.
constexpr std::size_t kPartBytes = 64 * 1024;

}  // namespace

struct ListingFile::Impl {
  std::unique_ptr<ListingFormat> format;
  std::FILE* file = nullptr;
  bool owned = true;  // false for a stream the caller opened
  std::string bytes;  // reused for every step: one write per folder block
};

ListingFile::ListingFile(const std::string& basePath, const ListingOptions& options)
    : impl_(std::make_unique<Impl>()) {
  const char* extension = Extension(options.format);
  // No file for an unknown format or an empty base path: every operation writes nothing.
  if (!extension || basePath.empty()) return;
  impl_->format = MakeListingFormat(options);
  path_ = basePath + extension;
}

ListingFile::ListingFile(std::FILE* stream, std::string name, const ListingOptions& options)
    : path_(std::move(name)), impl_(std::make_unique<Impl>()) {
  impl_->format = MakeListingFormat(options);
  impl_->file = stream;
  impl_->owned = false;
  if (!impl_->format) path_.clear();
}

ListingFile::~ListingFile() { Close(); }

bool ListingFile::DeleteExisting() {
  if (!impl_->format || !impl_->owned || !ok()) return ok();
  if (impl_->file) {
    std::fclose(impl_->file);
    impl_->file = nullptr;
  }
  // A listing that cannot be removed is no error yet: the header empties it, and reports
  // its own failure when it cannot.
  platform::RemoveFile(path_);
  return true;
}

namespace {

bool OpenListing(std::FILE*& file, const std::string& path, const char* mode, std::string& error,
                 const char* what) {
  errno = 0;
  file = platform::OpenFile(path, mode);
  if (file) {
    // Each block goes out in one write when it is flushed.
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return true;
  }
  error = std::string("cannot ") + what + " the listing " + path + ": " + Reason(errno);
  return false;
}

}  // namespace

bool ListingFile::WriteListingHeader() {
  if (!impl_->format || !ok()) return ok();
  if (impl_->owned) {
    if (impl_->file) std::fclose(impl_->file);
    impl_->file = nullptr;
    if (!OpenListing(impl_->file, path_, "wb", error_, "create")) return false;
  }
  impl_->bytes.clear();
  impl_->format->Title(impl_->bytes);
  return Write(impl_->bytes);
}

bool ListingFile::BeginFolderBlock() {
  if (!impl_->format || !ok()) return ok();
  impl_->bytes.clear();
  impl_->format->BlockStart(impl_->bytes);
  return true;
}

bool ListingFile::AddRow(const ListingRow& row) {
  if (!impl_->format || !ok()) return ok();
  impl_->format->BlockRow(row, impl_->bytes);
  // A large block goes out in parts, so that what is held stays small.
  if (impl_->bytes.size() < kPartBytes) return true;
  const bool written = Write(impl_->bytes, false);
  impl_->bytes.clear();
  return written;
}

bool ListingFile::EndFolderBlock() {
  if (!impl_->format || !ok()) return ok();
  impl_->format->BlockEnd(impl_->bytes);
  return Write(impl_->bytes);
}

bool ListingFile::AppendTotals(const ScanTotals& totals) {
  if (!impl_->format || !ok()) return ok();
  impl_->bytes.clear();
  impl_->format->Totals(totals, impl_->bytes);
  return Write(impl_->bytes) && Close();
}

bool ListingFile::Write(const std::string& bytes, bool flush) {
  if (!impl_->file) {
    if (!impl_->owned) {
      error_ = "the listing " + path_ + " is already closed";
      return false;
    }
    // A missing working file is created by the append.
    if (!OpenListing(impl_->file, path_, "ab", error_, "append to")) return false;
  }
  errno = 0;
  const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), impl_->file);
  // Flushed at once, so what is on disk is complete up to this step.
  if (written != bytes.size() || (flush && flushEachStep_ && std::fflush(impl_->file) != 0)) {
    readerGone_ = errno == EPIPE;
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
  if (failed && ok()) {
    readerGone_ = errno == EPIPE;
    error_ = "cannot write the listing " + path_ + ": " + Reason(errno);
  }
  return ok();
}

}  // namespace dirsheet::listing
