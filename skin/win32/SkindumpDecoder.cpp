// skindump's picture decoders in the Windows build: the engine's own, with the platform's
// picture loader for GIF and JPEG.
#include "skin/SkinLoad.h"
#include "skin/win32/SkinPicture.h"

namespace dirsheet::skin {
PictureDecoder SkindumpDecoder() { return win32::DecodeSkinPicture; }
}  // namespace dirsheet::skin
