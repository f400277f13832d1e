// dirsheet-cli: lists folders without the window, with the options the window's controls
// hold and the ones people who list big trees ask for. Exit codes: 0 complete listing,
// 1 listing written but incomplete (folders that could not be read or were not entered,
// or interrupted), 2 bad command line (nothing written), 3 listing not written.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "listing/CellText.h"
#include "listing/Listing.h"
#include "platform/Console.h"

namespace {

using namespace dirsheet;

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) { g_interrupted = 1; }

const char kUsage[] =
    "usage: dirsheet-cli [options] FOLDER...\n"
    "  -f, --filter PATTERN   file-name wildcard, * and ? (default *)\n"
    "  -a, --attributes LIST  comma list of type,size,created,modified, or none\n"
    "                         (default type,size)\n"
    "  -s, --order ORDER      No order (default), Name, Type, Size, Created date,\n"
    "                         Last modified date\n"
    "  -t, --format FORMAT    text (default), html, csv or jsonl\n"
    "  -o, --output FILE      write the listing to FILE (default: standard output)\n"
    "  -x, --exclude PATTERN  leave out files and folders whose name matches (a folder\n"
    "                         left out is not entered); may be given more than once\n"
    "  -d, --max-depth N      enter at most N levels of folders below each FOLDER\n"
    "      --folders-only     one row per folder: its path, file count and bytes\n"
    "      --no-follow        list links to folders as entries instead of entering them\n"
    "      --encoding ENC     text and html in the system code page (system, default)\n"
    "                         or in utf-8; csv and jsonl are always utf-8\n"
    "  -j, --threads N        folders read at once (default: one per processor core)\n"
    "  -q, --quiet            no progress and no summary on standard error\n"
    "Several FOLDERs are listed in turn under one totals footer.\n"
    "examples:\n"
    "  dirsheet-cli -t csv -a size,modified -o photos.csv ~/Pictures\n"
    "  dirsheet-cli -x .git -x node_modules -f '*.c' src\n"
    "  dirsheet-cli --folders-only -d 2 -t jsonl /srv | jq 'select(.kind==\"folder\")'\n"
    "exit codes: 0 complete, 1 incomplete (unreadable or skipped folders, interrupted),\n"
    "  2 bad command line, 3 the listing could not be written\n";

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
    if (SameText(item, "type"))
      o.type = true;
    else if (SameText(item, "size"))
      o.size = true;
    else if (SameText(item, "created"))
      o.created = true;
    else if (SameText(item, "modified"))
      o.modified = true;
    else
      return false;
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

bool ParseCount(const std::string& text, long min, long max, long& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value >= min && value <= max;
}

void Say(const std::string& text) { platform::WriteError(text); }

// Progress on the terminal, the folder problems on stderr, and Ctrl-C as Stop.
class CliHost : public listing::ScanHost {
 public:
  CliHost(bool progress, const listing::ScanTotals& totals)
      : progress_(progress), totals_(totals), start_(std::chrono::steady_clock::now()) {}

  bool StopRequested() override { return g_interrupted != 0; }

  void SetStatus(const std::string& text) override {
    if (progress_ && (++calls_ & 255) == 0) Show(text);
  }

  void PumpMessages() override {}

  void Problem(listing::FolderProblem kind, const std::string& path,
               const std::string& reason) override {
    ClearProgress();
    const std::string what =
        kind == listing::FolderProblem::Unreadable ? "cannot read folder " : "not entering ";
    Say("dirsheet-cli: " + what + listing::PrintableText(path) + ": " +
        listing::PrintableText(reason) + "\n");
  }

  void ClearProgress() {
    if (shown_) Say("\r" + std::string(79, ' ') + "\r");
    shown_ = false;
  }

  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  void Show(const std::string& text) {
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - last_ < std::chrono::milliseconds(100)) return;
    last_ = now;
    const double seconds = Seconds();
    const unsigned long long rate =
        seconds > 0 ? static_cast<unsigned long long>(totals_.TotalFiles / seconds) : 0;
    std::string line =
        std::to_string(totals_.TotalFiles) + " files, " + std::to_string(rate) + " files/s  ";
    // The path's end, cut at a character boundary, with nothing a terminal would obey.
    std::string path = listing::PrintableText(text);
    std::size_t chars = 0;
    for (unsigned char c : path) chars += (c & 0xC0) != 0x80;
    const std::size_t room = line.size() < 76 ? 76 - line.size() : 0;
    if (chars > room) {
      std::size_t drop = chars - room + 3, pos = 0;
      while (pos < path.size() && drop > 0) {
        ++pos;
        while (pos < path.size() && (static_cast<unsigned char>(path[pos]) & 0xC0) == 0x80) ++pos;
        --drop;
      }
      path = "..." + path.substr(pos);
    }
    line += path;
    Say("\r" + line + "\x1b[K");
    shown_ = true;
  }

  bool progress_;
  const listing::ScanTotals& totals_;
  unsigned calls_ = 0;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_;
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

