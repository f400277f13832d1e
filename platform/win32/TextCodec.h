// Conversions between the program's text forms on Windows: UTF-16 (the wide calls), UTF-8
// (names and paths inside the program) and 8-bit code pages (ANSI controls, the text
// listing). Every conversion takes the code page as a parameter and is right for each of
// them, UTF-8 (65001) included, which refuses the flags other code pages take.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "platform/FileSystem.h"

namespace dirsheet::platform::win32 {

// UTF-8 to UTF-16. Invalid bytes become U+FFFD; a surrogate written in the generalised
// three-byte form (an unpaired one from a file name) comes back as that surrogate.
std::wstring WideFromUtf8(const std::string& text);
// UTF-16 to UTF-8; an unpaired surrogate is kept in the generalised three-byte form, so
// that WideFromUtf8 gives the same wide text back.
std::string Utf8FromWide(const wchar_t* text, std::size_t length);
inline std::string Utf8FromWide(const std::wstring& text) {
  return Utf8FromWide(text.data(), text.size());
}

// UTF-16 to the code page `codePage` (CP_ACP for the system's). Characters it does not
// hold become "?" (never a look-alike "best fit" character); `lossy`, when given, tells
// whether that happened.
std::string CodePageFromWide(const wchar_t* text, std::size_t length, UINT codePage,
                             bool* lossy = nullptr);
inline std::string CodePageFromWide(const std::wstring& text, UINT codePage,
                                    bool* lossy = nullptr) {
  return CodePageFromWide(text.data(), text.size(), codePage, lossy);
}
// The code page's text to UTF-16.
std::wstring WideFromCodePage(const std::string& text, UINT codePage);

// The ANSI text of controls and ANSI calls to UTF-8 and back (CP_ACP).
std::string Utf8FromAnsi(const std::string& text, UINT codePage = CP_ACP);
std::string AnsiFromUtf8(const std::string& text, UINT codePage = CP_ACP, bool* lossy = nullptr);

// The listing writers' code page for `codePage` (CP_ACP: the system's), so that every
// code page can be tried without changing the system's.
std::unique_ptr<CodePage> MakeCodePage(UINT codePage);

}  // namespace dirsheet::platform::win32
