// Folders and listings that permissions keep closed, and dirsheet-cli's exit codes and
// messages. Permissions do not bind root, so as root these cases run in a child process
// that has given up its privileges.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "Fixture.h"

using namespace dirsheet;

namespace {

using fixture::RunUnprivileged;

struct Command {
  int exitCode = -1;
  std::string out, err;
};

Command RunCli(const std::string& args, const std::string& dir) {
  Command c;
  const std::string outFile = dir + "/cli.out", errFile = dir + "/cli.err";
  const std::string line =
      std::string(DIRSHEET_CLI) + " " + args + " >" + outFile + " 2>" + errFile;
  const int status = std::system(line.c_str());
  c.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  c.out = fixture::ReadFile(outFile);
  c.err = fixture::ReadFile(errFile);
  return c;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

}  // namespace

TEST(Permissions, UnreadableFolderGetsAnEmptyBlockAndIsReported) {
  fixture::TempTree tree, out;
  tree.File("open/f.zzq", 4);
  tree.File("locked/hidden.zzq", 8);
  chmod(tree.Path("locked").c_str(), 0);
  const int code = RunUnprivileged([&] {
    fixture::RecordingHost host;
    const auto r = fixture::Scan(tree.Root(), out.Root(), listing::ListingOptions(), &host);
    if (!r.ok) return 1;
    return host.unreadable == std::vector<std::string>{tree.Path("locked")} ? 0 : 2;
  });
  ASSERT_EQ(code, 0);
  const std::string text = fixture::ReadFile(out.Path("Dirsheet.txt"));
  const std::string locked = tree.Path("locked");
  EXPECT_NE(text.find(locked + "\r\n" + std::string(locked.size(), '*') +
                      "\r\n\r\nFile(s): 0 - Size: 0 Byte(s).\r\n"),
            std::string::npos);
  EXPECT_EQ(text.find("hidden.zzq"), std::string::npos);
  EXPECT_NE(text.find("Total File(s): 1\r\n"), std::string::npos);
}

TEST(Permissions, ReadOnlyOutputFolderIsAnError) {
  fixture::TempTree tree;
  tree.Dir("readonly");
  chmod(tree.Path("readonly").c_str(), 0555);
  const int code = RunUnprivileged([&] {
    listing::ListingFile file(tree.Path("readonly/Dirsheet"), listing::ListingOptions());
    file.DeleteExisting();
    if (file.WriteListingHeader() || file.ok()) return 1;
    return file.Error().find("Permission denied") != std::string::npos ? 0 : 2;
  });
  EXPECT_EQ(code, 0);
}

TEST(Cli, ListsToStandardOutputAndToAFile) {
  fixture::TempTree tree, work;
  tree.File("a.zzq", 2048);
  tree.Dir("sub");
  const Command toStdout = RunCli("-q " + Quote(tree.Root() + "/"), work.Root());
  EXPECT_EQ(toStdout.exitCode, 0) << toStdout.err;
  EXPECT_NE(toStdout.out.find("a.zzq" + std::string(40, ' ') + "ZZQ File"), std::string::npos);
  // The trailing slash is dropped: the heading is the folder's own path.
  EXPECT_NE(toStdout.out.find("\r\n" + tree.Root() + "\r\n"), std::string::npos);

  const std::string file = work.Path("listing.html");
  const Command toFile = RunCli(
      "-t html -a size,modified -s Name -f '*.zzq' -o " + Quote(file) + " " + Quote(tree.Root()),
      work.Root());
  EXPECT_EQ(toFile.exitCode, 0) << toFile.err;
  EXPECT_TRUE(toFile.out.empty());
  const std::string html = fixture::ReadFile(file);
  EXPECT_EQ(html.substr(0, 9), "<table>\r\n");
  EXPECT_NE(html.find("<td style=\"width:200px;\">2\r\n"), std::string::npos);
}

TEST(Cli, ExitCodeTellsWhetherTheListingIsComplete) {
  fixture::TempTree tree, work;
  const Command full = RunCli("-q -o /dev/full " + Quote(tree.Root()), work.Root());
  EXPECT_EQ(full.exitCode, 3);
  EXPECT_NE(full.err.find("No space left"), std::string::npos) << full.err;

  const Command noDir = RunCli(
      "-q -o " + Quote(tree.Path("no/such/dir.txt")) + " " + Quote(tree.Root()), work.Root());
  EXPECT_EQ(noDir.exitCode, 3);
  EXPECT_NE(noDir.err.find("cannot create the listing"), std::string::npos) << noDir.err;

  const Command bad = RunCli("--order Colour " + Quote(tree.Root()), work.Root());
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.err.find("usage:"), std::string::npos);
}

