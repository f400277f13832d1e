// Trees made to hurt a folder lister: links that branch into an exponential maze, a
// folder whose names can be read but whose entries cannot be looked at, and names that
// carry line breaks and terminal escapes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "Fixture.h"

using namespace dirsheet;
using listing::ListingOptions;

TEST(Hostile, BranchingLinksAreListedOnceEach) {
  // maze/fN holds two links to fN+1: followed blindly that is 2^31 folders.
  fixture::TempTree tree, out;
  const int kLevels = 31;
  for (int i = 0; i < kLevels; ++i) {
    tree.File("f" + std::to_string(i) + "/mark" + std::to_string(i) + ".zzq",
              static_cast<std::uint64_t>(i) + 1);
    if (i + 1 < kLevels) {
      for (const char* link : {"x", "y"})
        ASSERT_EQ(symlink(("../f" + std::to_string(i + 1)).c_str(),
                          tree.Path("f" + std::to_string(i) + "/" + link).c_str()),
                  0);
    }
  }
  for (unsigned threads : {1u, 4u}) {
    ListingOptions o;
    o.threads = threads;
    fixture::RecordingHost host;
    const auto r = fixture::Scan(tree.Root(), out.Root(), o, &host);
    // Every folder's own file is listed exactly once, under whichever path came first.
    std::map<std::string, int> seen;
    for (const auto& block : fixture::TextBlocks(r.listing))
      for (const std::string& line : block.second)
        if (line.rfind("mark", 0) == 0) ++seen[line.substr(0, line.find(' '))];
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kLevels));
    for (const auto& s : seen) EXPECT_EQ(s.second, 1) << s.first;
    EXPECT_EQ(r.totals.TotalFiles, static_cast<std::uint64_t>(kLevels));
    EXPECT_EQ(fixture::TextBlocks(r.listing).size(), static_cast<std::size_t>(kLevels) + 1);
    // 31 plain folders and 60 links: each folder is entered once, 60 times it is not.
    EXPECT_EQ(r.totals.TotalFolders, 91u);
    EXPECT_EQ(r.totals.NotEntered, 60u);
    EXPECT_EQ(host.loops.size(), 60u);
  }
}

TEST(Hostile, EntriesWhoseDetailsCannotBeReadAreNotInvented) {
  // r-- : the names can be read, but nothing about the entries (size, times, kind).
  fixture::TempTree tree, out;
  tree.File("open/seen.zzq", 7);
  tree.File("ronly/a.zzq", 3000);
  tree.File("ronly/b.zzq", 4000);
  chmod(tree.Path("ronly").c_str(), 0444);
  chmod(out.Root().c_str(), 0777);
  const int code = fixture::RunUnprivileged([&] {
    fixture::RecordingHost host;
    const auto r = fixture::Scan(tree.Root(), out.Root(), ListingOptions(), &host);
    if (host.unreadable != std::vector<std::string>{tree.Path("ronly")}) return 2;
    if (r.totals.Unreadable != 1 || r.totals.TotalFiles != 1) return 3;
    if (r.listing.find("a.zzq") != std::string::npos) return 4;  // no made-up row
    if (r.listing.find("1601") != std::string::npos) return 5;
    return 0;
  });
  EXPECT_EQ(code, 0);
}

TEST(Hostile, ControlCharactersInNamesCannotForgeLinesOrEscapes) {
  fixture::TempTree tree, out;
  tree.File("evil\r\nTotal File(s): 999.zzq", 1);
  tree.File("\x1b]0;owned\x07.zzq", 1);
  tree.Dir("line\nbreak");
  for (const char* format : {"Text", "HTML"}) {
    ListingOptions o;
    o.format = format;
    const std::string listing = fixture::Scan(tree.Root(), out.Root(), o).listing;
    EXPECT_EQ(listing.find("\r\nTotal File(s): 999"), std::string::npos) << format;
    EXPECT_EQ(listing.find('\x1b'), std::string::npos) << format;
    EXPECT_EQ(listing.find('\x07'), std::string::npos) << format;
    EXPECT_NE(listing.find("evil??Total File(s): 999.zzq"), std::string::npos) << format;
    EXPECT_NE(listing.find("?]0;owned?.zzq"), std::string::npos) << format;
    // Every line ends in CR LF and no bare LF or CR is left in the listing.
    std::size_t crlf = 0, lf = 0, cr = 0;
    for (std::size_t i = 0; i < listing.size(); ++i) {
      if (listing[i] == '\n') ++lf;
      if (listing[i] == '\r') ++cr;
      if (listing.compare(i, 2, "\r\n") == 0) ++crlf;
    }
    EXPECT_EQ(lf, crlf) << format;
    EXPECT_EQ(cr, crlf) << format;
    EXPECT_NE(listing.find(tree.Root() + "/line?break"), std::string::npos) << format;
  }
}
