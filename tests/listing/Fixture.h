// Real folder trees in a temporary folder for the listing tests, a host that records what
// the walk tells it, and a helper that runs one scan into a real listing file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "listing/Listing.h"

namespace fixture {

// A fresh folder removed with everything in it at the end. Under Wine it lies below
// Z:\tmp, so the Win32 backend reaches it through the Z: drive.
class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const std::string& Root() const { return root_; }
  // `relative` uses "/"; the result uses the backend's separator.
  std::string Path(const std::string& relative) const;
  void Dir(const std::string& relative) const;
  void File(const std::string& relative, std::uint64_t size) const;  // sparse beyond 4 KiB
  // Last-write time in UTC.
  void SetModified(const std::string& relative, int year, int month, int day, int hour, int minute,
                   int second) const;

 private:
  std::string root_;
  mutable std::filesystem::path lastFolder_;  // the folder File made last
};

char Sep();
std::string ReadFile(const std::string& path);
std::string Spaces(int n);
// Lines joined with CR LF, each line ended by it.
std::string Lines(const std::vector<std::string>& lines);

// Writes `rows` as one folder block of `file`, in parts as the walk does; false on a failure.
bool AppendBlock(dirsheet::listing::ListingFile& file,
                 const std::vector<dirsheet::listing::ListingRow>& rows);

// The type name the backend's shell gives the unregistered extension ".zzq".
extern const char* const kZzqType;

class RecordingHost : public dirsheet::listing::ScanHost {
 public:
  bool StopRequested() override { return stop; }
  void SetStatus(const std::string& text) override {
    statuses.push_back(text);
    if (onStatus) onStatus(text);
  }
  void PumpMessages() override { ++pumps; }
  void Problem(dirsheet::listing::FolderProblem kind, const std::string& path,
               const std::string&) override {
    (kind == dirsheet::listing::FolderProblem::Unreadable ? unreadable : loops).push_back(path);
  }

  bool stop = false;
  int pumps = 0;
  std::vector<std::string> statuses, unreadable, loops;
  std::function<void(const std::string&)> onStatus;
};

// Runs a whole scan of `folder` as Start does, into a listing beside `outFolder`'s
// "Dirsheet" base path, and returns the file's bytes.
struct ScanResult {
  std::string listing;
  dirsheet::listing::ScanTotals totals;
  bool ok = false;
};
ScanResult Scan(const std::string& folder, const std::string& outFolder,
                const dirsheet::listing::ListingOptions& options, RecordingHost* host = nullptr);

// The listing split into blocks by heading path (text form): heading -> lines in between.
std::vector<std::pair<std::string, std::vector<std::string>>> TextBlocks(
    const std::string& listing);

#if !defined(_WIN32)
// Runs `body` as an unprivileged user (nobody) and returns its exit code, or -1. As root
// permissions do not bind, so cases about unreadable folders run in such a child; a
// child that cannot give up its privileges exits with 100, which no test accepts.
int RunUnprivileged(const std::function<int()>& body);
#endif

}  // namespace fixture
