// pngdump: decodes one PNG file with the program's decoder and prints its properties one
// a line as "Name: value", as LoadPNG reports them. --pam FILE writes the decoded image
// as 8-bit RGBA before any blending; --composite RRGGBB FILE writes the drawn 24-bit
// result blended against a solid background of that colour as a PPM. Exits 0 when the
// file decoded.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "png/Decode.h"
#include "png/Notify.h"
#include "png/PixelSteps.h"
#include "png/PngError.h"

using namespace dirsheet::png;

namespace {

std::string Escaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\0')
      out += "\\0";
    else if (c == '\n')
      out += "\\n";  // keeps every property on one line
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

const char* Bool(bool b) { return b ? "True" : "False"; }

void PrintProperties(const PngInfo& info, long errorNumber, bool decoded) {
  const ImageHeader& h = info.header;
  const bool alpha = decoded && (h.colourType == 4 || h.colourType == 6);
  std::printf("Width: %ld\nHeight: %ld\nBitdepht: %ld\nColorType: %ld\nCompression: %ld\n", h.width,
              h.height, h.bitDepth, h.colourType, h.compression);
  std::printf("filter: %ld\nInterlacing: %ld\nErrorNumber: %ld\n", h.filterMethod, h.interlace,
              errorNumber);
  std::printf("HaveAlpha: %s\nHaveTransparence: %s\nHasBKGDChunk: %s\nBkgdColor: %ld\n",
              Bool(alpha), Bool(info.hasTransparency), Bool(info.hasBackground),
              info.backgroundColour);
  std::printf("Text: %s\nzText: %s\nModiTime: %s\ngama: %.10g\n", Escaped(info.text).c_str(),
              Escaped(info.compressedText).c_str(), info.modificationTime.c_str(),
              info.gamma / 100000.0);
}

template <typename Bytes>
bool WriteFile(const std::string& path, const std::string& head, const Bytes& body) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size() &&
                  std::fwrite(body.data(), 1, body.size(), f) == body.size();
  return std::fclose(f) == 0 && ok;
}

// The drawn colours: blended images over the solid colour, the others as they are.
std::vector<uint8_t> Composite(const DecodedImage& image, uint32_t colour) {
  if (!image.toBlend) return DeviceBitmapToRgb(image.bitmap);
  return DeviceBitmapToRgb(BlendOverColour(image.bitmap, image.Width(), image.Height(), colour));
}

int Usage() {
  std::fprintf(stderr, "usage: pngdump [--pam OUT.pam] [--composite RRGGBB OUT.ppm] FILE.png\n");
  return 2;
}

int Fail(const std::string& what) {
  std::fprintf(stderr, "pngdump: %s\n", what.c_str());
  return 1;
}

struct Arguments {
  std::string input, pamPath, ppmPath;
  uint32_t colour = 0;  // 0x00BBGGRR
};

// False when the command line is not one the usage line allows.
bool ParseArguments(int argc, char** argv, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--pam" && i + 1 < argc) {
      args.pamPath = argv[++i];
    } else if (a == "--composite" && i + 2 < argc) {
      const std::string hex = argv[++i];
      char* end = nullptr;
      const unsigned long rgb = std::strtoul(hex.c_str(), &end, 16);
      if (hex.size() != 6 || *end) return false;
      args.colour = ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);  // to 0x00BBGGRR
      args.ppmPath = argv[++i];
    } else if (args.input.empty() && (a.empty() || a[0] != '-')) {
      args.input = a;
    } else {
      return false;
    }
  }
  return !args.input.empty();
}

// Writes the files the command line asked for; returns the exit code.
int WriteOutputs(const Arguments& args, const DecodedImage& image, const DecodedImage& rgba) {
  if (!args.pamPath.empty() && !WriteFile(args.pamPath,
                                          "P7\nWIDTH " + std::to_string(rgba.Width()) +
                                              "\nHEIGHT " + std::to_string(rgba.Height()) +
                                              "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
                                          rgba.bitmap.pixels))
    return Fail("cannot write " + args.pamPath);
  const std::string size = std::to_string(image.Width()) + " " + std::to_string(image.Height());
  if (!args.ppmPath.empty() &&
      !WriteFile(args.ppmPath, "P6\n" + size + "\n255\n", Composite(image, args.colour)))
    return Fail("cannot write " + args.ppmPath);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  if (!ParseArguments(argc, argv, args)) return Usage();

  SetNotificationHook([](const std::string& text) {
    std::fprintf(stderr, "pngdump: message: %s\n", text.c_str());
  });
  std::vector<uint8_t> bytes;
  try {
    bytes = ReadPngFile(args.input, DecodeLimits{}.maxInputBytes);
  } catch (const PngError& e) {
    return Fail(e.what());
  }
  // Decoded as the main window decodes its button pictures: transparency and alpha on.
  PngDecoder decoder;
  DecodeOptions options;
  options.applyTransparency = true;
  options.applyAlpha = true;
  DecodedImage image, rgba;
  try {
    // Decoded from the file's own bytes, unless they are needed again for the RGBA.
    if (args.pamPath.empty()) {
      image = decoder.Decode(std::move(bytes), options);
    } else {
      image = decoder.Decode(bytes.data(), bytes.size(), options);
      options.format = PixelFormat::Rgba;
      options.quiet = true;  // the same stream again: its message was shown once
      rgba = decoder.Decode(bytes.data(), bytes.size(), options);
    }
  } catch (const PngError& e) {
    PrintProperties(decoder.Info(), e.ErrorNumber(), false);
    if (e.ErrorNumber() != 0)
      return Fail("error number " + std::to_string(e.ErrorNumber()) + ": " + e.what());
    return Fail(e.what());
  }
  PrintProperties(decoder.Info(), 0, true);
  return WriteOutputs(args, image, rgba);
}
