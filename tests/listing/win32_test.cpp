// The Win32 backend under its own conditions: names outside the ANSI code page and paths
// longer than 260 characters are walked, not skipped; the listing stays 8-bit.
#include <windows.h>

#include <gtest/gtest.h>

#include "Fixture.h"

using namespace dirsheet;

namespace {

std::wstring Wide(const std::string& ansi) {
  std::wstring out(ansi.size(), L'\0');
  const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                    &out[0], static_cast<int>(out.size()));
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
