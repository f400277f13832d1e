// The whole scan on real folders in a temporary folder, through the file-system backend
// of the build: POSIX natively, Win32 under Wine (the tree reached through Z:).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <cstring>
#include <filesystem>
#include <regex>

#include <time.h>

#include "Fixture.h"

using namespace dirsheet;
using fixture::Lines;
using fixture::Spaces;
using listing::ListingOptions;

namespace {

const std::string kStars(62, '*');

ListingOptions Options(const char* format = "Text") {
  ListingOptions o;
  o.format = format;
  return o;
}

std::string Underline(const std::string& path) { return std::string(path.size(), '*'); }

std::map<std::string, std::vector<std::string>> BlockMap(const std::string& listing) {
  std::map<std::string, std::vector<std::string>> out;
  for (auto& block : fixture::TextBlocks(listing)) out[block.first] = block.second;
  return out;
}

}  // namespace

class Walk : public ::testing::Test {
 protected:
  fixture::TempTree tree;
  fixture::TempTree out;
};

TEST_F(Walk, DefaultOptionsTextByteForByte) {
  tree.File("b.zzq", 2560);
  tree.File("a.zzq", 0);
  tree.Dir("sub");
  ListingOptions o = Options();
  o.order = "Name";
  o.orderIndex = 0;
  const auto r = fixture::Scan(tree.Root(), out.Root(), o);
  ASSERT_TRUE(r.ok);
  const std::string root = tree.Root(), sub = tree.Path("sub");
  EXPECT_EQ(r.listing, Lines({"Name" + Spaces(41) + "Type" + Spaces(26) + "Size(KB)",
                              "",
                              "",
                              root,
                              Underline(root),
                              "a.zzq" + Spaces(40) + fixture::kZzqType +
                                  Spaces(30 - static_cast<int>(strlen(fixture::kZzqType))) + "0",
                              "b.zzq" + Spaces(40) + fixture::kZzqType +
                                  Spaces(30 - static_cast<int>(strlen(fixture::kZzqType))) + "2",
                              "",
                              "File(s): 2 - Size: 2560 Byte(s).",
                              "",
                              "",
                              sub,
                              Underline(sub),
                              "",
                              "File(s): 0 - Size: 0 Byte(s).",
                              "",
                              kStars,
                              "Total Folder(s): 1",
                              "Total File(s): 2",
                              "Total Files Size: 0 MB; 2 KB; 2560 Byte(s).",
                              kStars}));
}

TEST_F(Walk, HtmlByteForByteWithEscapedNamesAndOnlyTheShownColumns) {
  tree.File("Tom & Jerry.zzq", 1536);
  tree.SetModified("Tom & Jerry.zzq", 2024, 3, 7, 9, 5, 41);
  ListingOptions o = Options("HTML");
  o.size = false;
  o.modified = true;
  const auto r = fixture::Scan(tree.Root(), out.Root(), o);
  ASSERT_TRUE(r.ok);
  const std::string root = tree.Root();
  EXPECT_EQ(r.listing, Lines({"<table>",
                              "<tr>",
                              "<td style=\"width:450px; height:100px;\"><b>Name</b>",
                              "<td style=\"width:300px; height:100px;\"><b>Type</b>",
                              "<td style=\"width:200px; height:100px;\"><b>Last modified date</b>",
                              "</table>",
                              "<table>",
                              "<tr>",
                              "<td><b>" + root + "</b>",
                              "<tr>",
                              "<td>" + Underline(root),
                              "</table>",
                              "<table>",
                              "<tr>",
                              "<td style=\"width:450px;\">Tom &amp; Jerry.zzq",
                              std::string("<td style=\"width:300px;\">") + fixture::kZzqType,
                              "<td style=\"width:200px;\">2024/3/7 9:5",
                              "</table>",
                              "<table>",
                              "<tr><td style=\"height:25px;\">",
                              "<tr>",
                              "<td>File(s): 1 - Size: 1536 Byte(s).",
                              "<tr><td style=\"height:50px;\">",
                              "</table>",
                              "<table>",
                              "<tr><td>" + kStars,
                              "<tr><td><b>Total Folder(s): 0</b>",
                              "<tr><td><b>Total File(s): 1</b>",
                              "<tr><td><b>Total Files Size: 0 MB; 2 KB; 1536 Byte(s).</b>",
                              "<tr><td>" + kStars,
                              "</table>"}));
}

