// The Win32 file-system backend. It works with wide-character calls and "\\?\" paths, so
// that no name outside the ANSI code page and no path over 260 characters is skipped; at
// its interface names and paths are UTF-8. A folder is read through a handle to it
// (FILE_ID_BOTH_DIR_INFO records), which gives each entry's file ID and short name in the
// same calls: the IDs identify folders for the scan's "already listed" test, and the
// short name reaches a folder whose long name the path syntax refuses (names made on
// Linux with < > " | ? * or a backslash in them, as Wine shows them).
#include <windows.h>
#include <shellapi.h>
#include <winternl.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Wildcard.h"
#include "platform/win32/Handles.h"
#include "platform/win32/TextCodec.h"

namespace dirsheet::platform {

namespace {

using win32::FileHandle;
using win32::FindHandle;
using win32::Utf8FromWide;
using win32::WideFromUtf8;

std::uint64_t Join(DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; }

std::uint64_t FromLarge(const LARGE_INTEGER& v) { return static_cast<std::uint64_t>(v.QuadPart); }

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

std::string SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = n && text ? std::wstring(text, n) : std::wstring();
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.'))
    message.pop_back();
  if (message.empty()) return "system error " + std::to_string(error);
  return Utf8FromWide(message);
}

// Whether a long name can stand in a path: Windows names never hold these characters nor
// end in a dot or a space (which making a path absolute strips), but names made on Linux
// reach the program under Wine with them.
bool UsableInPath(const wchar_t* name, std::size_t length) {
  if (length > 0 && (name[length - 1] == L'.' || name[length - 1] == L' ') &&
      !(length == 1 || (length == 2 && name[0] == L'.')))
    return false;
  for (std::size_t i = 0; i < length; ++i) {
    const wchar_t c = name[i];
    if (c < 32 || c == L'<' || c == L'>' || c == L'"' || c == L'|' || c == L'?' || c == L'*' ||
        c == L'\\' || c == L'/')
      return false;
  }
  return true;
}

// Links the walk may decline to follow: symbolic links and junctions. Other reparse points
// (cloud placeholders, deduplicated files) are ordinary folders and files to the user;
// Wine shows a Unix symbolic link as a reparse point with no tag.
bool IsLinkTag(DWORD attributes, DWORD tag) {
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  return tag == 0 || tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT;
}

// A folder kept open by its handle.
class HandleFolder : public OpenFolder {
 public:
  explicit HandleFolder(FileHandle handle) : handle_(std::move(handle)) {}
  HANDLE get() const { return handle_.get(); }

 private:
  FileHandle handle_;
};

// A folder read through a handle, FILE_ID_BOTH_DIR_INFO records in batches.
class HandleEnumeration : public Enumeration {
 public:
  HandleEnumeration(FileHandle folder, std::vector<unsigned char> first)
      : folder_(std::move(folder)), buffer_(std::move(first)) {}

  bool Next(FindEntry& entry) override {
    if (!record_) {
      if (done_) return false;
      if (!started_) {
        started_ = true;  // the first batch was read when the search started
      } else if (!GetFileInformationByHandleEx(folder_.get(), FileIdBothDirectoryInfo,
                                               buffer_.data(),
                                               static_cast<DWORD>(buffer_.size()))) {
        done_ = true;
        return false;
      }
      record_ = buffer_.data();
    }
    const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(record_);
    Fill(*info, entry);
    record_ = info->NextEntryOffset ? record_ + info->NextEntryOffset : nullptr;
    return true;
  }

  std::shared_ptr<OpenFolder> Keep() override {
    done_ = true;
    return std::make_shared<HandleFolder>(std::move(folder_));
  }

