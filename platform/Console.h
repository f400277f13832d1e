// What the command-line tool needs of its process: its arguments in UTF-8, messages to
// standard error that show every name, and quiet ends to writes into a closed pipe.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace dirsheet::platform {

// The program's arguments in UTF-8 (on Windows read as wide text, so that names outside
// the code page arrive whole).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Writes UTF-8 text to standard error: as wide text to a Windows console, in the code
// page to a redirected one, as it is on POSIX.
void WriteError(const std::string& text);

bool IsTerminal(std::FILE* stream);

// A write into a pipe whose reader has gone fails with EPIPE instead of ending the process.
void IgnoreBrokenPipe();

// Standard output takes the listing's bytes unchanged (no CR LF doubling on Windows).
void BinaryStdout();

}  // namespace dirsheet::platform
