// Wildcard matching of file names as the file systems of this program understand it.
#pragma once

#include <string>

namespace dirsheet::platform {

// True when `name` matches `pattern`: "*" any run of characters, "?" exactly one, ASCII
// letters compared without case; "*.*" matches every name, with or without a dot.
bool WildcardMatch(const std::string& pattern, const std::string& name);

// True for the patterns that match every name: "*" and "*.*".
inline bool MatchesEveryName(const std::string& pattern) {
  return pattern == "*" || pattern == "*.*";
}

}  // namespace dirsheet::platform
