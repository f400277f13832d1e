// Folders and listings that permissions keep closed, and dirsheet-cli's exit codes and
// messages. Permissions do not bind root, so as root these cases run in a child process
// that has given up its privileges.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "Fixture.h"

using namespace dirsheet;

namespace {

// Runs `body` as an unprivileged user and returns its exit code (or -1).
int RunUnprivileged(const std::function<int()>& body) {
  if (geteuid() != 0) return body();
  const pid_t pid = fork();
  if (pid == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    _exit(body());
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

struct Command {
  int exitCode = -1;
  std::string out, err;
};

Command RunCli(const std::string& args, const std::string& dir) {
  Command c;
  const std::string outFile = dir + "/cli.out", errFile = dir + "/cli.err";
  const std::string line = std::string(DIRSHEET_CLI) + " " + args + " >" + outFile + " 2>" +
                           errFile;
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
  const Command toFile = RunCli("-t html -a size,modified -s Name -f '*.zzq' -o " +
                                    Quote(file) + " " + Quote(tree.Root()), work.Root());
  EXPECT_EQ(toFile.exitCode, 0) << toFile.err;
  EXPECT_TRUE(toFile.out.empty());
  const std::string html = fixture::ReadFile(file);
  EXPECT_EQ(html.substr(0, 9), "<table>\r\n");
  EXPECT_NE(html.find("<td style=\"width:200px;\">2\r\n"), std::string::npos);
}

TEST(Cli, ExitCodeTellsWhetherTheListingIsComplete) {
  fixture::TempTree tree, work;
  const Command missing = RunCli("-q " + Quote(tree.Path("nothing here")), work.Root());
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("cannot read folder " + tree.Path("nothing here")),
            std::string::npos) << missing.err;
  EXPECT_NE(missing.out.find("Total Folder(s): 0"), std::string::npos);

  const Command full = RunCli("-q -o /dev/full " + Quote(tree.Root()), work.Root());
  EXPECT_EQ(full.exitCode, 3);
  EXPECT_NE(full.err.find("No space left"), std::string::npos) << full.err;

  const Command noDir = RunCli("-q -o " + Quote(tree.Path("no/such/dir.txt")) + " " +
                                   Quote(tree.Root()), work.Root());
  EXPECT_EQ(noDir.exitCode, 3);
  EXPECT_NE(noDir.err.find("cannot create the listing"), std::string::npos) << noDir.err;

  const Command bad = RunCli("--order Colour " + Quote(tree.Root()), work.Root());
  EXPECT_EQ(bad.exitCode, 2);
  EXPECT_NE(bad.err.find("usage:"), std::string::npos);
}
