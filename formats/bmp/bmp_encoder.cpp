// The BMP encoder: headers first, then every band at its offset, bottom row first in the file.

#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/bmp/bmp.h"
#include "formats/bmp/bmp_headers.h"
#include "formats/fd_writes.h"

namespace formats {
namespace {

using eveda::Unexpected;

EncodeError WriteFailure(int error) { return EncodeError{std::strerror(error)}; }

class BmpEncoder final : public ImageEncoder {
 public:
  BmpEncoder(int fd, std::int32_t width, std::int32_t height, std::int32_t bitCount)
      : fd_(fd),
        width_(width),
        height_(height),
        bitCount_(bitCount),
        stride_(static_cast<std::uint64_t>(bmp_format::RowStride(width, bitCount))),
        offBits_(HeaderBytes(bitCount)) {}

  // biSizeImage 0: the size follows from the other fields.
  eveda::Result<void, EncodeError> WriteHeaders(std::span<const gdi::RGBQUAD> colours) {
    BitmapFileHeader header;
    header.bfOffBits = offBits_;
    header.bfSize = static_cast<std::uint32_t>(offBits_ + stride_ * std::uint64_t(height_));
    std::vector<gdi::RGBQUAD> table(ColourTableEntries(bitCount_));
    std::copy_n(colours.begin(), std::min(colours.size(), table.size()), table.begin());
    const auto bytes = EncodeHeaders(header, BmpInfoHeader(bitCount_, width_, height_, 0), table);
    if (const int error = WriteAt(fd_, 0, bytes); error != 0)
      return Unexpected{WriteFailure(error)};
    return {};
  }

  eveda::Result<void, EncodeError> WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride,
                                             std::int32_t rows) override {
    if (rows <= 0) return {};
    if (rows > height_ - rowsDone_)
      return Unexpected{EncodeError{"more rows than the image is high"}};
    // The file's offset of the band's bottom row; the rows above it follow.
    const std::uint64_t bottom =
        offBits_ + stride_ * static_cast<std::uint64_t>(height_ - rowsDone_ - rows);
    const auto rowBytes = static_cast<std::ptrdiff_t>(stride_);
    int error = 0;
    if (stride == -rowBytes) {  // stored bottom-up at the file's stride: one write
      const std::uint8_t* lowest = topRow + (rows - 1) * stride;
      error = WriteAt(fd_, bottom, {lowest, stride_ * static_cast<std::uint64_t>(rows)});
    } else {
      for (std::int32_t k = 0; k < rows && error == 0; ++k) {
        const std::uint64_t offset = bottom + stride_ * static_cast<std::uint64_t>(rows - 1 - k);
        error = WriteRow(offset, topRow + k * stride);
      }
    }
    if (error != 0) return Unexpected{WriteFailure(error)};
    // Writeback starts at once, so that the final flush has little left to wait for.
    ::sync_file_range(fd_, static_cast<off_t>(bottom),
                      static_cast<off_t>(stride_ * static_cast<std::uint64_t>(rows)),
                      SYNC_FILE_RANGE_WRITE);
    rowsDone_ += rows;
    return {};
  }

  eveda::Result<void, EncodeError> Finish() override {
    if (rowsDone_ != height_) return Unexpected{EncodeError{"fewer rows than the image is high"}};
    return {};
  }

 private:
  // A row given at another stride: its pixels and zero padding.
  int WriteRow(std::uint64_t offset, const std::uint8_t* row) {
    padded_.assign(stride_, 0);
    std::memcpy(padded_.data(), row,
                static_cast<std::size_t>((std::int64_t{width_} * bitCount_ + 7) / 8));
    return WriteAt(fd_, offset, padded_);
  }

  int fd_;
  std::int32_t width_, height_, bitCount_;
  std::uint64_t stride_;
  std::uint32_t offBits_;
  std::int32_t rowsDone_ = 0;
  std::vector<std::uint8_t> padded_;
};

}  // namespace

eveda::Result<std::unique_ptr<ImageEncoder>, EncodeError> MakeBmpEncoder(
    int fd, std::int32_t width, std::int32_t height, std::int32_t bitCount,
    std::span<const gdi::RGBQUAD> colours) {
  switch (BmpFileSizeOf(bitCount, width, height)) {
    case BmpFileSize::NoSuchBitmap:
      return Unexpected{EncodeError{"not a size or depth a BMP file can have"}};
    case BmpFileSize::TooLarge:
      return Unexpected{EncodeError{"the file would exceed the 2 GB limit of a BMP file"}};
    case BmpFileSize::Fits:
      break;
  }
  auto encoder = std::make_unique<BmpEncoder>(fd, width, height, bitCount);
  EVEDA_TRY(headers, encoder->WriteHeaders(colours));
  return std::unique_ptr<ImageEncoder>(std::move(encoder));
}

}  // namespace formats
