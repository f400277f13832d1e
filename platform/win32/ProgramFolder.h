// The running program's own file and the folder it lies in (where images/ and the
// working listings are).
#pragma once

#include <windows.h>

#include <string>

namespace dirsheet::platform::win32 {

// The full path of the running executable.
inline std::string ProgramPath() {
  char path[MAX_PATH * 2] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, n);
}

// The folder of the running executable, without a trailing backslash.
inline std::string ProgramFolder() {
  const std::string path = ProgramPath();
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace dirsheet::platform::win32
