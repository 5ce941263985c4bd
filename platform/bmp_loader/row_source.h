#pragma once
// A source image as rows: the one way the drawing pass, LoadImageA, the fuzzer, the decode
// benchmark and the tests get at a picture's pixels.
//
// Open() checks the whole file before any row is handed out: every header against the file's
// length, and for uncompressed rows that the file holds all of them. How rows are then produced
// is chosen here, per file:
// - uncompressed rows at a depth the raster layer has (1, 4, 8, 16, 24, 32 bits, bit fields
//   included) are read when asked for, just the rows asked for, through the one descriptor
//   opened for the file (so a file renamed over it meanwhile cannot mix two pictures); a file of
//   up to kReadWholeBytes is read whole in one read when it is opened, and its descriptor
//   closed;
// - RLE streams and 2-bit rows are decoded whole when the source is opened, into a buffer the
//   caller keeps and reuses (RowBuffers::decoded); rows are then read from there.
// Other decoders (PNG, JPEG) can hand their whole decoded image to Decoded() and be drawn the
// same way, or make rows only as they are asked for through a RowGenerator (Generated()).

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/bmp_loader/bmp_decoder.h"
#include "platform/bmp_loader/source_file.h"
#include "platform/gdi/dib_rows.h"

namespace bmp_loader {

// Files up to this size are read whole with their headers, in one read.
inline constexpr std::size_t kReadWholeBytes = std::size_t{64} << 10;

// Rows made when they are asked for, in increasing order: a picture resampled as its cell is
// drawn, so that neither it nor its cell is ever held whole.
class RowGenerator {
 public:
  virtual ~RowGenerator() = default;
  // Image rows first .. first + count - 1 (or more), valid until the next call.
  virtual eveda::Result<gdi::DibRows, DecodeError> Rows(std::int32_t first, std::int32_t count) = 0;
  virtual std::size_t BytesHeld() const = 0;
  // The decoder's own words for the last failure of Rows, where it had some.
  virtual std::string FailureWords() const { return {}; }
};

// Memory one source keeps while it is drawn; kept by the caller from one source to the next, so
// that thousands of sources reuse the same pages.
struct RowBuffers {
  std::vector<std::uint8_t> head;           // the file's first bytes (all of a small file)
  std::vector<std::uint8_t> decoded;        // the whole decoded image of a source decoded whole
  std::unique_ptr<RowGenerator> generator;  // a generated source's, while it is drawn
};

// Memory used only during one call (an RLE stream while it is decoded, rows while they are
// copied); one for all the sources of a pass.
using ScratchBuffer = std::vector<std::uint8_t>;

class RowSource {
 public:
  // Opens and checks `path`, decoding it into `own.decoded` when it must be decoded whole.
  // `own` must outlive the source.
  static eveda::Result<RowSource, DecodeError> Open(const char* path, RowBuffers& own,
                                                    ScratchBuffer& scratch);
  // The same for a file already open, of which `start` (in `own.head`) holds the first bytes:
  // all of a file of up to kReadWholeBytes, else at least kHeadBytes.
  static eveda::Result<RowSource, DecodeError> FromFile(SourceFile file,
                                                        std::span<const std::uint8_t> start,
                                                        RowBuffers& own, ScratchBuffer& scratch);
  // The same for a file held in memory, which must outlive the source.
  static eveda::Result<RowSource, DecodeError> FromMemory(std::span<const std::uint8_t> file,
                                                          RowBuffers& own, ScratchBuffer& scratch);
  // Rows another decoder has already produced: the image `info` describes, all its rows at
  // `bits`, which must outlive the source.
  static RowSource Decoded(const gdi::BITMAPINFO& info, const std::uint8_t* bits);
  // Rows `rows` makes as they are asked for, of the image `info` describes; `rows` must
  // outlive the source.
  static RowSource Generated(const gdi::BITMAPINFO& info, RowGenerator& rows);

  RowSource(RowSource&&) noexcept = default;
  RowSource& operator=(RowSource&&) noexcept = default;
  RowSource(const RowSource&) = delete;
  RowSource& operator=(const RowSource&) = delete;

  std::int32_t Width() const { return info_.bmiHeader.biWidth; }
  bool IsGenerated() const { return generator_ != nullptr; }
  std::int32_t Height() const;

  // Reads every row into `own.decoded` now and closes the file: for a caller that holds many
  // sources open at once and must not run out of descriptors.
  eveda::Result<void, DecodeError> ReadWhole(RowBuffers& own, ScratchBuffer& scratch);

  // Image rows first .. first + count - 1 (0 is the top row), or more of them: valid until the
  // next call or until `scratch` changes. A source decoded whole gives all its rows. Fails
  // only when the file shrank under an open descriptor.
  eveda::Result<gdi::DibRows, DecodeError> Rows(std::int32_t first, std::int32_t count,
                                                ScratchBuffer& scratch);

 private:
  RowSource() = default;
  static eveda::Result<RowSource, DecodeError> Start(std::optional<SourceFile> file,
                                                     std::span<const std::uint8_t> start,
                                                     std::uint64_t fileSize, RowBuffers& own,
                                                     ScratchBuffer& scratch);
  eveda::Result<void, DecodeError> DecodeWhole(RowBuffers& own, ScratchBuffer& scratch);
  eveda::Result<std::span<const std::uint8_t>, DecodeError> Bytes(std::uint64_t offset,
                                                                  std::size_t length,
                                                                  ScratchBuffer& scratch) const;

  gdi::BITMAPINFO info_{};
  DecodePlan plan_;
  std::optional<SourceFile> file_;         // none for a file in memory
  std::span<const std::uint8_t> start_;    // the bytes from offset 0 already at hand
  const std::uint8_t* decoded_ = nullptr;  // all rows, for a source decoded whole
  RowGenerator* generator_ = nullptr;      // for a generated source
};

// The DIB section header and colour table for a decoder layout.
gdi::BITMAPINFO BitmapInfoFor(const Layout& layout);

}  // namespace bmp_loader
