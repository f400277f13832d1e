// The file reader: the signature and the chunk loop, with one reader per chunk type
// whose contents are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "png/Decode.h"

namespace dirsheet::png {

// Where the data of one IDAT chunk lies in the file.
struct ImageDataPiece {
  size_t offset;
  size_t size;
};

// Reads the chunks of a file up to IEND into `info`, and where the image data lies into
// `pieces`. Throws PngError: NotPng for a bad signature, ChunkPastEnd when a chunk
// reaches the end of the file (or its length or IHDR is malformed), NoImageData when
// IEND comes without image data.
void ReadChunks(const uint8_t* bytes, size_t size, const DecodeOptions& options, Inflater& inflater,
                PngInfo& info, std::vector<ImageDataPiece>& pieces);

// The background colour a bKGD chunk gives for the header read before it (0x00BBGGRR).
long BackgroundColour(const std::vector<uint8_t>& bkgd, const ImageHeader& h,
                      const std::vector<uint8_t>& palette, long previous);

}  // namespace dirsheet::png
