#pragma once
// Writes a PNG (8-bit RGB, not interlaced) from 24-bit B,G,R rows handed over top-down in
// bands, so that the whole image never has to be in memory. The rows are filtered (each row
// by the filter of smallest absolute sum) and deflated (level 0 stores; 1 to 9 use run-length
// matching, and 7 to 9 also zlib's full search where it is smaller) in segments of about
// kSegmentBytes on two threads; each segment is an independent deflate stream ending on a byte
// boundary (a sync flush), so the segments joined in order make one valid zlib stream whose
// Adler-32 is combined from theirs. Sides up to 2^31 - 1 pixels; every size computation is 64-bit.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "formats/encoder.h"
#include "platform/result.h"

namespace formats {

class PngEncoder {
 public:
  static constexpr std::size_t kSegmentBytes = std::size_t{1} << 20;

  PngEncoder();
  ~PngEncoder();  // a run that did not Finish stops its threads; the file is the caller's
  PngEncoder(const PngEncoder&) = delete;
  PngEncoder& operator=(const PngEncoder&) = delete;

  // Writes the signature and IHDR at fd's current position. `level` is zlib's 0 to 9.
  eveda::Result<void, EncodeError> Begin(int fd, std::uint32_t width, std::uint32_t height,
                                         int level);
  // The next `rows` rows of 3 * width bytes each; `stride` may be negative (bottom-up memory).
  eveda::Result<void, EncodeError> WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride,
                                             std::uint32_t rows);
  // After exactly `height` rows: the last data, the checksum and IEND. Does not sync the file.
  eveda::Result<void, EncodeError> Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Encoders of PNG files at zlib `level` (0 to 9), for the save.
EncoderFactory MakePngEncoderFactory(int level);

}  // namespace formats
