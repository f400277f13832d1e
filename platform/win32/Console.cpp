#include "platform/Console.h"

#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include "platform/win32/TextCodec.h"

namespace dirsheet::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) out.push_back(win32::Utf8FromWide(wide[i], wcslen(wide[i])));
  LocalFree(wide);
  return out;
}

void WriteError(const std::string& text) {
  HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode;
  if (h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode)) {
    std::fflush(stderr);
    const std::wstring wide = win32::WideFromUtf8(text);
    DWORD written;
    WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  const std::string ansi = win32::AnsiFromUtf8(text);
  std::fwrite(ansi.data(), 1, ansi.size(), stderr);
  std::fflush(stderr);
}

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

void IgnoreBrokenPipe() {}

void BinaryStdout() { _setmode(_fileno(stdout), _O_BINARY); }

}  // namespace dirsheet::platform
