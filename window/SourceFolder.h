// The source folder of a scan: from the text of `dir` to the path the walk opens.
#pragma once

#include <windows.h>

#include <string>

namespace dirsheet::window {

// The folder a scan of `dirText` walks: the tree's root "Desktop" stands for the shell's
// desktop directory; a drive ("C:") and every other path are taken as they are.
std::wstring ResolveSourceFolder(const std::wstring& dirText);

// True when `folder` names an existing folder; a drive as "C:" counts as its root, not as
// the current folder of that drive.
bool IsExistingFolder(const std::wstring& folder);

// The one place where the chosen folder becomes the path handed to the listing engine,
// which takes 8-bit paths in the system code page. A name the code page cannot spell is
// handed over by its short name, which opens the same folder.
std::string EnginePath(const std::wstring& folder);

}  // namespace dirsheet::window
