// dirsheet-cli: lists a folder without the window, with the same options the window's
// controls hold. Exit codes: 0 complete listing, 1 listing written but incomplete (folders
// that could not be read, or interrupted), 2 bad command line, 3 listing not written.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "listing/Listing.h"

namespace {

using namespace dirsheet;

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) { g_interrupted = 1; }

const char kUsage[] =
    "usage: dirsheet-cli [options] FOLDER\n"
    "  -f, --filter PATTERN   file-name wildcard, * and ? (default *)\n"
    "  -a, --attributes LIST  comma list of type,size,created,modified, or none\n"
    "                         (default type,size)\n"
    "  -s, --order ORDER      No order (default), Name, Type, Size, Created date,\n"
    "                         Last modified date\n"
    "  -t, --format FORMAT    text (default) or html\n"
    "  -o, --output FILE      write the listing to FILE (default: standard output)\n"
    "  -q, --quiet            no progress on the terminal\n";

bool SameText(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

bool ParseAttributes(const std::string& list, listing::ListingOptions& o) {
  o.type = o.size = o.created = o.modified = false;
  if (SameText(list, "none")) return true;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    const std::string item = list.substr(start, comma - start);
    if (SameText(item, "type")) o.type = true;
    else if (SameText(item, "size")) o.size = true;
    else if (SameText(item, "created")) o.created = true;
    else if (SameText(item, "modified")) o.modified = true;
    else return false;
    start = comma + 1;
  }
  return true;
}

bool ParseOrder(const std::string& text, listing::ListingOptions& o) {
  if (SameText(text, "No order") || SameText(text, "none")) {
    o.order = "No order";
    o.orderIndex = -1;
    return true;
  }
  for (int i = 0; i < 5; ++i) {
    if (SameText(text, listing::kOrderEntries[i])) {
      o.order = listing::kOrderEntries[i];
      o.orderIndex = i;
      return true;
    }
  }
  if (SameText(text, "created")) return ParseOrder("Created date", o);
  if (SameText(text, "modified")) return ParseOrder("Last modified date", o);
  return false;
}

// Progress on the terminal, the folder problems on stderr, and Ctrl-C as Stop.
class CliHost : public listing::ScanHost {
 public:
  CliHost(bool progress, const listing::ScanTotals& totals)
      : progress_(progress), totals_(totals) {}

  bool StopRequested() override { return g_interrupted != 0; }

  void SetStatus(const std::string& text) override {
    if (progress_ && (++calls_ & 63) == 0) Show(text);
  }

  void PumpMessages() override {}

  void FolderUnreadable(const std::string& path) override {
    ClearProgress();
    std::fprintf(stderr, "dirsheet-cli: cannot read folder %s\n", path.c_str());
    ++unreadable_;
  }

  void FolderLoop(const std::string& path) override {
    ClearProgress();
    std::fprintf(stderr, "dirsheet-cli: not entering %s: it leads back to a folder above it\n",
                 path.c_str());
  }

  void ClearProgress() {
    if (shown_) std::fprintf(stderr, "\r%*s\r", 79, "");
    shown_ = false;
  }

  unsigned unreadable() const { return unreadable_; }

 private:
  void Show(const std::string& text) {
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    std::string line = std::to_string(totals_.TotalFiles) + " files, " +
                       std::to_string(totals_.TotalBytes) + " bytes  ";
    std::string path = text;
    const std::size_t room = line.size() < 76 ? 76 - line.size() : 0;
    if (path.size() > room) path = "..." + path.substr(path.size() - room + 3);
    line += path;
    std::fprintf(stderr, "\r%-79s", line.c_str());
    std::fflush(stderr);
    shown_ = true;
  }

  bool progress_;
  const listing::ScanTotals& totals_;
  unsigned calls_ = 0;
  unsigned unreadable_ = 0;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_;
};

// The source folder as the walk takes it: no trailing separator, except for a root.
std::string SourceFolder(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) {
#if defined(_WIN32)
    if (folder.size() == 3 && folder[1] == ':') {  // "C:\" is the drive "C:"
      folder.pop_back();
      break;
    }
#endif
    folder.pop_back();
  }
  return folder;
}

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "dirsheet-cli: %s\n", problem);
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  listing::ListingOptions options;
  std::string output;
  std::string folder;
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* what) -> const char* {
      if (i + 1 >= argc) return nullptr;
      (void)what;
      return argv[++i];
    };
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "-q" || arg == "--quiet") {
      quiet = true;
    } else if (arg == "-f" || arg == "--filter") {
      const char* v = value("filter");
      if (!v) return Usage("--filter needs a pattern");
      options.filter = v;
    } else if (arg == "-a" || arg == "--attributes") {
      const char* v = value("attributes");
      if (!v || !ParseAttributes(v, options))
        return Usage("--attributes takes a comma list of type, size, created, modified");
    } else if (arg == "-s" || arg == "--order") {
      const char* v = value("order");
      if (!v || !ParseOrder(v, options)) return Usage("unknown --order");
    } else if (arg == "-t" || arg == "--format") {
      const char* v = value("format");
      if (v && SameText(v, "text")) options.format = "Text";
      else if (v && SameText(v, "html")) options.format = "HTML";
      else return Usage("--format is text or html");
    } else if (arg == "-o" || arg == "--output") {
      const char* v = value("output");
      if (!v) return Usage("--output needs a file name");
      output = v;
    } else if (arg.size() > 1 && arg[0] == '-' && folder.empty() && arg != "--") {
      return Usage(("unknown option " + arg).c_str());
    } else {
      if (arg == "--" && i + 1 < argc) ++i;
      if (!folder.empty()) return Usage("only one folder can be listed");
      folder = argv[i];
    }
  }
  if (folder.empty()) return Usage("no folder given");
  folder = SourceFolder(folder);

  std::FILE* out = stdout;
  std::string outName = "(standard output)";
  if (!output.empty()) {
    out = std::fopen(output.c_str(), "wb");
    if (!out) {
      std::fprintf(stderr, "dirsheet-cli: cannot create the listing %s: %s\n", output.c_str(),
                   std::strerror(errno));
      return 3;
    }
    outName = output;
  }
  else {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);  // the listing's own CR LF, not doubled
#endif
    // Blocks reach a pipe in large writes, not line by line.
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  }
  std::signal(SIGINT, OnInterrupt);

  listing::ScanTotals totals;
  CliHost host(!quiet && isatty(fileno(stderr)), totals);
  auto fs = platform::MakeFileSystem();
  listing::ListingFile file(out, outName, options);
  if (file.WriteListingHeader()) {
    listing::FolderWalk walk(*fs, options, host, file, totals);
    walk.ListFolder(folder);
    file.AppendTotals(totals);
  }
  file.Close();
  bool written = file.ok();
  if (out != stdout && std::fclose(out) != 0 && written) {
    std::fprintf(stderr, "dirsheet-cli: cannot write the listing %s: %s\n", output.c_str(),
                 std::strerror(errno));
    return 3;
  }
  host.ClearProgress();
  if (!written) {
    std::fprintf(stderr, "dirsheet-cli: %s\n", file.Error().c_str());
    return 3;
  }
  if (g_interrupted) {
    std::fprintf(stderr, "dirsheet-cli: interrupted; the listing is incomplete\n");
    return 1;
  }
  if (host.unreadable() > 0) {
    std::fprintf(stderr, "dirsheet-cli: %u folder(s) could not be read; the listing is "
                         "incomplete\n", host.unreadable());
    return 1;
  }
  return 0;
}
