// The file reader: the signature and the chunk loop, with one reader per chunk type
// whose contents are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "png/Decode.h"

namespace dirsheet::png {

// Reads the chunks of a file up to IEND into `info`, and the image data (the IDAT data
// without the two-byte zlib header) into `imageData`. Throws PngError: NotPng for a bad
// signature, ChunkPastEnd when a chunk reaches the end of the file (or its length or
// IHDR is malformed), NoImageData when IEND comes without image data.
void ReadChunks(const uint8_t* bytes, size_t size, const DecodeOptions& options, Inflater& inflater,
                PngInfo& info, std::vector<uint8_t>& imageData);

// The background colour a bKGD chunk gives for the header read before it (0x00BBGGRR).
long BackgroundColour(const std::vector<uint8_t>& bkgd, const ImageHeader& h, const std::vector<uint8_t>& palette,
                      long previous);

}  // namespace dirsheet::png
