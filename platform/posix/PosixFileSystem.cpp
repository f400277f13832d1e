// The POSIX file-system backend: getdents64 with one statx (or fstatat) per entry
// relative to the open folder, wildcard matching on the long name, times in UTC, and type
// names from the shared MIME database through GIO when the library is present at run time.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/FileSystem.h"
#include "platform/Wildcard.h"

namespace dirsheet::platform {

namespace {

// 100 ns units since 1601-01-01 UTC, as the listing engine keeps file times.
std::uint64_t ToFileTime(std::int64_t seconds, std::int64_t nanoseconds) {
  const std::int64_t since1601 = seconds + 11644473600LL;
  if (since1601 < 0) return 0;
  return static_cast<std::uint64_t>(since1601) * 10000000ULL +
         static_cast<std::uint64_t>(nanoseconds / 100);
}

// What one entry's status gives the enumeration record.
struct Status {
  bool ok = false;
  bool directory = false;
  std::uint64_t size = 0;
  std::uint64_t created = 0;
  std::uint64_t modified = 0;
  FolderId id;
};

std::atomic<bool> g_noStatx{false};  // set once when the kernel has no statx

// The entry's status, following links (a link to a folder is a folder); a dangling link
// is described by the link itself. Not ok when the entry's details cannot be read (a
// folder that may be read but not entered).
Status StatAt(int dirFd, const char* name) {
  Status s;
#if defined(STATX_BTIME)
  if (!g_noStatx.load(std::memory_order_relaxed)) {
    struct statx x;
    int rc = statx(dirFd, name, AT_STATX_DONT_SYNC, STATX_BASIC_STATS | STATX_BTIME, &x);
    if (rc != 0 && errno == ENOENT)
      rc = statx(dirFd, name, AT_STATX_DONT_SYNC | AT_SYMLINK_NOFOLLOW,
                 STATX_BASIC_STATS | STATX_BTIME, &x);
    if (rc == 0) {
      s.ok = true;
      s.directory = S_ISDIR(x.stx_mode);
      s.size = x.stx_size;
      s.modified = ToFileTime(x.stx_mtime.tv_sec, x.stx_mtime.tv_nsec);
      // Without a birth time, the earlier of the change and modification times.
      if (x.stx_mask & STATX_BTIME) {
        s.created = ToFileTime(x.stx_btime.tv_sec, x.stx_btime.tv_nsec);
      } else {
        const std::uint64_t changed = ToFileTime(x.stx_ctime.tv_sec, x.stx_ctime.tv_nsec);
        s.created = changed < s.modified ? changed : s.modified;
      }
      s.id.volume = static_cast<std::uint64_t>(makedev(x.stx_dev_major, x.stx_dev_minor));
      s.id.file = x.stx_ino;
      return s;
    }
    if (errno != ENOSYS) return s;
    g_noStatx = true;
  }
#endif
  struct stat st;
  if (fstatat(dirFd, name, &st, 0) != 0 &&
      (errno != ENOENT || fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0))
    return s;
  s.ok = true;
  s.directory = S_ISDIR(st.st_mode);
  s.size = static_cast<std::uint64_t>(st.st_size);
  s.modified = ToFileTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
  const std::uint64_t changed = ToFileTime(st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
  s.created = changed < s.modified ? changed : s.modified;
  s.id.volume = static_cast<std::uint64_t>(st.st_dev);
  s.id.file = static_cast<std::uint64_t>(st.st_ino);
  return s;
}

// The buffer getdents64 reads into: one kept per thread and lent to its enumerations in
// turn (a second one open at the same time on the thread gets its own).
constexpr std::size_t kDirBufferBytes = 32 * 1024;
struct DirBuffer {
  alignas(dirent64) char bytes[kDirBufferBytes];
};
thread_local std::unique_ptr<DirBuffer> t_spareBuffer;

std::unique_ptr<DirBuffer> BorrowBuffer() {
  if (t_spareBuffer) return std::move(t_spareBuffer);
  return std::make_unique<DirBuffer>();
}

// A folder read with getdents64: no DIR stream, so no status call on opening and no
// allocation per folder.
class PosixEnumeration : public Enumeration {
 public:
  PosixEnumeration(int fd, std::string pattern)
      : fd_(fd),
        pattern_(std::move(pattern)),
        all_(MatchesEveryName(pattern_)),
        buffer_(BorrowBuffer()) {}
  ~PosixEnumeration() override {
    close(fd_);
    if (!t_spareBuffer) t_spareBuffer = std::move(buffer_);
  }

  // Reads up to the next matching entry; false at the end, with errno set on a failure.
  bool Advance() {
    for (;;) {
      if (pos_ >= end_) {
        errno = 0;
        const ssize_t n = getdents64(fd_, buffer_->bytes, sizeof buffer_->bytes);
        if (n <= 0) return false;
        pos_ = 0;
        end_ = static_cast<std::size_t>(n);
      }
      current_ = reinterpret_cast<const dirent64*>(buffer_->bytes + pos_);
      pos_ += current_->d_reclen;
      if (all_ || WildcardMatch(pattern_, current_->d_name)) return true;
    }
  }

  bool Next(FindEntry& entry) override {
    if (!pending_ && !Advance()) return false;
    pending_ = false;
    Fill(*current_, entry);
    return true;
  }

  bool pending_ = false;  // `current_` is an entry not yet handed out

 private:
  void Fill(const dirent64& d, FindEntry& entry) const {
    entry.name = d.d_name;
    entry.accessName.clear();
    entry.size = entry.creationTime = entry.lastWriteTime = 0;
    entry.isLink = d.d_type == DT_LNK;
    entry.detailsUnknown = false;
    entry.hasId = entry.idExact = false;
    entry.id = FolderId();
    if (d.d_name[0] == '.' && (d.d_name[1] == 0 || (d.d_name[1] == '.' && d.d_name[2] == 0))) {
      entry.isDirectory = true;
      return;  // "." and ".." need no details
    }
    const Status s = StatAt(fd_, d.d_name);
    if (!s.ok) {
      entry.detailsUnknown = true;
      entry.isDirectory = d.d_type == DT_DIR;
      return;
    }
    entry.isDirectory = s.directory;
    entry.size = s.size;
    entry.creationTime = s.created;
    entry.lastWriteTime = s.modified;
    entry.hasId = entry.idExact = true;
    entry.id = s.id;
  }

  int fd_;
  std::string pattern_;
  bool all_;
  std::unique_ptr<DirBuffer> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  const dirent64* current_ = nullptr;
};

// GIO's content-type calls, looked up at run time so that the program runs without it.
class MimeDescriptions {
 public:
  MimeDescriptions() {
    void* lib = dlopen("libgio-2.0.so.0", RTLD_LAZY | RTLD_LOCAL);
    if (!lib) return;
    guess_ = reinterpret_cast<Guess>(dlsym(lib, "g_content_type_guess"));
    describe_ = reinterpret_cast<DescribeFn>(dlsym(lib, "g_content_type_get_description"));
    unknown_ = reinterpret_cast<IsUnknown>(dlsym(lib, "g_content_type_is_unknown"));
    free_ = reinterpret_cast<Free>(dlsym(lib, "g_free"));
    if (!guess_ || !describe_ || !unknown_ || !free_) guess_ = nullptr;
    // The library stays loaded for the life of the process.
  }

  // The description of the type a file name with this extension has; empty if unknown.
  std::string Describe(const std::string& extension) const {
    if (!guess_) return {};
    const std::string sample = "file." + extension;
    int uncertain = 0;
    char* type = guess_(sample.c_str(), nullptr, 0, &uncertain);
    if (!type) return {};
    std::string out;
    if (!uncertain && !unknown_(type)) {
      if (char* text = describe_(type)) {
        out = text;
        free_(text);
      }
    }
    free_(type);
    return out;
  }

 private:
  using Guess = char* (*)(const char*, const unsigned char*, std::size_t, int*);
  using DescribeFn = char* (*)(const char*);
  using IsUnknown = int (*)(const char*);
  using Free = void (*)(void*);
  Guess guess_ = nullptr;
  DescribeFn describe_ = nullptr;
  IsUnknown unknown_ = nullptr;
  Free free_ = nullptr;
};

std::string ExtensionOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot < start) return {};
  return path.substr(dot + 1);
}

// The name Windows gives a file of an unregistered extension: "ZZQ File", or "File".
std::string PlainTypeName(const std::string& extension) {
  if (extension.empty()) return "File";
  std::string out;
  for (char c : extension) out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  return out + " File";
}

class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<Enumeration> Find(const std::string& folder, const std::string& pattern,
                                    FindResult& result) override {
    result = FindResult();
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      result.status = FindResult::Unreadable;
      result.reason = std::strerror(errno);
      return nullptr;
    }
    // An empty pattern matches nothing, but the folder was readable.
    if (pattern.empty()) {
      close(fd);
      return nullptr;
    }
    auto found = std::make_unique<PosixEnumeration>(fd, pattern);
    // Like find-first, a search that matches nothing does not start.
    if (!found->Advance()) {
      if (errno != 0) {
        result.status = FindResult::Unreadable;
        result.reason = std::strerror(errno);
      }
      return nullptr;
    }
    found->pending_ = true;
    result.status = FindResult::Found;
    return found;
  }

  bool IsDirectory(const std::string& path) override {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  std::string TypeName(const std::string& path) override {
    const std::string extension = ExtensionOf(path);
    std::string name = extension.empty() ? std::string() : mime_.Describe(extension);
    if (name.empty()) name = PlainTypeName(extension);
    return name;
  }

  bool Identify(const std::string& folder, FolderId& id) override {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return false;
    id.volume = static_cast<std::uint64_t>(st.st_dev);
    id.file = static_cast<std::uint64_t>(st.st_ino);
    return true;
  }

  char Separator() const override { return '/'; }

 private:
  MimeDescriptions mime_;
};

}  // namespace

std::unique_ptr<FileSystem> MakeFileSystem() { return std::make_unique<PosixFileSystem>(); }

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

bool RemoveFile(const std::string& path) { return std::remove(path.c_str()) == 0; }

}  // namespace dirsheet::platform
