// The Win32 backend under its own conditions: names outside the ANSI code page and paths
// longer than 260 characters are walked, not skipped; the listing stays 8-bit.
#include <windows.h>

#include <gtest/gtest.h>

#include "Fixture.h"
#include "platform/win32/TextCodec.h"

using namespace dirsheet;

namespace {

// Straight from the system, not through TextCodec: the backend's conversions are under test.
std::wstring Wide(const std::string& ansi) {
  std::wstring out(ansi.size(), L'\0');
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &out[0],
                                    static_cast<int>(out.size()));
  out.resize(static_cast<std::size_t>(n));
  return out;
}

void MakeDir(const std::wstring& path) {
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr)) << GetLastError();
}

void MakeFile(const std::wstring& path, DWORD size) {
  HANDLE h = CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
  std::string bytes(size, 'x');
  DWORD written = 0;
  WriteFile(h, bytes.data(), size, &written, nullptr);
  CloseHandle(h);
}

}  // namespace

TEST(Win32Backend, NamesOutsideTheCodePageAreWalked) {
  fixture::TempTree tree, out;
  const std::wstring root = Wide(tree.Root());
  // Two Greek folder names that both become "?" runs in an 8-bit code page.
  MakeDir(root + L"\\\x03b1\x03b2");
  MakeDir(root + L"\\\x03b3\x03b4");
  MakeFile(root + L"\\\x03b1\x03b2\\one.zzq", 100);
  MakeFile(root + L"\\\x03b3\x03b4\\two.zzq", 200);
  MakeFile(root + L"\\\x03b3\x03b4\\\x03c9.zzq", 300);
  MakeDir(root + L"\\\x03b3\x03b4\\\x03b5");
  MakeFile(root + L"\\\x03b3\x03b4\\\x03b5\\three.zzq", 400);
  const auto r = fixture::Scan(tree.Root(), out.Root(), listing::ListingOptions());
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.totals.TotalFolders, 3u);
  EXPECT_EQ(r.totals.TotalFiles, 4u);
  EXPECT_EQ(r.totals.TotalBytes, 1000u);
  for (char c : r.listing) EXPECT_NE(c, '\0');
}

TEST(Win32Backend, PathsLongerThan260CharactersAreWalked) {
  fixture::TempTree tree, out;
  std::wstring path = Wide(tree.Root());
  for (int i = 0; i < 8; ++i) {
    path += L"\\a_folder_name_of_forty_characters_" + std::to_wstring(10000 + i);
    MakeDir(path);
  }
  ASSERT_GT(path.size(), 300u);
  MakeFile(path + L"\\deep.zzq", 1536);
  const auto r = fixture::Scan(tree.Root(), out.Root(), listing::ListingOptions());
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.totals.TotalFolders, 8u);
  EXPECT_EQ(r.totals.TotalFiles, 1u);
  const auto blocks = fixture::TextBlocks(r.listing);
  ASSERT_EQ(blocks.size(), 9u);
  EXPECT_GT(blocks.back().first.size(), 300u);
  EXPECT_EQ(blocks.back().second.front().substr(0, 8), "deep.zzq");
}

namespace win32 = dirsheet::platform::win32;

// The conversions take the code page as a parameter, so every code page is tried here
// without changing the system's: 1252 (Western), 1253 (Greek), 932 (Japanese, two bytes a
// character) and 65001 (UTF-8, which refuses the flags the others take).
TEST(TextCodec, EveryCodePageUtf8Included) {
  bool lossy = true;
  EXPECT_EQ(win32::CodePageFromWide(L"Gr\x00f6\x00df"
                                    L"e",
                                    1252, &lossy),
            "Gr\xF6\xDF"
            "e");
  EXPECT_FALSE(lossy);
  // No look-alike: a-macron is not "a" in 1252, it is missing.
  EXPECT_EQ(win32::CodePageFromWide(L"\x0101\x65e5", 1252, &lossy), "??");
  EXPECT_TRUE(lossy);
  EXPECT_EQ(win32::CodePageFromWide(L"\x03b5\x03bb", 1253, &lossy), "\xE5\xEB");
  EXPECT_FALSE(lossy);
  EXPECT_EQ(win32::CodePageFromWide(L"\x65e5\x672c", 932, &lossy), "\x93\xFA\x96\x7B");
  EXPECT_FALSE(lossy);
  EXPECT_EQ(win32::CodePageFromWide(L"\x03b5\x65e5\xD83D\xDCC1", CP_UTF8, &lossy),
            "\xCE\xB5\xE6\x97\xA5\xF0\x9F\x93\x81");
  EXPECT_FALSE(lossy);
  // A surrogate without its other half has no UTF-8 form.
  EXPECT_EQ(win32::CodePageFromWide(L"a\xD800"
                                    L"b",
                                    CP_UTF8, &lossy),
            "a?b");
  EXPECT_TRUE(lossy);
  for (UINT cp : {1252u, 1253u, 932u, 65001u})
    EXPECT_EQ(win32::Utf8FromAnsi(win32::AnsiFromUtf8("plain.txt", cp), cp), "plain.txt");
  EXPECT_EQ(win32::Utf8FromAnsi("\xE5\xEB", 1253), "\xCE\xB5\xCE\xBB");
  EXPECT_EQ(win32::Utf8FromAnsi("\xCE\xB5\xCE\xBB", CP_UTF8), "\xCE\xB5\xCE\xBB");
}

TEST(TextCodec, NamesSurviveTheTripThroughUtf8) {
  // An unpaired surrogate (possible in NTFS names) comes back as it was.
  const std::wstring names[] = {L"plain",
                                L"\x03b5\x03bb\x03bb",
                                L"\xD83D\xDCC1 folder",
                                L"lone \xD800 high",
                                L"lone \xDC00 low",
                                L"\xDBFF"};
  for (const std::wstring& name : names)
    EXPECT_EQ(win32::WideFromUtf8(win32::Utf8FromWide(name)), name);
  // Bytes that are not UTF-8 become U+FFFD.
  EXPECT_EQ(win32::WideFromUtf8("a\xFF"
                                "b"),
            L"a\xFFFD"
            L"b");
}

TEST(TextCodec, ListingsInEachCodePage) {
  // The text listing of one Greek and one Japanese name in three code pages.
  listing::ListingOptions o;
  o.type = false;
  auto line = [&](UINT cp, const std::string& name) {
    auto writer = listing::MakeListingFormat(o, win32::MakeCodePage(cp));
    listing::ListingRow row;
    row.cells[listing::kName] = name;
    row.cells[listing::kSize] = "1";
    std::string out;
    writer->FolderBlock({row}, out);
    return out.substr(2, out.find(' ') - 2);  // after the block's empty line
  };
  const std::string greek = "\xCE\xB5\xCE\xBB.txt", japanese = "\xE6\x97\xA5.txt";
  EXPECT_EQ(line(1252, greek), "??.txt");
  EXPECT_EQ(line(1253, greek), "\xE5\xEB.txt");
  EXPECT_EQ(line(932, japanese), "\x93\xFA.txt");
  EXPECT_EQ(line(CP_UTF8, greek), greek);
  EXPECT_EQ(line(CP_UTF8, japanese), japanese);
}
