// The Win32 file-system backend. Inside it works with wide-character calls and "\\?\"
// paths, so that no name outside the ANSI code page and no path over 260 characters is
// skipped; at its interface names and paths are 8-bit ANSI, as the rest of the program
// uses them. A name that does not survive the trip to ANSI also travels in a native
// spelling (a mark character, then the name in UTF-8) that paths handed back to the
// backend use, so they still lead to the right file or folder.
#include <windows.h>
#include <shellapi.h>

#include <unordered_map>

#include "platform/FileSystem.h"

namespace dirsheet::platform {

namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}

// The ANSI form of `text`; `lossy` tells whether a character had no ANSI equivalent.
std::string Narrow(const wchar_t* text, std::size_t length, bool& lossy) {
  lossy = false;
  if (length == 0) return {};
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text,
                                    static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, static_cast<int>(length), &out[0],
                      n, nullptr, &usedDefault);
  lossy = usedDefault != FALSE;
  return out;
}

// Starts a name in its native spelling; control characters never occur in file names.
const char kNativeMark = '\x01';

std::string Utf8(const wchar_t* text, std::size_t length) {
  if (length == 0) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &out[0], n, nullptr,
                      nullptr);
  return out;
}

std::wstring FromUtf8(const char* text, std::size_t length) {
  if (length == 0) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, static_cast<int>(length), &out[0], n);
  return out;
}

// The wide path a path of this interface stands for: ANSI names, and native spellings
// where a name lost characters in ANSI.
std::wstring Resolve(const std::string& path) {
  if (path.find(kNativeMark) == std::string::npos) return Widen(path);
  std::wstring out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find('\\', start);
    const std::size_t stop = end == std::string::npos ? path.size() : end;
    if (stop > start && path[start] == kNativeMark)
      out += FromUtf8(path.data() + start + 1, stop - start - 1);
    else
      out += Widen(path.substr(start, stop - start));
    if (end == std::string::npos) return out;
    out += L'\\';
    start = end + 1;
  }
}

std::uint64_t Join(DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; }

// A path for the wide calls: made absolute and given the "\\?\" prefix that lifts the
// 260-character limit. A bare drive ("C:") means its root.
std::wstring LongPath(std::wstring path) {
  if (path.rfind(L"\\\\?\\", 0) == 0) return path;
  if (path.size() == 2 && path[1] == L':') path += L'\\';
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  const DWORD got = GetFullPathNameW(path.c_str(), n, &full[0], nullptr);
  if (got == 0 || got >= n) return path;
  full.resize(got);
  if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return full;
}

class Win32Enumeration : public Enumeration {
 public:
  Win32Enumeration(HANDLE find, const WIN32_FIND_DATAW& first) : find_(find), data_(first) {}
  ~Win32Enumeration() override { FindClose(find_); }
  bool Next(FindEntry& entry) override;

 private:
  HANDLE find_;
  WIN32_FIND_DATAW data_;
  bool havePending_ = true;  // the record of find-first is not handed out yet
};

class Win32FileSystem : public FileSystem {
 public:
  std::unique_ptr<Enumeration> Find(const std::string& folder,
                                    const std::string& pattern) override {
    // An empty pattern leaves a search that ends in a bare backslash: nothing matches.
    if (pattern.empty()) return nullptr;
    const std::wstring search = LongPath(Resolve(folder) + L"\\" + Widen(pattern));
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW(search.c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
      find = FindFirstFileW(search.c_str(), &data);  // systems without the basic level
    if (find == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_NOT_FOUND && error != ERROR_NO_MORE_FILES) unreadable_ = folder;
      return nullptr;
    }
    return std::make_unique<Win32Enumeration>(find, data);
  }

  bool IsDirectory(const std::string& path) override {
    const DWORD attributes = GetFileAttributesW(LongPath(Resolve(path)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  // The shell's type name depends on the extension alone, so it is asked once per
  // extension; a made-up name with that extension stands for the file.
  std::string TypeName(const std::string& path) override {
    const std::size_t slash = path.find_last_of("\\/:");
    const std::size_t dot = path.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string extension = hasExtension ? path.substr(dot) : std::string();
    const bool native = slash != std::string::npos && slash + 1 < path.size() &&
                        path[slash + 1] == kNativeMark;
    // Native spellings are cached apart from ANSI ones: they may look alike.
    const std::string key = native ? kNativeMark + extension : extension;
    auto it = types_.find(key);
    if (it != types_.end()) return it->second;

    SHFILEINFOW info{};
    const std::wstring sample =
        L"file" + (native ? FromUtf8(extension.data(), extension.size()) : Widen(extension));
    std::string name;
    if (SHGetFileInfoW(sample.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES)) {
      bool lossy;
      name = Narrow(info.szTypeName, wcsnlen(info.szTypeName, 80), lossy);
    }
    types_.emplace(key, name);
    return name;
  }

  std::uint64_t ExactSize(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(LongPath(Resolve(path)).c_str(), GetFileExInfoStandard, &data))
      return 0;
    return Join(data.nFileSizeHigh, data.nFileSizeLow);
  }

  bool Identify(const std::string& folder, FolderId& id) override {
    HANDLE h = CreateFileW(LongPath(Resolve(folder)).c_str(), 0,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok) return false;
    id.volume = info.dwVolumeSerialNumber;
    id.file = Join(info.nFileIndexHigh, info.nFileIndexLow);
    return true;
  }

  bool Unreadable(const std::string& folder) override { return folder == unreadable_; }

 private:
  std::unordered_map<std::string, std::string> types_;  // type name per extension
  std::string unreadable_;  // the last folder whose search could not start
};

bool Win32Enumeration::Next(FindEntry& entry) {
  if (!havePending_ && !FindNextFileW(find_, &data_)) return false;
  havePending_ = false;
  const std::size_t length = wcsnlen(data_.cFileName, MAX_PATH);
  bool lossy;
  entry.name = Narrow(data_.cFileName, length, lossy);
  entry.nativeName.clear();
  if (lossy) entry.nativeName = kNativeMark + Utf8(data_.cFileName, length);
  entry.sizeHigh = data_.nFileSizeHigh;
  entry.sizeLow = data_.nFileSizeLow;
  entry.creationTime = Join(data_.ftCreationTime.dwHighDateTime,
                            data_.ftCreationTime.dwLowDateTime);
  entry.lastWriteTime = Join(data_.ftLastWriteTime.dwHighDateTime,
                             data_.ftLastWriteTime.dwLowDateTime);
  entry.isDirectory = (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.isLink = (data_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  entry.hasId = false;
  return true;
}

}  // namespace

std::unique_ptr<FileSystem> MakeFileSystem() { return std::make_unique<Win32FileSystem>(); }

}  // namespace dirsheet::platform
