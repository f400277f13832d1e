#include "platform/Console.h"

#include <signal.h>
#include <unistd.h>

namespace dirsheet::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

void WriteError(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

void IgnoreBrokenPipe() { signal(SIGPIPE, SIG_IGN); }

void BinaryStdout() {}

}  // namespace dirsheet::platform
