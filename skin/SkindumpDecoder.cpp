// skindump's picture decoders in the portable build: BMP, PNG and icons.
#include "skin/SkinLoad.h"

namespace dirsheet::skin {
PictureDecoder SkindumpDecoder() { return DecodePortablePicture; }
}  // namespace dirsheet::skin
