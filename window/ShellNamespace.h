// The shell's namespace folders (Desktop, the computer, Control Panel, Network) as lists
// of items with a display name, a parsing path and a folder flag.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace dirsheet::window {

// Special-folder numbers of the shell's namespace.
enum ShellFolder {
  kShellDesktop = 0,
  kShellControlPanel = 3,
  kShellDrives = 17,
  kShellNetwork = 18
};

// Names and paths are UTF-16, as the shell gives them: a folder named in any script is
// kept whole.
struct ShellItem {
  std::wstring name;  // display name
  std::wstring path;  // file-system path or "::{...}" parsing name
  bool isFolder = false;
};

class ShellNamespace {
 public:
  virtual ~ShellNamespace() = default;
  // Items of one special folder in the shell's order; empty when it cannot be read. May
  // be called on any thread, one call at a time.
  virtual std::vector<ShellItem> Items(int folder) = 0;
};

// The real namespace, through the shell's automation object (Shell.Application), made
// anew in the calling thread for each call.
std::unique_ptr<ShellNamespace> MakeShellNamespace();

}  // namespace dirsheet::window
