#include "platform/Utf8.h"

#include "platform/FileSystem.h"

namespace dirsheet::platform {

std::size_t DecodeUtf8(const std::string& text, std::size_t pos, char32_t& c) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char b0 = byte(pos);
  c = kNotACharacter;
  if (b0 < 0x80) {
    c = b0;
    return 1;
  }
  std::size_t length;
  char32_t value;
  char32_t minimum;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2, value = b0 & 0x1F, minimum = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3, value = b0 & 0x0F, minimum = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4, value = b0 & 0x07, minimum = 0x10000;
  } else {
    return 1;  // a continuation byte, C0/C1 (overlong) or F5..FF
  }
  if (pos + length > text.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char b = byte(pos + i);
    if ((b & 0xC0) != 0x80) return 1;
    value = (value << 6) | (b & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 1;
  c = value;
  return length;
}

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsPlainAscii(const std::string& text) {
  for (char ch : text) {
    const unsigned char u = static_cast<unsigned char>(ch);
    if (u < 32 || u > 126) return false;
  }
  return true;
}

namespace {

class Utf8Page : public CodePage {
 public:
  bool Append(char32_t c, std::string& out) const override {
    AppendUtf8(c, out);
    return true;
  }
  bool IsUtf8() const override { return true; }
};

}  // namespace

std::unique_ptr<CodePage> Utf8CodePage() { return std::make_unique<Utf8Page>(); }

#if !defined(_WIN32)
// On POSIX names are written as the system keeps them: UTF-8.
std::unique_ptr<CodePage> SystemCodePage() { return Utf8CodePage(); }
#endif

}  // namespace dirsheet::platform
