#include "Fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#if defined(_WIN32)
#include <windows.h>

#include "platform/win32/TextCodec.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace fixture {

#if defined(_WIN32)
const char* const kZzqType = ".zzq file";  // what Wine's shell says; Windows says "ZZQ File"
char Sep() { return '\\'; }
#else
const char* const kZzqType = "ZZQ File";
char Sep() { return '/'; }
#endif

namespace {

std::string FreshName() {
  std::random_device rd;
  std::mt19937_64 gen(rd());
  std::ostringstream name;
  name << "dirsheet-test-" << std::hex << gen();
  return name.str();
}

fs::path Native(const std::string& path) { return fs::path(path); }

#if defined(_WIN32)
// Removes a tree with wide "\\?\" calls: std::filesystem stops at 260 characters and
// at names outside the code page.
void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path + L"\\" + name);
      else
        DeleteFileW((path + L"\\" + name).c_str());
    } while (FindNextFileW(h, &data));
    FindClose(h);
  }
  RemoveDirectoryW(path.c_str());
}
#endif

}  // namespace

TempTree::TempTree() {
#if defined(_WIN32)
  std::string base = fs::exists("Z:\\tmp") ? "Z:\\tmp" : fs::temp_directory_path().string();
#else
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp && *tmp ? tmp : "/tmp";
#endif
  while (!base.empty() && (base.back() == '/' || base.back() == '\\')) base.pop_back();
  root_ = base + Sep() + FreshName();
  fs::create_directories(Native(root_));
#if !defined(_WIN32)
  chmod(root_.c_str(), 0777);  // reachable by the unprivileged child processes too
#endif
}

TempTree::~TempTree() {
  std::error_code ec;
#if !defined(_WIN32)
  // Folders made unreadable by a test cannot be removed until they are readable again.
  for (auto it = fs::recursive_directory_iterator(
           root_, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) chmod(it->path().c_str(), 0755);
  }
#endif
#if defined(_WIN32)
  RemoveTree(L"\\\\?\\" + dirsheet::platform::win32::WideFromCodePage(root_, CP_ACP));
#else
  fs::remove_all(Native(root_), ec);
#endif
}

std::string TempTree::Path(const std::string& relative) const {
  std::string out = root_;
  if (relative.empty()) return out;
  out += Sep();
  for (char c : relative) out += c == '/' ? Sep() : c;
  return out;
}

void TempTree::Dir(const std::string& relative) const {
  fs::create_directories(Native(Path(relative)));
}

void TempTree::File(const std::string& relative, std::uint64_t size) const {
  // Files made one after another mostly go to the same folder: it is made once.
  const fs::path parent = Native(Path(relative)).parent_path();
  if (parent != lastFolder_) {
    fs::create_directories(parent);
    lastFolder_ = parent;
  }
  {
    std::ofstream out(Native(Path(relative)), std::ios::binary);
    const std::uint64_t dense = size < 4096 ? size : 0;
    out << std::string(static_cast<std::size_t>(dense), 'x');
  }
  if (size >= 4096) fs::resize_file(Native(Path(relative)), size);  // sparse
}

void TempTree::SetModified(const std::string& relative, int year, int month, int day, int hour,
                           int minute, int second) const {
#if defined(_WIN32)
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  st.wSecond = static_cast<WORD>(second);
  FILETIME ft;
  ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
  HANDLE h = CreateFileA(Path(relative).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
  CloseHandle(h);
#else
  struct tm t {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = timegm(&t);
  times[0].tv_nsec = times[1].tv_nsec = 0;
  ASSERT_EQ(utimensat(AT_FDCWD, Path(relative).c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
#endif
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(Native(path), std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

std::string Spaces(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

std::string Lines(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

bool AppendBlock(dirsheet::listing::ListingFile& file,
                 const std::vector<dirsheet::listing::ListingRow>& rows) {
  if (!file.BeginFolderBlock()) return false;
  for (const dirsheet::listing::ListingRow& row : rows)
    if (!file.AddRow(row)) return false;
  return file.EndFolderBlock();
}

ScanResult Scan(const std::string& folder, const std::string& outFolder,
                const dirsheet::listing::ListingOptions& options, RecordingHost* host) {
  using namespace dirsheet;
  RecordingHost own;
  if (!host) host = &own;
  ScanResult result;
  auto files = platform::MakeFileSystem();
  listing::ListingFile file(outFolder + Sep() + "Dirsheet", options);
  file.DeleteExisting();
  file.WriteListingHeader();
  listing::FolderWalk walk(*files, options, *host, file, result.totals);
  walk.ListFolder(folder);
  file.AppendTotals(result.totals);
  result.ok = file.ok();
  result.listing = ReadFile(file.Path());
  return result;
}

std::vector<std::pair<std::string, std::vector<std::string>>> TextBlocks(
    const std::string& listing) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < listing.size()) {
    const std::size_t end = listing.find("\r\n", start);
    if (end == std::string::npos) break;
    lines.push_back(listing.substr(start, end - start));
    start = end + 2;
  }
  std::vector<std::pair<std::string, std::vector<std::string>>> blocks;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    // A heading is a line underlined by exactly as many asterisks, after an empty line.
    const bool underline = !lines[i].empty() && lines[i + 1] == std::string(lines[i].size(), '*') &&
                           i > 0 && lines[i - 1].empty();
    if (underline) {
      blocks.push_back({lines[i], {}});
      ++i;
    } else if (!blocks.empty() && !lines[i].empty()) {
      if (lines[i].find('*') == 0) break;  // the totals' star rule
      blocks.back().second.push_back(lines[i]);
    }
  }
  return blocks;
}

#if !defined(_WIN32)
int RunUnprivileged(const std::function<int()>& body) {
  if (geteuid() != 0) return body();
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0 || geteuid() == 0) _exit(100);
    _exit(body());
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}
#endif

}  // namespace fixture
