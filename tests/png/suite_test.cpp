// Every image of the PNG suite against libpng: the decoded RGBA, and the drawn result
// blended over a solid background.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "LibpngOracle.h"
#include "SuiteHelpers.h"
#include "png/PngError.h"

using namespace dirsheet::png;
using namespace dirsheet::png::testing;

namespace {

std::vector<std::string> SuiteFiles(bool corrupt) {
  std::vector<std::string> names;
  DIR* dir = opendir((std::string(DIRSHEET_TESTDATA) + "/pngsuite").c_str());
  if (!dir) return names;
  while (dirent* e = readdir(dir)) {
    const std::string n = e->d_name;
    if (n.size() > 4 && n.substr(n.size() - 4) == ".png" && (n[0] == 'x') == corrupt)
      names.push_back(n);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<uint8_t> Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

constexpr uint32_t kBackground = 0x00406080;  // 0x00BBGGRR: red 0x80, green 0x60, blue 0x40

class Suite : public ::testing::TestWithParam<std::string> {};
class CorruptSuite : public ::testing::TestWithParam<std::string> {};

TEST_P(Suite, MatchesLibpng) {
  const std::vector<uint8_t> file = Read(SuitePath(GetParam()));
  const auto oracle = LibpngDecode(file);
  ASSERT_TRUE(oracle) << "libpng rejects " << GetParam();
  EXPECT_TRUE(DecodeRgba(file) == oracle->rgba) << "decoded RGBA differs";
  const Drawn d = DecodeDrawn(file, kBackground);
  ASSERT_EQ(d.errorNumber, 0);
  EXPECT_TRUE(DrawnAsBlended(d.rgb, *oracle, file, kBackground))
      << "drawn at " << d.bits << " bits";
}

TEST_P(CorruptSuite, FailsCleanlyOrDecodesAsLibpngWithoutChecksums) {
  const std::vector<uint8_t> file = Read(SuitePath(GetParam()));
  const auto oracle = LibpngDecode(file, /*ignoreChecksums=*/true);
  std::vector<uint8_t> rgba;
  long errorNumber = 0;
  bool threw = false;
  try {
    rgba = DecodeRgba(file);
  } catch (const PngError& e) {
    threw = true;
    errorNumber = e.ErrorNumber();
  }
  if (oracle) {
    // Only a checksum is wrong: the decoder checks none and gives libpng's pixels.
    ASSERT_FALSE(threw) << errorNumber;
    EXPECT_TRUE(rgba == oracle->rgba);
  } else {
    EXPECT_TRUE(threw);
  }
}

std::string Name(const ::testing::TestParamInfo<std::string>& info) {
  return info.param.substr(0, info.param.size() - 4);
}

INSTANTIATE_TEST_SUITE_P(PngSuite, Suite, ::testing::ValuesIn(SuiteFiles(false)), Name);
INSTANTIATE_TEST_SUITE_P(PngSuite, CorruptSuite, ::testing::ValuesIn(SuiteFiles(true)), Name);

}  // namespace
