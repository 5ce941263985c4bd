#pragma once
// A source picture as a stream of rows, the one shape in which every format hands its pixels
// to the join: opened from the file's bytes, read top to bottom, 8-bit B,G,R or B,G,R,A rows
// (the order the output's rows are stored in, so that an opaque row is copied as it is).
//
// A format that can decode row by row does so and holds only its own state; one that needs the
// whole frame (an interlaced PNG, a progressive JPEG) decodes it on the first read and says so
// through BytesHeld, so that the join can keep such sources few.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "formats/decoded_image.h"
#include "formats/source_error.h"
#include "platform/result.h"

namespace formats {

// The bytes of a source file, read where asked; a file on disk or bytes in memory (the fuzzers,
// the tests).
class ByteInput {
 public:
  virtual ~ByteInput() = default;
  virtual std::uint64_t Size() const = 0;
  // Fills `out` from `offset`; how many bytes arrived, fewer only where the input ends.
  virtual eveda::Result<std::size_t, SourceError> ReadAt(std::uint64_t offset,
                                                         std::span<std::uint8_t> out) const = 0;
};

// Bytes held in memory, which must outlive the input.
class MemoryInput final : public ByteInput {
 public:
  explicit MemoryInput(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  eveda::Result<std::size_t, SourceError> ReadAt(std::uint64_t offset,
                                                 std::span<std::uint8_t> out) const override {
    if (offset >= bytes_.size()) return std::size_t{0};
    const std::size_t n = std::min<std::uint64_t>(out.size(), bytes_.size() - offset);
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), n, out.begin());
    return n;
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

enum class Pixels { Bgr, Bgra };  // 8 bits a sample; alpha straight (not premultiplied)

// The bytes a row of `width` pixels of this kind takes.
inline std::size_t RowBytes(std::uint32_t width, Pixels pixels) {
  return std::size_t{width} * (pixels == Pixels::Bgra ? 4 : 3);
}

// EXIF orientation tag values: 1 is as stored; 2 to 8 the mirrorings and quarter turns the tag
// names. Read from the file, applied by the caller (or not: --no-rotate).
using Orientation = int;

struct StreamInfo {
  std::uint32_t width = 0;        // of the rows the stream yields: after any shrink on load,
  std::uint32_t height = 0;       // before orientation
  std::uint32_t storedWidth = 0;  // as the file stores the picture, before any shrink
  std::uint32_t storedHeight = 0;
  Pixels pixels = Pixels::Bgr;
  Orientation orientation = 1;
  std::vector<std::uint8_t> iccProfile;  // embedded, not applied; empty: none
};

// What a source's header says, without decoding a pixel.
struct ProbedImage {
  std::uint32_t width = 0;  // as stored, before orientation
  std::uint32_t height = 0;
  Orientation orientation = 1;
  // Decoded into one whole frame before its first row can be read (a progressive JPEG's
  // coefficients, an Adam7 PNG's pixels), so the join opens such sources one at a time.
  bool wholeFrame = false;
  // Whether an ICC profile is embedded, where the probe looks (JPEG, PNG); unset elsewhere.
  std::optional<bool> profiled;
};

// Hints a format may use when it opens a source. A format that can shrink while it decodes
// (JPEG's DCT scaling) yields rows no smaller than minWidth x minHeight; 0 asks for full size.
struct OpenHints {
  std::uint32_t minWidth = 0;
  std::uint32_t minHeight = 0;
};

class RowStream {
 public:
  virtual ~RowStream() = default;
  virtual const StreamInfo& Info() const = 0;
  // The next `count` rows, top to bottom: row k at out + k * stride, width pixels of 3 (Bgr) or
  // 4 (Bgra) bytes. Reading past the last row is an error.
  virtual eveda::Result<void, SourceError> Read(std::uint8_t* out, std::ptrdiff_t stride,
                                                std::uint32_t count) = 0;
  // Memory the stream holds now: the decoder's state and any whole-frame buffer.
  virtual std::size_t BytesHeld() const = 0;
  // Passes over the next `count` rows. Read and dropped here; a format that can pass over rows
  // without making their pixels does so instead.
  virtual eveda::Result<void, SourceError> Skip(std::uint32_t count) {
    std::vector<std::uint8_t> row;
    if (!Resize(row, RowBytes(Info().width, Info().pixels)))
      return eveda::Unexpected{SourceError{bmp_loader::DecodeError::OutOfMemory, "out of memory"}};
    for (; count > 0; --count) {
      EVEDA_TRY(dropped, Read(row.data(), 0, 1));
    }
    return {};
  }
};

}  // namespace formats
