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

// The one place where the chosen folder becomes the path handed to the listing engine:
// UTF-8, so that every name the file system holds reaches the walk whole.
std::string EnginePath(const std::wstring& folder);

}  // namespace dirsheet::window
