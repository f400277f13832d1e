// pngdump run as a user runs it: its output and its exit status.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "DeflateWriter.h"
#include "PngBuilder.h"

using namespace dirsheet::png::testing;

namespace {

struct Outcome {
  int status = -1;
  std::string out;
};

Outcome Pngdump(const std::string& args) {
  Outcome r;
  FILE* p = popen((std::string(PNGDUMP) + " " + args + " 2>&1").c_str(), "r");
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string Write(const std::string& name, const Bytes& bytes) {
  return PngBuilder::WriteBytes(
      ::testing::TempDir() + "pngdump_" + std::to_string(getpid()) + "_" + name, bytes);
}

TEST(Pngdump, ReportsWhatDecodedAndFailsOtherwise) {
  const Bytes good =
      PngBuilder().Header(3, 1, 8, 2).Image({{1, 2, 3, 4, 5, 6, 7, 8, 9}}).End().bytes();
  const std::string pam = ::testing::TempDir() + "pngdump_" + std::to_string(getpid()) + ".pam";
  Outcome ok = Pngdump("--pam " + pam + " " + Write("good.png", good));
  EXPECT_EQ(ok.status, 0);
  EXPECT_NE(ok.out.find("Width: 3\n"), std::string::npos);
  FILE* f = std::fopen(pam.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  char buf[128] = {};
  const size_t n = std::fread(buf, 1, sizeof buf, f);
  std::fclose(f);
  ASSERT_GE(n, 12u);
  EXPECT_EQ(std::string(buf + n - 12, 12), std::string("\1\2\3\xFF\4\5\6\xFF\7\x08\x09\xFF", 12));

  // A deflate code table the decoder refuses: the message, then a failure.
  const DynamicBlock block(FullLiteralLengths(), {2, 2});
  BitWriter w;
  block.Header(w, true);
  block.EndOfBlock(w);
  Bytes z = {0x78, 0x01};
  z.insert(z.end(), w.bytes().begin(), w.bytes().end());
  const Outcome refused =
      Pngdump(Write("refused.png", PngBuilder().Header(3, 1, 8, 2).Chunk("IDAT", z).End().bytes()));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("Error in tree creation (Static)"), std::string::npos);

  // Error numbers, and input without end.
  const Outcome notPng = Pngdump(Write("text.png", Bytes{'h', 'i'}));
  EXPECT_EQ(notPng.status, 1);
  EXPECT_NE(notPng.out.find("ErrorNumber: 1\n"), std::string::npos);
  const Outcome endless = Pngdump("/dev/zero");
  EXPECT_EQ(endless.status, 1);
  EXPECT_NE(endless.out.find("larger than"), std::string::npos);
}

}  // namespace