 private:
  static void Fill(const FILE_ID_BOTH_DIR_INFO& info, FindEntry& entry) {
    const std::size_t length = info.FileNameLength / sizeof(wchar_t);
    entry.name = Utf8FromWide(info.FileName, length);
    entry.accessName.clear();
    if (!UsableInPath(info.FileName, length) && info.ShortNameLength > 0)
      entry.accessName = Utf8FromWide(info.ShortName, info.ShortNameLength / sizeof(wchar_t));
    entry.size = FromLarge(info.EndOfFile);
    entry.creationTime = FromLarge(info.CreationTime);
    entry.lastWriteTime = FromLarge(info.LastWriteTime);
    entry.isDirectory = (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // For a reparse point the record holds the tag where other records hold the EA size.
    entry.isLink = IsLinkTag(info.FileAttributes, info.EaSize);
    entry.detailsUnknown = false;
    // A file ID is unique on its volume; a link's record may give its own ID or its
    // target's, so the walk asks what a link leads to.
    entry.hasId =
        info.FileId.QuadPart != 0 && !(info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    entry.idExact = false;
    entry.id = FolderId{0, FromLarge(info.FileId)};
  }

  FileHandle folder_;
  std::vector<unsigned char> buffer_;
  const unsigned char* record_ = nullptr;
  bool started_ = false;
  bool done_ = false;
};

// A search with a wildcard pattern, which only find-first matches as Windows does (short
// names included).
class PatternEnumeration : public Enumeration {
 public:
  PatternEnumeration(FindHandle find, const WIN32_FIND_DATAW& first)
      : find_(std::move(find)), data_(first) {}

  bool Next(FindEntry& entry) override {
    if (!havePending_ && !FindNextFileW(find_.get(), &data_)) return false;
    havePending_ = false;
    entry.name = Utf8FromWide(data_.cFileName, wcsnlen(data_.cFileName, MAX_PATH));
    entry.accessName.clear();
    entry.size = Join(data_.nFileSizeHigh, data_.nFileSizeLow);
    entry.creationTime =
        Join(data_.ftCreationTime.dwHighDateTime, data_.ftCreationTime.dwLowDateTime);
    entry.lastWriteTime =
        Join(data_.ftLastWriteTime.dwHighDateTime, data_.ftLastWriteTime.dwLowDateTime);
    entry.isDirectory = (data_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.isLink = IsLinkTag(data_.dwFileAttributes, data_.dwReserved0);
    entry.detailsUnknown = false;
    entry.hasId = entry.idExact = false;
    return true;
  }

 private:
  FindHandle find_;
  WIN32_FIND_DATAW data_;
  bool havePending_ = true;  // the record of find-first is not handed out yet
};

class Win32FileSystem : public FileSystem {
 public:
  std::unique_ptr<Enumeration> Find(const std::string& folder, const std::string& pattern,
                                    FindResult& result) override {
    result = FindResult();
    const std::wstring path = LongPath(WideFromUtf8(folder));
    if (MatchesEveryName(pattern)) {
      std::unique_ptr<Enumeration> all = FindAll(path, result);
      if (all || result.status != FindResult::Found) return all;
      result = FindResult();  // no directory records from this handle: find-first instead
    }
    return FindPattern(path, pattern, result);
  }

  // A subfolder is opened by its name relative to its folder's handle (NtOpenFile with a
  // root directory): the system resolves one name instead of the whole path, which under
  // Wine also spares wineserver most of its work per folder. Any failure falls back to the
  // path, which gives the error its usual form.
  std::unique_ptr<Enumeration> FindIn(const OpenFolder& parent, const std::string& name,
                                      const std::string& folder, const std::string& pattern,
                                      FindResult& result) override {
    if (MatchesEveryName(pattern) && openRelative_) {
      const std::wstring wide = WideFromUtf8(name);
      if (!wide.empty() && wide.size() < 32768 / sizeof(wchar_t)) {
        UNICODE_STRING text;
        text.Buffer = const_cast<wchar_t*>(wide.data());
        text.Length = text.MaximumLength = static_cast<USHORT>(wide.size() * sizeof(wchar_t));
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE,
                                   static_cast<const HandleFolder&>(parent).get(), nullptr);
        IO_STATUS_BLOCK io;
        HANDLE h = nullptr;
        const NTSTATUS status = openRelative_(
            &h, FILE_LIST_DIRECTORY | SYNCHRONIZE, &attributes, &io,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            FILE_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT);
        if (status >= 0 && h) {
          result = FindResult();
          std::unique_ptr<Enumeration> all = ReadAll(FileHandle(h), result);
          if (all || result.status != FindResult::Found) return all;
        }
      }
    }
    return Find(folder, pattern, result);
  }

  bool IsDirectory(const std::string& path) override {
    const DWORD attributes = GetFileAttributesW(LongPath(WideFromUtf8(path)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  // The shell's type name depends on the extension alone: a made-up name with that
  // extension stands for the file.
  std::string TypeName(const std::string& path) override {
    const std::size_t slash = path.find_last_of("\\/:");
    const std::size_t dot = path.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string extension = hasExtension ? path.substr(dot) : std::string();
    SHFILEINFOW info{};
    const std::wstring sample = L"file" + WideFromUtf8(extension);
    std::string name;
    if (SHGetFileInfoW(sample.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES))
      name = Utf8FromWide(info.szTypeName, wcsnlen(info.szTypeName, 80));
    return name;
  }

  bool Identify(const std::string& folder, FolderId& id) override {
    const FileHandle h(CreateFileW(LongPath(WideFromUtf8(folder)).c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h.get(), &info)) return false;
    id.volume = info.dwVolumeSerialNumber;
    id.file = Join(info.nFileIndexHigh, info.nFileIndexLow);
    return id.file != 0;
  }

 private:
  static void Fail(FindResult& result, DWORD error) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) {
      result.status = FindResult::NoMatch;
      return;
    }
    result.status = FindResult::Unreadable;
    result.reason = SystemMessage(error);
  }

  // Every entry, through a handle to the folder. Null with status Found when the system
  // has no directory records for handles (the caller falls back to find-first).
  std::unique_ptr<Enumeration> FindAll(const std::wstring& path, FindResult& result) {
    FileHandle folder(CreateFileW(path.c_str(), FILE_LIST_DIRECTORY,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) {
      const DWORD error = GetLastError();
      // A missing folder is unreadable here, not a search without a match.
      if (error == ERROR_FILE_NOT_FOUND) {
        result.status = FindResult::Unreadable;
        result.reason = SystemMessage(error);
      } else {
        Fail(result, error);
      }
      return nullptr;
    }
    return ReadAll(std::move(folder), result);
  }

  // The enumeration of the folder `folder` is open on.
  static std::unique_ptr<Enumeration> ReadAll(FileHandle folder, FindResult& result) {
    std::vector<unsigned char> buffer(64 * 1024);
    if (!GetFileInformationByHandleEx(folder.get(), FileIdBothDirectoryInfo, buffer.data(),
                                      static_cast<DWORD>(buffer.size()))) {
      const DWORD error = GetLastError();
      if (error == ERROR_NO_MORE_FILES) {
        result.status = FindResult::NoMatch;
      } else if (error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
                 error == ERROR_INVALID_FUNCTION) {
        result.status = FindResult::Found;  // not a folder, or no such records here
      } else {
        Fail(result, error);
      }
      return nullptr;
    }
    result.status = FindResult::Found;
    return std::make_unique<HandleEnumeration>(std::move(folder), std::move(buffer));
  }

  std::unique_ptr<Enumeration> FindPattern(const std::wstring& path, const std::string& pattern,
                                           FindResult& result) {
    // An empty pattern leaves a search that ends in a bare backslash: nothing matches.
    if (pattern.empty()) {
      result.status = FindResult::NoMatch;
      return nullptr;
    }
    const std::wstring search =
        path + (path.empty() || path.back() != L'\\' ? L"\\" : L"") + WideFromUtf8(pattern);
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileExW(search.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find && GetLastError() == ERROR_INVALID_PARAMETER)
      find.reset(FindFirstFileW(search.c_str(), &data));  // systems without the basic level
    if (!find) {
      Fail(result, GetLastError());
      return nullptr;
    }
    result.status = FindResult::Found;
    return std::make_unique<PatternEnumeration>(std::move(find), data);
  }

  using OpenFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                        ULONG, ULONG);
  // NtOpenFile, looked up once: ntdll's import library is not part of every toolchain.
  const OpenFileCall openRelative_ = reinterpret_cast<OpenFileCall>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtOpenFile")));
};

}  // namespace

std::unique_ptr<FileSystem> MakeFileSystem() { return std::make_unique<Win32FileSystem>(); }

std::FILE* OpenFile(const std::string& path, const char* mode) {
  return _wfopen(WideFromUtf8(path).c_str(), WideFromUtf8(mode).c_str());
}

bool RemoveFile(const std::string& path) { return _wremove(WideFromUtf8(path).c_str()) == 0; }

}  // namespace dirsheet::platform
