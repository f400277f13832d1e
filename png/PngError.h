// The decoder's one error channel. Every failure of a decode is a PngError of one kind;
// the first three kinds are what LoadPNG reports through its error number, the others
// are raised out of LoadPNG::OpenPNG and caught by whoever must go on (start-up,
// pngdump, the skin reader, tests).
#pragma once

#include <stdexcept>
#include <string>

namespace dirsheet::png {

class PngError : public std::runtime_error {
 public:
  enum class Kind {
    NotPng,         // the first 8 bytes are not the signature (also an empty file)
    ChunkPastEnd,   // a chunk's data reaches the end of the file, or a malformed chunk length or
                    // IHDR
    NoImageData,    // IEND without any IDAT data
    BadData,        // malformed content: an undecodable deflate stream, an unknown interlace method
    Truncated,      // the image data ends before the image does
    Unsupported,    // a colour type and bit depth that do not go together
    LimitExceeded,  // beyond the caps of DecodeLimits, or out of memory
    NoTarget,       // LoadPNG has no picture box to draw into
    FileSystem,     // the file cannot be read
  };

  PngError(Kind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}

  Kind kind() const { return kind_; }

  // The error number LoadPNG reports for this failure: 1, 3 or 4; 0 for the failures
  // that are raised to its caller instead.
  long ErrorNumber() const {
    switch (kind_) {
      case Kind::NotPng:
        return 1;
      case Kind::ChunkPastEnd:
        return 3;
      case Kind::NoImageData:
        return 4;
      default:
        return 0;
    }
  }

 private:
  Kind kind_;
};

}  // namespace dirsheet::png
