// How the writers put UTF-8 cell texts into their bytes: in a code page or UTF-8, with
// control characters shown as "?" so that no name can start a line of its own or reach a
// terminal as an escape sequence, bytes that are not UTF-8 shown as U+FFFD, and (in HTML)
// markup characters and characters the code page lacks written as references.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/FileSystem.h"

namespace dirsheet::listing {

class CellText {
 public:
  explicit CellText(std::unique_ptr<platform::CodePage> page) : page_(std::move(page)) {}

  // Appends `text` and returns its width: one per character in UTF-8, one per byte in
  // an 8-bit code page (so that text the code page holds measures as it always did),
  // one for each "?" or reference that stands for a character.
  std::size_t Append(const std::string& text, std::string& out) const {
    return Put(text, &out, false);
  }
  // The same for HTML: & < > " as entities, characters outside the code page as
  // numeric references (&#26085;), so that the browser shows the real name.
  std::size_t AppendHtml(const std::string& text, std::string& out) const {
    return Put(text, &out, true);
  }
  std::size_t Width(const std::string& text) const { return Put(text, nullptr, false); }
  bool IsUtf8() const { return page_->IsUtf8(); }

 private:
  std::size_t Put(const std::string& text, std::string* out, bool html) const;
  std::unique_ptr<platform::CodePage> page_;
};

// Control characters (below 32, and 127) as "?", and bytes that are not UTF-8 as U+FFFD:
// text that is safe to show on a terminal or in a line-based file.
std::string PrintableText(const std::string& text);

}  // namespace dirsheet::listing
