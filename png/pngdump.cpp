// pngdump: decodes one PNG file with LoadPNG and prints its properties one a line as
// "Name: value". --pam FILE writes the decoded image as 8-bit RGBA before any blending;
// --composite RRGGBB FILE writes the drawn 24-bit result blended against a solid
// background of that colour as a PPM. Exits 0 when the file decoded.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "png/LoadPNG.h"
#include "png/Notify.h"

using namespace dirsheet::png;

namespace {

class Keeper : public DecodeObserver {
public:
    void OnScanlines(const DecodedImage& image) override { rgba = ToRgba(image); }
    std::vector<uint8_t> rgba;
};

std::string Escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\0') out += "\\0";
        else if (c == '\n') out += "\\n";  // keeps every property on one line
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

const char* Bool(bool b) { return b ? "True" : "False"; }

void PrintProperties(const LoadPNG& d) {
    std::printf("Width: %ld\nHeight: %ld\nBitdepht: %ld\nColorType: %ld\nCompression: %ld\n", d.Width(),
                d.Height(), d.Bitdepht(), d.ColorType(), d.Compression());
    std::printf("filter: %ld\nInterlacing: %ld\nErrorNumber: %ld\n", d.filter(), d.Interlacing(), d.ErrorNumber());
    std::printf("HaveAlpha: %s\nHaveTransparence: %s\nHasBKGDChunk: %s\nBkgdColor: %ld\n", Bool(d.HaveAlpha()),
                Bool(d.HaveTransparence()), Bool(d.HasBKGDChunk()), d.BkgdColor());
    std::printf("Text: %s\nzText: %s\nModiTime: %s\ngama: %.10g\n", Escaped(d.Text()).c_str(),
                Escaped(d.zText()).c_str(), d.ModiTime().c_str(), d.gama());
}

bool WriteFile(const std::string& path, const std::string& head, const std::vector<uint8_t>& body) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size() &&
                    std::fwrite(body.data(), 1, body.size(), f) == body.size();
    return std::fclose(f) == 0 && ok;
}

int Usage() {
    std::fprintf(stderr, "usage: pngdump [--pam OUT.pam] [--composite RRGGBB OUT.ppm] FILE.png\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string input, pamPath, ppmPath;
    uint32_t colour = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--pam" && i + 1 < argc) {
            pamPath = argv[++i];
        } else if (a == "--composite" && i + 2 < argc) {
            const std::string hex = argv[++i];
            char* end = nullptr;
            const unsigned long rgb = std::strtoul(hex.c_str(), &end, 16);
            if (hex.size() != 6 || *end) return Usage();
            colour = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);  // to 0x00BBGGRR
            ppmPath = argv[++i];
        } else if (input.empty() && (a.empty() || a[0] != '-')) {
            input = a;
        } else {
            return Usage();
        }
    }
    if (input.empty()) return Usage();

    SetNotificationHook([](const std::string& text) { std::fprintf(stderr, "pngdump: message: %s\n", text.c_str()); });
    Keeper keeper;
    LoadPNG decoder(&keeper);
    MemorySurface target;
    MemorySurface background(colour);
    decoder.PicBox(&target);
    decoder.SetToBkgrnd(false, 0, 0);
    if (!ppmPath.empty()) decoder.BackgroundPicture(&background);
    decoder.SetAlpha(true);
    decoder.SetTrans(true);
    try {
        decoder.OpenPNG(input);
    } catch (const std::exception& e) {
        PrintProperties(decoder);
        std::fprintf(stderr, "pngdump: %s\n", e.what());
        return 1;
    }
    PrintProperties(decoder);
    if (decoder.ErrorNumber() != 0) {
        std::fprintf(stderr, "pngdump: error number %ld\n", decoder.ErrorNumber());
        return 1;
    }
    const std::string size = std::to_string(decoder.Width()) + " " + std::to_string(decoder.Height());
    if (!pamPath.empty() &&
        !WriteFile(pamPath, "P7\nWIDTH " + std::to_string(decoder.Width()) + "\nHEIGHT " +
                                std::to_string(decoder.Height()) + "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
                   keeper.rgba)) {
        std::fprintf(stderr, "pngdump: cannot write %s\n", pamPath.c_str());
        return 1;
    }
    if (!ppmPath.empty() && target.Drawn() &&
        !WriteFile(ppmPath, "P6\n" + size + "\n255\n", DeviceBitmapToRgb(*target.Drawn()))) {
        std::fprintf(stderr, "pngdump: cannot write %s\n", ppmPath.c_str());
        return 1;
    }
    return 0;
}
