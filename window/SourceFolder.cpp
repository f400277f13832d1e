#include "window/SourceFolder.h"

#include <shlobj.h>

#include "platform/win32/TextCodec.h"

namespace dirsheet::window {
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

std::string EnginePath(const std::wstring& folder) { return platform::win32::Utf8FromWide(folder); }

}  // namespace dirsheet::window
