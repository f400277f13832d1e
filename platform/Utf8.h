// UTF-8 reading and writing shared by the backends and the listing writers. Decoding is
// strict: overlong forms, surrogates, values past U+10FFFF and cut sequences are not
// characters; the caller learns how many bytes were not one and decides what to show.
#pragma once

#include <cstddef>
#include <string>

namespace dirsheet::platform {

// Reads one character of `text` at `pos`. Returns its length in bytes and sets `c`; for a
// byte that does not start a valid sequence returns 1 and sets `c` to -1 (as char32_t).
std::size_t DecodeUtf8(const std::string& text, std::size_t pos, char32_t& c);

// Appends the UTF-8 form of `c` (values up to U+10FFFF; surrogates too, in the
// generalised form the Win32 backend uses for unpaired ones).
void AppendUtf8(char32_t c, std::string& out);

// True when every byte of `text` is printable ASCII (32 to 126): the common case, which
// every encoding writes unchanged.
bool IsPlainAscii(const std::string& text);

inline constexpr char32_t kNotACharacter = static_cast<char32_t>(-1);

}  // namespace dirsheet::platform