#if !defined(_WIN32)
TEST_F(Walk, MarkupInRealFileNamesIsEscaped) {
  tree.File("<img src=x onerror=alert(1)>.txt", 1);
  const auto r = fixture::Scan(tree.Root(), out.Root(), Options("HTML"));
  EXPECT_NE(r.listing.find("px;\">&lt;img src=x onerror=alert(1)&gt;.txt\r\n"), std::string::npos);
  EXPECT_EQ(r.listing.find("<img"), std::string::npos);
}
#endif

TEST_F(Walk, AllAttributesStartInTheirColumnsWithUtcStamps) {
#if !defined(_WIN32)
  setenv("TZ", "<+14>-14", 1);  // local time is already 2025 here: it must not show
  tzset();
#endif
  tree.File("n.zzq", 1024);
  tree.SetModified("n.zzq", 2024, 12, 31, 23, 59, 59);
  ListingOptions o = Options();
  o.created = o.modified = true;
  const auto r = fixture::Scan(tree.Root(), out.Root(), o);
  const auto blocks = BlockMap(r.listing);
  ASSERT_EQ(blocks.at(tree.Root()).size(), 2u);
  const std::string line = blocks.at(tree.Root())[0];
  EXPECT_EQ(line.substr(0, 45), "n.zzq" + Spaces(40));
  EXPECT_EQ(line.substr(45, strlen(fixture::kZzqType)), fixture::kZzqType);
  EXPECT_EQ(line.substr(75, 2), "1 ");
  EXPECT_TRUE(std::regex_match(line.substr(95, 20),
                               std::regex(R"(\d{4}/\d{1,2}/\d{1,2} \d{1,2}:\d{1,2} *)")))
      << line;
  EXPECT_EQ(line.substr(115), "2024/12/31 23:59");
}

TEST_F(Walk, FilterListsMatchingFilesAndStillWalksEverySubfolder) {
  tree.File("keep.txt", 10);
  tree.File("skip.zzq", 10);
  tree.Dir("folder.txt");  // matches the filter but is no file row
  tree.File("folder.txt/inner.txt", 20);
  tree.Dir("other/deeper");
  tree.File("other/X.TXT", 30);  // case is ignored
  tree.File("other/deeper/no.zzq", 40);
  ListingOptions o = Options();
  o.filter = "*.txt";
  o.type = false;
  const auto r = fixture::Scan(tree.Root(), out.Root(), o);
  const auto blocks = BlockMap(r.listing);
  ASSERT_EQ(blocks.size(), 4u);
  EXPECT_EQ(blocks.at(tree.Root()),
            (std::vector<std::string>{"keep.txt" + Spaces(37) + Spaces(30) + "0",
                                      "File(s): 1 - Size: 10 Byte(s)."}));
  EXPECT_EQ(blocks.at(tree.Path("folder.txt"))[1], "File(s): 1 - Size: 20 Byte(s).");
  EXPECT_EQ(blocks.at(tree.Path("other"))[0].substr(0, 5), "X.TXT");
  EXPECT_EQ(blocks.at(tree.Path("other/deeper")),
            (std::vector<std::string>{"File(s): 0 - Size: 0 Byte(s)."}));
  EXPECT_EQ(r.totals.TotalFolders, 3u);
  EXPECT_EQ(r.totals.TotalFiles, 3u);
  EXPECT_EQ(r.totals.TotalBytes, 60u);
}

