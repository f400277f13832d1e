// The compact stores a read folder is kept in, and large blocks written in parts.
#include <gtest/gtest.h>

#include <cstdio>

#include "Fixture.h"
#include "listing/FolderContents.h"

using namespace dirsheet::listing;
using fixture::Lines;
using fixture::Spaces;

TEST(Segmented, EveryElementIsFoundAgainAcrossBlockEdges) {
  // Past 16, 32, 4096, 8192 and several fixed blocks after them.
  Segmented<std::uint32_t> values;
  const std::uint32_t n = 21000;
  for (std::uint32_t i = 0; i < n; ++i) values.PushBack(i * 7919u);
  ASSERT_EQ(values.size(), n);
  for (std::uint32_t i = 0; i < n; ++i) ASSERT_EQ(values[i], i * 7919u) << i;

  // The blocks tile the indexes: each starts where the one before ended.
  std::size_t expectBlock = 0, expectOffset = 0;
  for (std::size_t i = 0; i < n; ++i) {
    std::size_t block, offset;
    Segmented<std::uint32_t>::Locate(i, block, offset);
    ASSERT_EQ(block, expectBlock) << i;
    ASSERT_EQ(offset, expectOffset) << i;
    if (++expectOffset == Segmented<std::uint32_t>::BlockSize(block)) {
      ++expectBlock;
      expectOffset = 0;
    }
  }
  // What is held is the elements and a little more, never twice as much.
  EXPECT_LT(values.Bytes(), n * sizeof(std::uint32_t) * 5 / 4);
  values.Release();
  EXPECT_EQ(values.size(), 0u);
}

TEST(Segmented, ShortSequencesStaySmall) {
  Segmented<std::uint64_t> one;
  one.PushBack(42);
  EXPECT_EQ(one[0], 42u);
  EXPECT_LE(one.Bytes(), 16 * sizeof(std::uint64_t) + 64);
}

TEST(NameStore, NamesOfEverySizeComeBackWhole) {
  NameStore store;
  std::vector<std::pair<std::uint64_t, std::string>> kept;
  for (int i = 0; i < 5000; ++i) {
    // Lengths from 0 up to a name larger than any block, in no regular pattern.
    const std::size_t length = i == 4000 ? 70000 : static_cast<std::size_t>(i * 37 % 301);
    std::string name(length, static_cast<char>('a' + i % 26));
    if (!name.empty()) name.back() = static_cast<char>('0' + i % 10);
    kept.emplace_back(store.Add(name), name);
  }
  for (const auto& k : kept)
    ASSERT_EQ(store.Get(k.first, static_cast<std::uint32_t>(k.second.size())), k.second);
}

namespace {

// A text block of `n` file rows, each name 40 characters, written by the listing file.
std::string WriteLargeBlock(int n, std::vector<ListingRow>& rows) {
  rows.clear();
  ListingRow heading;
  heading.kind = RowKind::Heading;
  heading.cells[kName] = "/big";
  rows.push_back(heading);
  for (int i = 0; i < n; ++i) {
    ListingRow row;
    row.kind = RowKind::File;
    char name[48];
    std::snprintf(name, sizeof name, "file-%05d-with-a-longer-name-xxxxxx.txt", i);
    row.cells = {name, "Text Document", std::to_string(i % 1000), "", ""};
    rows.push_back(row);
  }
  ListingRow summary;
  summary.kind = RowKind::Summary;
  summary.cells[kName] = "Info";
  summary.cells[kType] = "File(s): 0 - Size: 0 Byte(s).";
  rows.push_back(summary);
  fixture::TempTree tree;
  ListingFile file(tree.Path("Dirsheet"), ListingOptions());
  EXPECT_TRUE(file.WriteListingHeader());
  EXPECT_TRUE(fixture::AppendBlock(file, rows));
  EXPECT_TRUE(file.AppendTotals(ScanTotals()));
  return fixture::ReadFile(file.Path());
}

}  // namespace

TEST(ListingFile, BlockLargerThanAWriteIsWrittenWholeAndInOrder) {
  std::vector<ListingRow> rows;
  const int n = 3000;  // some 250 KB: several parts
  const std::string listing = WriteLargeBlock(n, rows);
  std::vector<std::string> lines = {"Name" + Spaces(41) + "Type" + Spaces(26) + "Size(KB)", "", "",
                                    "/big", "****"};
  for (int i = 0; i < n; ++i) {
    const std::string& name = rows[static_cast<std::size_t>(i) + 1].cells[kName];
    lines.push_back(name + Spaces(45 - static_cast<int>(name.size())) + "Text Document" +
                    Spaces(17) + std::to_string(i % 1000));
  }
  const std::string stars(62, '*');
  for (const std::string& line :
       {std::string(), std::string("File(s): 0 - Size: 0 Byte(s)."), std::string(), stars,
        std::string("Total Folder(s): 0"), std::string("Total File(s): 0"),
        std::string("Total Files Size: 0 MB; 0 KB; 0 Byte(s)."), stars})
    lines.push_back(line);
  EXPECT_EQ(listing, Lines(lines));
}

#if !defined(_WIN32)
TEST(ListingFile, FailureInTheMiddleOfALargeBlockIsAnError) {
  // Gathered, the title fits the stream's buffer; the block's first part does not.
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  ListingFile file(full, "/dev/full", ListingOptions());
  file.FlushEveryStep(false);
  EXPECT_TRUE(file.WriteListingHeader());
  ListingRow row;
  row.kind = RowKind::File;
  row.cells[kName] = std::string(200, 'n');
  ASSERT_TRUE(file.BeginFolderBlock());
  bool failed = false;
  for (int i = 0; i < 2000 && !failed; ++i) failed = !file.AddRow(row);
  EXPECT_TRUE(failed);
  EXPECT_FALSE(file.EndFolderBlock());
  EXPECT_NE(file.Error().find("No space"), std::string::npos) << file.Error();
  std::fclose(full);
}
#endif

TEST(TypeNames, EachNameGetsTheTypeTheBackendGivesIt) {
  auto fs = dirsheet::platform::MakeFileSystem();
  TypeNames names(*fs);
  TypeNames::Cache first(names), second(names);
  // Names whose extensions differ only in case, in being empty, or in having dots before.
  const char* files[] = {"a.txt",     "b.TXT", "noext", ".bashrc",   "x.tar.gz", "y.gz",
                         "photo.jpg", "z.",    "a.b.c", "weird.zzq", "f.txt"};
  for (const char* file : files) {
    std::string expected = fs->TypeName(file);
    delete_Null(expected);
    EXPECT_EQ(*first.Of(file), expected) << file;
    EXPECT_EQ(*second.Of(file), expected) << file;
    // Asked again, the same kept text.
    EXPECT_EQ(first.Of(file), second.Of(file)) << file;
  }
}
