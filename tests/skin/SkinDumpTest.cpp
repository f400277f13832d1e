// skindump's report: every field under its name, where the picture was found, its
// format, size and the pieces outside it, and the verdict with its reason.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "skin/SkinDump.h"
#include "tests/skin/SkinTestFiles.h"

namespace dirsheet::skin {
namespace {

struct Dump {
  bool Loads;
  std::string Text, Reason;
  bool Has(const std::string& line) const {
    return Text.find("\n" + line + "\n") != std::string::npos;
  }
};

Dump DumpOf(const std::vector<std::uint8_t>& bytes) {
  std::ostringstream out;
  Dump d;
  d.Loads = DumpSkin(bytes, DecodePortablePicture, out, d.Reason);
  d.Text = "\n" + out.str();
  return d;
}

TEST(SkinDump, FieldsPictureAndVerdict) {
  testing::TestSkin skin = testing::MakeTestSkin();
  skin.Data.MenuColor = 0x00C0FF;  // #FFC000 as the skin maker writes it
  skin.Data.CaptionButtons[kClose].States[1] = {120, 120, 12, 12};  // reaches past the picture
  std::copy_n("Made by hand\nfor a test", 23, skin.Data.InfoText1.begin());
  const Dump d = DumpOf(testing::SkinFileBytes(skin));
  EXPECT_TRUE(d.Loads) << d.Reason;
  for (const char* line :
       {"Signature: SKIN#", "ActiveFrame.LeftTop: 4 x 20 at (0, 0)",
        "InactiveFrame.CaptionMiddle: 8 x 20 at (12, 32)", "CaptionButtons.Close.OffsetX: 18",
        "CaptionText.ActiveTextColor: #FFFFFF", "CaptionText.Font.Height: -12",
        "CaptionText.Font.Weight: 700", "CaptionText.Font.FaceName: Tahoma", "Icon.IconWidth: 16",
        "MenuBar.Bar.Middle: 4 x 16 at (68, 0)", "MenuColor: #FFC000", "ClientColor: -1",
        "MinTrackSize.Width: 120", "InfoText1: Made by hand\\nfor a test", "PictureFormat: BMP",
        "PictureSize: 128 x 128", "PiecesOutsidePicture: CaptionButtons.Close.Hot", "Loads: yes"})
    EXPECT_TRUE(d.Has(line)) << line << "\n" << d.Text;
}

TEST(SkinDump, ReasonsForFilesTheEngineRefuses) {
  const auto good = testing::SkinFileBytes(testing::MakeTestSkin());
  auto lower = good;
  lower[0] = 's';
  auto damaged = good;
  for (std::size_t i = kPictureBlockOffset + 40; i < damaged.size(); ++i) damaged[i] = 0x5A;
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* reason;
  } cases[] = {
      {"signature", lower, "the signature is not SKIN#"},
      {"record only",
       {good.begin(), good.begin() + kPictureBlockOffset},
       "the picture block holds no picture"},
      {"cut in the record",
       {good.begin(), good.begin() + 700},
       "the file is shorter than its header and record"},
      {"picture damaged", damaged, "the BMP picture does not decode"},
  };
  for (const Case& c : cases) {
    const Dump d = DumpOf(c.bytes);
    EXPECT_FALSE(d.Loads) << c.what;
    EXPECT_EQ(d.Reason, c.reason) << c.what;
    EXPECT_TRUE(d.Has("Loads: no")) << c.what;
  }
}

}  // namespace
}  // namespace dirsheet::skin