// A mistyped command line writes nothing and leaves an existing -o file as it was.
TEST(Cli, BadSourcesAndEmptyValuesAreUsageErrorsThatWriteNothing) {
  fixture::TempTree tree, work;
  tree.File("a-file.txt", 5);
  const std::string keep = work.Path("keep.txt");
  {
    std::FILE* f = std::fopen(keep.c_str(), "wb");
    std::fputs("earlier listing", f);
    std::fclose(f);
  }
  const std::string cases[] = {
      "-o " + Quote(keep) + " " + Quote(tree.Path("nothing here")),
      "-o " + Quote(keep) + " " + Quote(tree.Path("a-file.txt")),
      "-o " + Quote(keep) + " " + Quote(tree.Root()) + " " + Quote(tree.Path("gone")),
      "-f '' -o " + Quote(keep) + " " + Quote(tree.Root()),
      "-o '' " + Quote(tree.Root()),
      "-x '' " + Quote(tree.Root()),
      "--max-depth -1 " + Quote(tree.Root()),
      "--threads 0 " + Quote(tree.Root()),
  };
  for (const std::string& args : cases) {
    const Command c = RunCli(args, work.Root());
    EXPECT_EQ(c.exitCode, 2) << args;
    EXPECT_TRUE(c.out.empty()) << args;
    EXPECT_EQ(fixture::ReadFile(keep), "earlier listing") << args;
  }
}

TEST(Cli, ClosedPipeEndsQuietlyWithTheUnwrittenExitCode) {
  fixture::TempTree tree, work;
  // A listing larger than any pipe buffer (some 250 KB), so that writes are still to come
  // when `head` has read one byte and left: the tool then writes into a pipe without a
  // reader, whether it writes each folder at once or gathers them.
  for (int i = 0; i < 2500; ++i)
    tree.File("d" + std::to_string(i % 40) + "/f" + std::to_string(i), 1);
  const std::string line = "sh -c '" + std::string(DIRSHEET_CLI) + " -q " + Quote(tree.Root()) +
                           " 2>" + work.Path("err") + "; echo $? >" + work.Path("rc") +
                           "' | head -c 1 >/dev/null";
  ASSERT_EQ(std::system(line.c_str()), 0);
  EXPECT_EQ(fixture::ReadFile(work.Path("rc")), "3\n");
  EXPECT_EQ(fixture::ReadFile(work.Path("err")), "");
}

TEST(Cli, SummaryAndProblemsOnStandardError) {
  fixture::TempTree tree, work;
  tree.File("a/f.zzq", 10);
  tree.File("b/g.zzq", 20);
  symlink("..", tree.Path("a/up").c_str());
  const Command c = RunCli(Quote(tree.Root()), work.Root());
  EXPECT_EQ(c.exitCode, 1) << c.err;  // the loop is not entered: incomplete
  EXPECT_NE(c.err.find("not entering " + tree.Path("a/up") + ": it leads back to " + tree.Root()),
            std::string::npos)
      << c.err;
  EXPECT_NE(c.err.find("dirsheet-cli: 3 folders, 2 files, 30 bytes, 0 unreadable, 1 not entered, "),
            std::string::npos)
      << c.err;
  EXPECT_NE(c.err.find("0 folder(s) could not be read, 1 not entered; the listing is incomplete"),
            std::string::npos)
      << c.err;
  const Command quiet = RunCli("-q --no-follow " + Quote(tree.Root()), work.Root());
  EXPECT_EQ(quiet.exitCode, 0) << quiet.err;
  EXPECT_EQ(quiet.err, "");
}
