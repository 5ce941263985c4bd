// The BMP encoder: headers first, then every band at its offset, bottom row first in the file.

#include <fcntl.h>

#include <cstring>

#include "dsmod/background_writer.h"
#include "dsmod/bmp_headers.h"
#include "dsmod/canvas_layout.h"
#include "dsmod/image_encoder.h"

namespace DSMod {
namespace {

using eveda::Unexpected;

constexpr std::int32_t kBitCount = 24;

SaveError WriteFailure(int error) {
  return SaveError{SaveError::Kind::CannotWrite, std::strerror(error)};
}

class BmpEncoder final : public ImageEncoder {
 public:
  BmpEncoder(int fd, std::int32_t width, std::int32_t height)
      : fd_(fd),
        width_(width),
        height_(height),
        stride_(static_cast<std::uint64_t>(bmp_format::RowStride(width, kBitCount))),
        offBits_(detail::HeaderBytes(kBitCount)) {}

  eveda::Result<void, SaveError> WriteHeaders() {
    detail::BitmapFileHeader header;
    header.bfOffBits = offBits_;
    header.bfSize = static_cast<std::uint32_t>(offBits_ + stride_ * std::uint64_t(height_));
    gdi::BITMAPINFOHEADER info{};
    info.biSize = sizeof(gdi::BITMAPINFOHEADER);
    info.biWidth = width_;
    info.biHeight = height_;  // bottom-up; biSizeImage 0: the size follows from the rest
    info.biPlanes = 1;
    info.biBitCount = kBitCount;
    info.biCompression = gdi::BI_RGB;
    const auto bytes = detail::EncodeHeaders(header, info, {});
    if (const int error = detail::WriteAt(fd_, 0, bytes); error != 0)
      return Unexpected{WriteFailure(error)};
    return {};
  }

  eveda::Result<void, SaveError> WriteRows(const std::uint8_t* topRow, std::ptrdiff_t stride,
                                           std::int32_t rows) override {
    if (rows <= 0) return {};
    if (rows > height_ - rowsDone_) return Unexpected{SaveError{SaveError::Kind::NotACanvas, {}}};
    // The file's offset of the band's bottom row; the rows above it follow.
    const std::uint64_t bottom =
        offBits_ + stride_ * static_cast<std::uint64_t>(height_ - rowsDone_ - rows);
    const auto rowBytes = static_cast<std::ptrdiff_t>(stride_);
    int error = 0;
    if (stride == -rowBytes) {  // stored bottom-up at the file's stride: one write
      const std::uint8_t* lowest = topRow + (rows - 1) * stride;
      error = detail::WriteAt(fd_, bottom, {lowest, stride_ * static_cast<std::uint64_t>(rows)});
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

  eveda::Result<void, SaveError> Finish() override {
    if (rowsDone_ != height_) return Unexpected{SaveError{SaveError::Kind::NotACanvas, {}}};
    return {};
  }

 private:
  // A row given at another stride: its pixels and zero padding.
  int WriteRow(std::uint64_t offset, const std::uint8_t* row) {
    padded_.assign(stride_, 0);
    std::memcpy(padded_.data(), row, static_cast<std::size_t>(width_) * 3);
    return detail::WriteAt(fd_, offset, padded_);
  }

  int fd_;
  std::int32_t width_, height_;
  std::uint64_t stride_;
  std::uint32_t offBits_;
  std::int32_t rowsDone_ = 0;
  std::vector<std::uint8_t> padded_;
};

}  // namespace

eveda::Result<std::unique_ptr<ImageEncoder>, SaveError> MakeBmpEncoder(int fd, std::int32_t width,
                                                                       std::int32_t height) {
  const std::int64_t bytes = BmpFileBytes(kBitCount, width, height);
  if (bytes == 0) return Unexpected{SaveError{SaveError::Kind::NotACanvas, {}}};
  if (bytes > kMaxBmpFileBytes) return Unexpected{SaveError{SaveError::Kind::Overflow, {}}};
  auto encoder = std::make_unique<BmpEncoder>(fd, width, height);
  EVEDA_TRY(headers, encoder->WriteHeaders());
  return std::unique_ptr<ImageEncoder>(std::move(encoder));
}

}  // namespace DSMod