int Usage(const std::string& problem) {
  if (!problem.empty()) Say("dirsheet-cli: " + listing::PrintableText(problem) + "\n");
  Say(kUsage);
  return 2;
}

struct CommandLine {
  listing::ListingOptions options;
  std::vector<std::string> folders;
  std::string output;
  bool haveOutput = false;
  bool quiet = false;
};

bool ParseFormat(const std::string& text, listing::ListingOptions& o) {
  if (SameText(text, "text"))
    o.format = "Text";
  else if (SameText(text, "html"))
    o.format = "HTML";
  else if (SameText(text, "csv"))
    o.format = "CSV";
  else if (SameText(text, "jsonl"))
    o.format = "JSONL";
  else
    return false;
  return true;
}

bool ParseEncoding(const std::string& text, listing::ListingOptions& o) {
  if (SameText(text, "utf-8") || SameText(text, "utf8"))
    o.utf8 = true;
  else if (SameText(text, "system"))
    o.utf8 = false;
  else
    return false;
  return true;
}

// Whether `arg` is an option that takes the next argument as its value.
bool TakesValue(const std::string& arg) {
  static const char* const kNames[] = {
      "-f", "--filter",    "-a",         "--attributes", "-s",       "--order",
      "-t", "--format",    "-o",         "--output",     "-x",       "--exclude",
      "-d", "--max-depth", "--encoding", "-j",           "--threads"};
  for (const char* name : kNames)
    if (arg == name) return true;
  return false;
}

// Takes the value `v` of the option `arg` (null when the command line ends before it);
// returns the problem to show, or an empty text.
std::string TakeValue(const std::string& arg, const std::string* v, CommandLine& c) {
  listing::ListingOptions& o = c.options;
  long n = 0;
  if (arg == "-f" || arg == "--filter") {
    if (!v || v->empty()) return "--filter needs a pattern (use * for every file)";
    o.filter = *v;
  } else if (arg == "-a" || arg == "--attributes") {
    if (!v || !ParseAttributes(*v, o))
      return "--attributes takes a comma list of type, size, created, modified";
  } else if (arg == "-s" || arg == "--order") {
    if (!v || !ParseOrder(*v, o)) return "unknown --order";
  } else if (arg == "-t" || arg == "--format") {
    if (!v) return "--format needs a format";
    if (!ParseFormat(*v, o)) return "--format is text, html, csv or jsonl";
  } else if (arg == "-o" || arg == "--output") {
    if (!v || v->empty()) return "--output needs a file name";
    c.output = *v;
    c.haveOutput = true;
  } else if (arg == "-x" || arg == "--exclude") {
    if (!v || v->empty()) return "--exclude needs a pattern";
    o.exclude.push_back(*v);
  } else if (arg == "-d" || arg == "--max-depth") {
    if (!v || !ParseCount(*v, 0, 100000000, n))
      return "--max-depth takes a number of levels, 0 or more";
    o.maxDepth = static_cast<int>(n);
  } else if (arg == "--encoding") {
    if (!v) return "--encoding needs system or utf-8";
    if (!ParseEncoding(*v, o)) return "--encoding is system or utf-8";
  } else if (arg == "-j" || arg == "--threads") {
    if (!v || !ParseCount(*v, 1, 256, n)) return "--threads takes a number from 1 to 256";
    o.threads = static_cast<unsigned>(n);
  }
  return {};
}

// Reads the arguments; returns -1 to go on, or the exit code.
int Parse(const std::vector<std::string>& args, CommandLine& c) {
  c.options.threads = 0;  // the tool reads ahead on every core by default
  bool endOfOptions = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (endOfOptions || arg.empty() || arg[0] != '-' || arg == "-") {
      c.folders.push_back(arg);
    } else if (arg == "--") {
      endOfOptions = true;
    } else if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "-q" || arg == "--quiet") {
      c.quiet = true;
    } else if (arg == "--folders-only") {
      c.options.foldersOnly = true;
    } else if (arg == "--no-follow") {
      c.options.noFollow = true;
    } else if (TakesValue(arg)) {
      const std::string* value = i + 1 < args.size() ? &args[++i] : nullptr;
      const std::string problem = TakeValue(arg, value, c);
      if (!problem.empty()) return Usage(problem);
    } else {
      return Usage("unknown option " + arg);
    }
  }
  if (c.folders.empty()) return Usage("no folder given");
  return -1;
}

