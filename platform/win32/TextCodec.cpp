#include "platform/win32/TextCodec.h"

#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace dirsheet::platform::win32 {

std::wstring WideFromUtf8(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const unsigned char b0 = static_cast<unsigned char>(text[pos]);
    if (b0 < 0x80) {
      out += static_cast<wchar_t>(b0);
      ++pos;
      continue;
    }
    // ED A0..BF xx: a surrogate in the generalised form, kept as it was.
    if (b0 == 0xED && pos + 2 < text.size()) {
      const unsigned char b1 = static_cast<unsigned char>(text[pos + 1]);
      const unsigned char b2 = static_cast<unsigned char>(text[pos + 2]);
      if (b1 >= 0xA0 && b1 <= 0xBF && (b2 & 0xC0) == 0x80) {
        out += static_cast<wchar_t>(0xD000 | ((b1 & 0x3F) << 6) | (b2 & 0x3F));
        pos += 3;
        continue;
      }
    }
    char32_t c;
    pos += DecodeUtf8(text, pos, c);
    if (c == kNotACharacter) c = 0xFFFD;
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (c >> 10));
      out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<wchar_t>(c);
    }
  }
  return out;
}

std::string Utf8FromWide(const wchar_t* text, std::size_t length) {
  std::string out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    char32_t c = static_cast<char16_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length) {
      const char32_t low = static_cast<char16_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    AppendUtf8(c, out);  // an unpaired surrogate keeps its three-byte form
  }
  return out;
}

namespace {

// Code pages that refuse WC_NO_BEST_FIT_CHARS (and, for UTF-7 and UTF-8, the default
// character arguments): passing either makes the conversion fail and give nothing.
bool RefusesFlags(UINT cp) {
  return cp == CP_UTF7 || cp == CP_UTF8 || cp == 54936 || cp == 42 ||
         (cp >= 50220 && cp <= 50229) || (cp >= 57002 && cp <= 57011);
}

bool RefusesDefaultChar(UINT cp) { return cp == CP_UTF7 || cp == CP_UTF8; }

}  // namespace

std::string CodePageFromWide(const wchar_t* text, std::size_t length, UINT codePage, bool* lossy) {
  if (lossy) *lossy = false;
  if (length == 0) return {};
  // Plain ASCII is the same in every code page this program writes: no call.
  std::string ascii(length, '\0');
  std::size_t i = 0;
  for (; i < length && text[i] < 0x80; ++i) ascii[i] = static_cast<char>(text[i]);
  if (i == length) return ascii;
  if (codePage == CP_ACP) codePage = GetACP();
  if (codePage == CP_UTF8) {
    // Surrogates without their other half have no UTF-8 form: "?" as in other code pages.
    std::string out;
    for (std::size_t k = 0; k < length; ++k) {
      const char32_t c = static_cast<char16_t>(text[k]);
      const bool high = c >= 0xD800 && c <= 0xDBFF;
      if (high && k + 1 < length && text[k + 1] >= 0xDC00 && text[k + 1] <= 0xDFFF) {
        AppendUtf8(0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(text[k + 1]) - 0xDC00),
                   out);
        ++k;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        out += '?';
        if (lossy) *lossy = true;
      } else {
        AppendUtf8(c, out);
      }
    }
    return out;
  }
  const DWORD flags = RefusesFlags(codePage) ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* used = RefusesDefaultChar(codePage) ? nullptr : &usedDefault;
  const int n = WideCharToMultiByte(codePage, flags, text, static_cast<int>(length), nullptr, 0,
                                    nullptr, nullptr);
  if (n <= 0) {
    if (lossy) *lossy = true;
    return std::string(length, '?');
  }
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, text, static_cast<int>(length), &out[0], n, nullptr, used);
  if (lossy) *lossy = usedDefault != FALSE;
  return out;
}

std::wstring WideFromCodePage(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const int n =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::wstring(text.size(), L'?');
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}

std::string Utf8FromAnsi(const std::string& text, UINT codePage) {
  if (IsPlainAscii(text)) return text;
  return Utf8FromWide(WideFromCodePage(text, codePage));
}

std::string AnsiFromUtf8(const std::string& text, UINT codePage, bool* lossy) {
  if (lossy) *lossy = false;
  if (IsPlainAscii(text)) return text;
  return CodePageFromWide(WideFromUtf8(text), codePage, lossy);
}

namespace {

// The system's code page for the listing writers, one character at a time.
class AnsiPage : public CodePage {
 public:
  explicit AnsiPage(UINT codePage) : codePage_(codePage == CP_ACP ? GetACP() : codePage) {}
  bool Append(char32_t c, std::string& out) const override {
    if (c < 0x80) {
      out += static_cast<char>(c);
      return true;
    }
    if (codePage_ == CP_UTF8) {
      AppendUtf8(c, out);
      return true;
    }
    wchar_t units[2];
    std::size_t n = 1;
    if (c >= 0x10000) {
      units[0] = static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      units[1] = static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      n = 2;
    } else {
      units[0] = static_cast<wchar_t>(c);
    }
    bool lossy = false;
    std::string bytes = CodePageFromWide(units, n, codePage_, &lossy);
    if (lossy) return false;
    out += bytes;
    return true;
  }
  bool IsUtf8() const override { return codePage_ == CP_UTF8; }

 private:
  UINT codePage_;
};

}  // namespace

std::unique_ptr<CodePage> MakeCodePage(UINT codePage) {
  return std::make_unique<AnsiPage>(codePage);
}

}  // namespace dirsheet::platform::win32

namespace dirsheet::platform {
std::unique_ptr<CodePage> SystemCodePage() { return win32::MakeCodePage(CP_ACP); }
}  // namespace dirsheet::platform