TEST_F(Walk, EmptyFilterListsNoFilesButWalksSubfolders) {
  tree.File("a.zzq", 1);
  tree.Dir("s");
  ListingOptions o = Options();
  o.filter = "";
  const auto r = fixture::Scan(tree.Root(), out.Root(), o);
  EXPECT_EQ(BlockMap(r.listing).size(), 2u);
  EXPECT_EQ(r.totals.TotalFiles, 0u);
  EXPECT_EQ(r.totals.TotalFolders, 1u);
}

TEST_F(Walk, SizesRoundHalfToEvenAndTwoGigabytesAreExact) {
  const std::pair<const char*, std::uint64_t> files[] = {{"a0.zzq", 0},
                                                         {"b511.zzq", 511},
                                                         {"c512.zzq", 512},
                                                         {"d1536.zzq", 1536},
                                                         {"e2560.zzq", 2560},
                                                         {"f2g.zzq", 2147483648ULL},
                                                         {"g4g.zzq", 4294967297ULL}};
  for (const auto& f : files) tree.File(f.first, f.second);
  ListingOptions o = Options();
  o.type = false;
  o.order = "Name";
  o.orderIndex = 0;
  const auto r = fixture::Scan(tree.Root(), out.Root(), o);
  const auto rows = BlockMap(r.listing).at(tree.Root());
  const char* kb[] = {"0", "0", "0", "2", "2", "2097152", "4194304"};
  ASSERT_EQ(rows.size(), 8u);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(rows[static_cast<std::size_t>(i)].substr(75), kb[i]);
  EXPECT_EQ(rows[7], "File(s): 7 - Size: 6442456064 Byte(s).");
  EXPECT_EQ(r.totals.TotalBytes, 6442456064ULL);
  EXPECT_NE(r.listing.find("Total Files Size: 6144 MB; 6291461 KB; 6442456064 Byte(s)."),
            std::string::npos);
}

TEST_F(Walk, SizeOrderIsATextSort) {
  tree.File("nine.zzq", 9 * 1024);
  tree.File("ten.zzq", 10 * 1024);
  ListingOptions o = Options();
  o.order = "Size";
  o.orderIndex = 2;
  const auto rows = BlockMap(fixture::Scan(tree.Root(), out.Root(), o).listing).at(tree.Root());
  EXPECT_EQ(rows[0].substr(0, 7), "ten.zzq");
  EXPECT_EQ(rows[1].substr(0, 8), "nine.zzq");
}

