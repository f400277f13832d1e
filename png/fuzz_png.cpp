// libFuzzer target: a whole PNG file from memory through the decoder, drawn into memory
// surfaces with transparency and alpha blending on. Malformed input may throw PngError;
// anything else (a crash, a sanitizer report, another exception) is a finding.
#include <cstddef>
#include <cstdint>

#include "png/LoadPNG.h"
#include "png/Notify.h"
#include "png/PngError.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace dirsheet::png;
    static const bool quiet = (SetNotificationHook([](const std::string&) {}), true);
    (void)quiet;
    MemorySurface target;
    MemorySurface background(0x00336699u);
    LoadPNG decoder;
    decoder.PicBox(&target);
    decoder.BackgroundPicture(&background);
    decoder.SetAlpha(true);
    decoder.SetTrans(true);
    try {
        OpenPNGFromMemory(decoder, data, size);
        // A second decode on the same object reuses the fixed tables and the text.
        decoder.BackgroundPicture(nullptr);
        decoder.SetToBkgrnd(false, 1, 1);
        OpenPNGFromMemory(decoder, data, size);
    } catch (const PngError&) {
    }
    return 0;
}
