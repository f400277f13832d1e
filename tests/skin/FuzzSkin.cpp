// Fuzz target for the skin file reader: header and record, picture block, BMP picture,
// and the piece shapes and outline built from whatever the file says.
#include <cstddef>
#include <cstdint>

#include "skin/Geometry.h"
#include "skin/Image.h"
#include "skin/SkinFile.h"

using namespace dirsheet::skin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    SkinFileContents c = ReadSkinFile(data, size);
    c.PictureBlock.resize(c.PictureBlock.size() + 23, 0);
    const std::vector<std::uint8_t> file = ExtractSkinPicture(c.PictureBlock);
    Image img;
    switch (DetectImageKind(file.data(), file.size())) {
      case ImageKind::Bmp: img = DecodeBmp(file.data(), file.size()); break;
      case ImageKind::Png: if (!DecodePng(file.data(), file.size(), img)) return 0; break;
      default: return 0;
    }
    if (!PiecesFitPicture(c.Data, img.Width, img.Height)) return 0;
    std::array<Shape, 12> shapes;
    for (int k = 0; k < 12; ++k) shapes[k] = PieceRuns(img, c.Data.ActiveFrame[k]);
    const FrameSkin& f = c.Data.ActiveFrame;
    for (int W : {1, 97, 400})
      (void)AssembleWindowRegion(f, shapes, W, W / 2 + 7);
    (void)SkinClientRect(f, c.Data.MenuBar.Bar[0].Height, 0, 0, 300, 200);
    (void)CaptionTextRect(c.Data, f, 300);
    (void)CaptionButtonDraws(c.Data, f, 0xFFFFFFFFu, {0, 1, 2, 3}, 300);
    (void)BorderHitTest(c.Data, 0xFFFFFFFFu, 300, 200, 10, 10);
    if (c.Data.HasClientTile())
      (void)ClientTileCopy(c.Data.ClientTile.Width, c.Data.ClientTile.Height, {3, 4, 90, 80});
  } catch (const SkinError&) {
  }
  return 0;
}
