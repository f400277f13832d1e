#include "window/SourceFolder.h"

#include <shlobj.h>

#include <vector>

namespace dirsheet::window {
namespace {

// `text` in the system code page; false when a character had no exact counterpart.
bool ToCodePage(const std::wstring& text, std::string& out) {
  out.clear();
  if (text.empty()) return true;
  const int length = static_cast<int>(text.size());
  // UTF-8 spells every character and refuses the best-fit and default-character
  // arguments, which only make sense for the 8-bit code pages.
  const bool utf8 = GetACP() == CP_UTF8;
  BOOL lossy = FALSE;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL* usedDefault = utf8 ? nullptr : &lossy;
  int n = WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0, nullptr, usedDefault);
  if (n <= 0) return false;
  out.resize(static_cast<size_t>(n));
  WideCharToMultiByte(CP_ACP, flags, text.data(), length, out.data(), n, nullptr, usedDefault);
  return !lossy;
}

}  // namespace

std::wstring ResolveSourceFolder(const std::wstring& dirText) {
  if (dirText != L"Desktop") return dirText;
  wchar_t desktop[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE)) return dirText;
  std::wstring path(desktop);
  if (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

bool IsExistingFolder(const std::wstring& folder) {
  if (folder.empty()) return false;
  std::wstring probe = folder;
  if (probe.size() == 2 && probe[1] == L':') probe += L'\\';
  DWORD attributes = GetFileAttributesW(probe.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string EnginePath(const std::wstring& folder) {
  std::string path;
  if (ToCodePage(folder, path)) return path;
  DWORD n = GetShortPathNameW(folder.c_str(), nullptr, 0);
  if (n > 0) {
    std::vector<wchar_t> shortName(n + 1);
    n = GetShortPathNameW(folder.c_str(), shortName.data(), n + 1);
    std::string shortPath;
    if (n > 0 && ToCodePage(std::wstring(shortName.data(), n), shortPath)) return shortPath;
  }
  return path;  // the closest spelling: the walk reports it when it cannot open it
}

}  // namespace dirsheet::window
