// skindump FILE: prints a skin file's record one field a line as "Name: value", where its
// picture was found, the picture's format and size, the pieces that lie outside it, and
// whether the skin engine loads the file. Exits 0 when it does; otherwise 1 with a
// one-line reason on the error output (2 for a file that cannot be read).
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "skin/SkinDump.h"

namespace dirsheet::skin {
// The picture decoders of this build (skin/SkindumpDecoder.cpp, or the platform's in the
// Windows build).
PictureDecoder SkindumpDecoder();
}  // namespace dirsheet::skin

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: skindump FILE\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "skindump: " << argv[1] << ": cannot open the file\n";
    return 2;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  if (in.bad()) {
    std::cerr << "skindump: " << argv[1] << ": cannot read the file\n";
    return 2;
  }
  std::string reason;
  if (dirsheet::skin::DumpSkin(bytes, dirsheet::skin::SkindumpDecoder(), std::cout, reason))
    return 0;
  std::cout.flush();
  std::cerr << "skindump: " << argv[1] << ": " << reason << "\n";
  return 1;
}
