#include "listing/CellText.h"

#include "platform/Utf8.h"

namespace dirsheet::listing {

using platform::DecodeUtf8;
using platform::kNotACharacter;

std::size_t CellText::Put(const std::string& text, std::string* out, bool html) const {
  // Printable ASCII is the same in every code page: most names take this way.
  if (platform::IsPlainAscii(text) && (!html || text.find_first_of("&<>\"") == std::string::npos)) {
    if (out) *out += text;
    return text.size();
  }
  std::size_t width = 0;
  std::string scratch;
  std::string& sink = out ? *out : scratch;
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t c;
    pos += DecodeUtf8(text, pos, c);
    if (c == kNotACharacter) c = 0xFFFD;
    if (c < 32 || c == 127) {
      sink += '?';
      ++width;
      continue;
    }
    if (html) {
      const char* entity = c == '&'   ? "&amp;"
                           : c == '<' ? "&lt;"
                           : c == '>' ? "&gt;"
                           : c == '"' ? "&quot;"
                                      : nullptr;
      if (entity) {
        sink += entity;
        ++width;
        continue;
      }
    }
    const std::size_t before = sink.size();
    if (page_->Append(c, sink)) {
      width += page_->IsUtf8() ? 1 : sink.size() - before;
    } else if (html) {
      sink += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
      ++width;
    } else {
      sink += '?';
      ++width;
    }
    if (!out) sink.clear();
  }
  return width;
}

std::string PrintableText(const std::string& text) {
  if (platform::IsPlainAscii(text)) return text;
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t c;
    const std::size_t n = DecodeUtf8(text, pos, c);
    if (c == kNotACharacter) {
      out += "\xEF\xBF\xBD";
    } else if (c < 32 || c == 127 || (c >= 0x80 && c < 0xA0)) {
      out += '?';  // C1 controls too: some terminals obey them in UTF-8
    } else {
      out.append(text, pos, n);
    }
    pos += n;
  }
  return out;
}

}  // namespace dirsheet::listing
