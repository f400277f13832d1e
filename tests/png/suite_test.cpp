// Every image of the PNG suite against libpng: the decoded RGBA, and the drawn result
// blended over a solid background.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>

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
        if (n.size() > 4 && n.substr(n.size() - 4) == ".png" && (n[0] == 'x') == corrupt) names.push_back(n);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

constexpr uint32_t kBackground = 0x00406080;  // 0x00BBGGRR: red 0x80, green 0x60, blue 0x40

// The drawn colour libpng's RGBA gives over the background, with the decoder's blend.
std::vector<uint8_t> Blended(const std::vector<uint8_t>& rgba) {
    const uint8_t bg[3] = {0x80, 0x60, 0x40};
    std::vector<uint8_t> out(rgba.size() / 4 * 3);
    for (size_t i = 0; i < rgba.size() / 4; ++i) {
        const unsigned a = rgba[4 * i + 3];
        for (int c = 0; c < 3; ++c) {
            const unsigned s = rgba[4 * i + c];
            out[3 * i + c] = a == 255 ? s : a == 0 ? bg[c] : static_cast<uint8_t>((s * a + bg[c] * (255 - a) + 255) >> 8);
        }
    }
    return out;
}

class Suite : public ::testing::TestWithParam<std::string> {};
class CorruptSuite : public ::testing::TestWithParam<std::string> {};

TEST_P(Suite, MatchesLibpng) {
    const std::string path = SuitePath(GetParam());
    const auto oracle = LibpngDecode(path, false);
    ASSERT_TRUE(oracle) << "libpng rejects " << GetParam();
    MemorySurface background(kBackground);
    const Decoded d = DecodeFile(path, &background);
    ASSERT_EQ(d.errorNumber, 0);
    ASSERT_EQ(d.rgba.size(), oracle->rgba.size());
    EXPECT_TRUE(d.rgba == oracle->rgba) << "decoded RGBA differs";

    std::vector<uint8_t> expected = Blended(oracle->rgba);
    // A 1-bit palette image draws black and white unless its palette has two entries.
    LoadPNG probe;
    MemorySurface target;
    probe.PicBox(&target);
    probe.OpenPNG(path);
    int entries = 0;
    if (probe.ColorType() == 3 && probe.Bitdepht() == 1 && probe.Interlacing() == 0 && !probe.HaveTransparence()) {
        const auto indices = LibpngIndices(path, entries);
        ASSERT_TRUE(indices);
        if (entries != 2)
            for (size_t i = 0; i < indices->size(); ++i)
                std::fill_n(expected.begin() + 3 * i, 3, (*indices)[i] ? 255 : 0);
    }
    EXPECT_TRUE(d.drawn == expected) << "drawn colours differ (drawn at " << d.bits << " bits)";
}

TEST_P(CorruptSuite, FailsCleanlyOrDecodesAsLibpngWithoutChecksums) {
    const std::string path = SuitePath(GetParam());
    const auto oracle = LibpngDecode(path, true);
    Decoded d;
    bool threw = false;
    try {
        d = DecodeFile(path, nullptr);
    } catch (const PngError&) {
        threw = true;
    }
    if (oracle) {
        // Only a checksum is wrong: the decoder checks none and gives libpng's pixels.
        ASSERT_FALSE(threw);
        ASSERT_EQ(d.errorNumber, 0);
        EXPECT_TRUE(d.rgba == oracle->rgba);
    } else {
        EXPECT_TRUE(threw || d.errorNumber != 0);
    }
}

std::string Name(const ::testing::TestParamInfo<std::string>& info) {
    return info.param.substr(0, info.param.size() - 4);
}

INSTANTIATE_TEST_SUITE_P(PngSuite, Suite, ::testing::ValuesIn(SuiteFiles(false)), Name);
INSTANTIATE_TEST_SUITE_P(PngSuite, CorruptSuite, ::testing::ValuesIn(SuiteFiles(true)), Name);

}  // namespace
