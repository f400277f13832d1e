// Fuzz target for skin files: header and record, the picture block in both forms, the
// BMP, PNG and icon decoders, and everything the engine then makes from whatever the file
// says: piece shapes, the outline, the strips composed from the picture, caption
// buttons, the menu bar layout and hit tests.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "skin/Compose.h"
#include "skin/Geometry.h"
#include "skin/Interaction.h"
#include "skin/SkinLoad.h"

using namespace dirsheet::skin;

namespace {

void ComposeAll(const SkinData& d, const PictureView& pic, int W, int H) {
  for (const FrameSkin* frame : {&d.ActiveFrame, &d.InactiveFrame}) {
    const FrameSlots slots = PlaceFramePieces(d.ActiveFrame, W, H);
    for (StripKind kind :
         {StripKind::Left, StripKind::Right, StripKind::Bottom, StripKind::Caption}) {
      const StripLayout strip = LayOutStrip(kind, d.ActiveFrame, W, H);
      if (strip.OnWindow.Empty() ||
          std::int64_t(strip.OnWindow.Width()) * strip.OnWindow.Height() > (1 << 22))
        continue;
      std::vector<std::uint32_t> px(std::size_t(strip.OnWindow.Width()) * strip.OnWindow.Height());
      PixelBuffer buf{px.data(), strip.OnWindow.Width(), strip.OnWindow.Height()};
      ComposeStrip(buf, pic, *frame, slots, strip);
      if (kind == StripKind::Caption)
        for (const ButtonDraw& b : CaptionButtonDraws(d, 0xFFFFFFFFu, RestingButtonStates(true), W))
          CopyPiece(buf, pic, d.CaptionButtons[b.Button].Piece(b.State), b.X, b.Y, buf.Bounds(),
                    true);
      (void)MergeShape(OpaqueRuns(buf, strip.OnWindow.left, strip.OnWindow.top));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const LoadedSkinFile file = LoadSkinBytes(data, size, DecodePortablePicture);
    const SkinData d = WithLimitedSizes(file.Contents.Data);
    const PictureView pic = ViewOf(file.Pixels);
    std::array<Shape, kFramePieces> shapes;
    for (int k = 0; k < kFramePieces; ++k) shapes[k] = PieceRuns(pic, d.ActiveFrame[k]);
    const ButtonShapes buttons = MakeButtonShapes(d, pic);
    for (int W : {1, 97, 400}) {
      const int H = W / 2 + 7;
      (void)MergeShape(AssembleWindowRegion(d.ActiveFrame, shapes, W, H));
      ComposeAll(d, pic, W, H);
      const MenuBarLayout bar = LayoutMenuBarItems(d, {20, 0, 35, 5}, W > 100, W);
      (void)FrameHitTest(d, PlaceButtonShapes(d, buttons, W), 0xFFFFFFFFu, W, H, W - 10, 5, &bar);
    }
    (void)SkinClientRect(d.ActiveFrame, d.MenuBar.Height(), 0, 0, 300, 200);
    (void)CaptionTextRect(d, 300);
    if (d.HasClientTile()) {
      const PieceRect tile = CutToPicture(d.ClientTile, pic.Width, pic.Height);
      std::vector<std::uint32_t> px(40 * 30);
      PixelBuffer buf{px.data(), 40, 30};
      TilePiece(buf, pic, tile, buf.Bounds(), -3, -4, false);
    }
  } catch (const SkinError&) {
  }
  return 0;
}
