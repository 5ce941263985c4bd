#pragma once
// The output image's encoder: it takes the image top-down, a band of rows at a time, and
// writes its format to the file the save created. The BMP encoder is one; another format
// plugs in beside it through EncoderFactory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "dsmod/dsmod.h"

namespace DSMod {

class ImageEncoder {
 public:
  virtual ~ImageEncoder() = default;
  // The next `rows` rows of the image, the top one first: row k starts at topRow + k * stride
  // (a negative stride for rows stored bottom-up) and holds width blue, green, red triplets.
  virtual eveda::Result<void, SaveError> WriteRows(const std::uint8_t* topRow,
                                                   std::ptrdiff_t stride, std::int32_t rows) = 0;
  // After the last row: whatever the format still holds goes to the file.
  virtual eveda::Result<void, SaveError> Finish() = 0;
};

// Makes the encoder for an image of this size writing to `fd` (positioned writes from offset 0;
// the descriptor stays the save's).
using EncoderFactory = std::function<eveda::Result<std::unique_ptr<ImageEncoder>, SaveError>(
    int fd, std::int32_t width, std::int32_t height)>;

// 24-bit uncompressed BMP, bottom-up as the format stores it: each band goes straight to
// its place in the file, so bands can come in any memory order and nothing is held back.
// SaveError::Overflow when the file would exceed kMaxBmpFileBytes.
eveda::Result<std::unique_ptr<ImageEncoder>, SaveError> MakeBmpEncoder(int fd, std::int32_t width,
                                                                       std::int32_t height);

}  // namespace DSMod
