#pragma once
// The output image's encoder: it takes the image top-down, a band of rows at a time, and writes
// its format to the file the save created. Each output format offers one.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/result.h"

namespace formats {

// Why the output could not be written: the system's words (strerror) or the library's.
struct EncodeError {
  std::string reason;
};

class ImageEncoder {
 public:
  virtual ~ImageEncoder() = default;
  // The next `rows` rows of the image, the top one first: row k starts at topRow + k * stride
  // (a negative stride for rows stored bottom-up) and holds width blue, green, red triplets.
  virtual eveda::Result<void, EncodeError> WriteRows(const std::uint8_t* topRow,
                                                     std::ptrdiff_t stride, std::int32_t rows) = 0;
  // After the last row: whatever the format still holds goes to the file.
  virtual eveda::Result<void, EncodeError> Finish() = 0;
};

// Makes the encoder for an image of this size writing to `fd`: from offset 0, with positioned
// writes where the format needs to seek (the save then gives it a regular file), else in order
// (a pipe will do). The descriptor stays the save's.
using EncoderFactory = std::function<eveda::Result<std::unique_ptr<ImageEncoder>, EncodeError>(
    int fd, std::int32_t width, std::int32_t height)>;

}  // namespace formats