TEST_F(Walk, NoOrderKeepsTheEnumerationOrder) {
  for (const char* name : {"m.zzq", "c.zzq", "x.zzq", "a.zzq", "q.zzq"}) tree.File(name, 1);
  std::vector<std::string> enumerated;
  auto files = platform::MakeFileSystem();
  platform::FindResult result;
  auto found = files->Find(tree.Root(), "*", result);
  platform::FindEntry e;
  while (found->Next(e))
    if (!e.isDirectory) enumerated.push_back(e.name);
  const auto rows =
      BlockMap(fixture::Scan(tree.Root(), out.Root(), Options()).listing).at(tree.Root());
  ASSERT_EQ(rows.size(), 6u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(rows[i].substr(0, 5), enumerated[i]);
}

TEST_F(Walk, StopListsTheCurrentFolderAndCountsTheRemainingSiblings) {
  for (const char* d : {"a", "b", "c"}) {
    tree.File(std::string(d) + "/f.zzq", 5);
    tree.Dir(std::string(d) + "/s1");
    tree.Dir(std::string(d) + "/s2");
  }
  tree.File("top.zzq", 7);
  fixture::RecordingHost host;
  const std::string rootFile = tree.Path("top.zzq");
  std::string stoppedIn;
  // Stop is clicked while the first subfolder lists its file.
  host.onStatus = [&](const std::string& text) {
    if (!host.stop && text.size() > 6 && text.substr(text.size() - 6) == "/f.zzq") host.stop = true;
    if (!host.stop && text.size() > 6 && text.substr(text.size() - 6) == "\\f.zzq")
      host.stop = true;
  };
  const auto r = fixture::Scan(tree.Root(), out.Root(), Options(), &host);
  const auto blocks = fixture::TextBlocks(r.listing);
  ASSERT_EQ(blocks.size(), 2u);  // the source folder and the folder being listed
  EXPECT_EQ(blocks[0].first, tree.Root());
  EXPECT_EQ(blocks[1].second.back(), "File(s): 1 - Size: 5 Byte(s).");
  EXPECT_EQ(r.totals.TotalFolders, 5u);  // a, b, c and the two below the stopped one
  EXPECT_EQ(r.totals.TotalFiles, 2u);
  EXPECT_EQ(r.totals.TotalBytes, 12u);
  EXPECT_NE(r.listing.find("Total Folder(s): 5\r\n"), std::string::npos);  // still has totals
}

TEST_F(Walk, MissingFolderGetsAnEmptyBlockAndIsReported) {
  fixture::RecordingHost host;
  const std::string missing = tree.Path("not here");
  const auto r = fixture::Scan(missing, out.Root(), Options(), &host);
  EXPECT_EQ(BlockMap(r.listing).at(missing),
            (std::vector<std::string>{"File(s): 0 - Size: 0 Byte(s)."}));
  EXPECT_EQ(host.unreadable, (std::vector<std::string>{missing}));
}

TEST_F(Walk, PumpsOncePerEntryAfterTheFirstAndShowsEachFileAndFolder) {
  tree.File("a.zzq", 1);
  tree.File("b.zzq", 1);
  tree.Dir("s");
  fixture::RecordingHost host;
  fixture::Scan(tree.Root(), out.Root(), Options(), &host);
  // Root: ".", "..", a, b, s; then s: ".", "..".
  EXPECT_EQ(host.pumps, 4 + 1);
  std::vector<std::string> sorted = host.statuses;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted,
            (std::vector<std::string>{tree.Path("a.zzq"), tree.Path("b.zzq"), tree.Path("s")}));
}

TEST_F(Walk, FolderReachedTwiceIsListedOnceAndLoopsAreNotEntered) {
  tree.File("a/f.zzq", 3);
  std::error_code ec;
  std::filesystem::create_directory_symlink(tree.Root(), tree.Path("a/loop"), ec);
  if (ec) GTEST_SKIP() << "no folder links here: " << ec.message();
  tree.Dir("b");
  std::filesystem::create_directory_symlink(tree.Path("a"), tree.Path("b/link"), ec);
  fixture::RecordingHost host;
  const auto r = fixture::Scan(tree.Root(), out.Root(), Options(), &host);
  const auto blocks = BlockMap(r.listing);
  // "a" and "b/link" are one folder: whichever the walk meets first is listed, the other
  // is not entered; the link back to the source folder is entered by neither.
  const bool viaLink = blocks.count(tree.Path("b/link")) != 0;
  EXPECT_NE(viaLink, blocks.count(tree.Path("a")) != 0);
  EXPECT_EQ(blocks.size(), 3u);  // the source folder, b, and a once
  const std::string first = viaLink ? tree.Path("b/link") : tree.Path("a");
  std::sort(host.loops.begin(), host.loops.end());
  std::vector<std::string> expected = {viaLink ? tree.Path("a") : tree.Path("b/link"),
                                       first + fixture::Sep() + "loop"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(host.loops, expected);
  EXPECT_EQ(blocks.at(first).back(), "File(s): 1 - Size: 3 Byte(s).");
  EXPECT_EQ(r.totals.TotalFiles, 1u);
  EXPECT_EQ(r.totals.NotEntered, 2u);
  EXPECT_EQ(r.totals.TotalFolders, 4u);  // a, b, b/link and a/loop (counted, as after Stop)
}