// Opens the listing's destination: the -o file, or standard output set up for large
// binary writes. Null (with the reason said) when the file cannot be created.
std::FILE* OpenOutput(const CommandLine& c, std::string& name) {
  if (!c.haveOutput) {
    name = "(standard output)";
    platform::BinaryStdout();  // the listing's own CR LF, not doubled
    // Blocks reach a pipe in large writes, not line by line.
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    return stdout;
  }
  std::FILE* out = platform::OpenFile(c.output, "wb");
  if (!out) {
    Say("dirsheet-cli: cannot create the listing " + listing::PrintableText(c.output) + ": " +
        std::strerror(errno) + "\n");
    return nullptr;
  }
  name = c.output;
  std::setvbuf(out, nullptr, _IOFBF, 1 << 16);  // large writes
  return out;
}

// The summary line and the exit code of a listing that was written: 1 when it is
// incomplete (interrupted, or folders not read or not entered), 0 otherwise.
int Outcome(const CommandLine& c, const listing::ScanTotals& totals, double seconds) {
  if (!c.quiet) {
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "%.2f", seconds);
    Say("dirsheet-cli: " + std::to_string(totals.TotalFolders) + " folders, " +
        std::to_string(totals.TotalFiles) + " files, " + std::to_string(totals.TotalBytes) +
        " bytes, " + std::to_string(totals.Unreadable) + " unreadable, " +
        std::to_string(totals.NotEntered) + " not entered, " + elapsed + " s\n");
  }
  if (g_interrupted) {
    Say("dirsheet-cli: interrupted; the listing is incomplete\n");
    return 1;
  }
  if (totals.Unreadable > 0 || totals.NotEntered > 0) {
    Say("dirsheet-cli: " + std::to_string(totals.Unreadable) + " folder(s) could not be read, " +
        std::to_string(totals.NotEntered) + " not entered; the listing is incomplete\n");
    return 1;
  }
  return 0;
}

// Writes the listing of every folder; returns the exit code.
int Run(CommandLine& c, platform::FileSystem& fs) {
  std::string outName;
  std::FILE* out = OpenOutput(c, outName);
  if (!out) return 3;
  platform::IgnoreBrokenPipe();
  std::signal(SIGINT, OnInterrupt);

  listing::ScanTotals totals;
  CliHost host(!c.quiet && platform::IsTerminal(stderr), totals);
  listing::ListingFile file(out, outName, c.options);
  // A terminal shows each folder as it is done; a file or a pipe takes large writes.
  file.FlushEveryStep(platform::IsTerminal(out));
  if (file.WriteListingHeader()) {
    listing::FolderWalk walk(fs, c.options, host, file, totals);
    walk.ListFolders(c.folders);
    file.AppendTotals(totals);
  }
  file.Close();
  bool written = file.ok();
  if (out != stdout && std::fclose(out) != 0 && written) {
    Say("dirsheet-cli: cannot write the listing " + listing::PrintableText(c.output) + ": " +
        std::strerror(errno) + "\n");
    return 3;
  }
  host.ClearProgress();
  // A reader that went away (| head) wanted no more: no message, but no complete listing.
  if (!written) {
    if (!file.ReaderGone()) Say("dirsheet-cli: " + listing::PrintableText(file.Error()) + "\n");
    return 3;
  }
  return Outcome(c, totals, host.Seconds());
}

}  // namespace

int main(int argc, char** argv) {
  CommandLine c;
  const int parsed = Parse(platform::CommandLineArguments(argc, argv), c);
  if (parsed >= 0) return parsed;
  auto fs = platform::MakeFileSystem();
  // Every source must be a folder before anything is written: a typo must not truncate
  // the -o file or leave an empty listing behind.
  for (std::string& folder : c.folders) {
    folder = SourceFolder(folder);
    if (!fs->IsDirectory(folder))
      return Usage(folder + " is not a folder (it does not exist, or it is a file)");
  }
  return Run(c, *fs);
}
