#pragma once
// BMP output: the file's size rules and its encoder. (BMP sources are read by the loader in
// platform/bmp_loader, the one decoder the window and every other reader share.)

#include <cstdint>
#include <memory>
#include <span>

#include "formats/encoder.h"
#include "platform/gdi/gdi.h"

namespace formats {

// A file of more than this cannot be written: its size field is read as signed by other
// programs.
inline constexpr std::int64_t kMaxBmpFileBytes = 2147483647;
// The limit as messages state it: 2 GB, one byte short.
inline constexpr std::int64_t kMaxBmpFileGigabytes = 2;
static_assert(kMaxBmpFileBytes == (kMaxBmpFileGigabytes << 30) - 1);

// Every output image is 24-bit; only eveda-samples writes other depths.
inline constexpr std::int32_t kOutputBitCount = 24;

// The bytes of the BMP file an image of this depth and size is written as, headers and colour
// table included (the largest int64 when even that cannot hold it), or 0 for a size or depth no
// bitmap has.
std::int64_t BmpFileBytes(std::int32_t bitCount, std::int32_t width, std::int32_t height);

// Whether a bitmap of this depth and size can be written as a BMP file: the one place the
// limit is applied.
enum class BmpFileSize { Fits, NoSuchBitmap, TooLarge };
inline BmpFileSize BmpFileSizeOf(std::int32_t bitCount, std::int32_t width, std::int32_t height) {
  const std::int64_t bytes = BmpFileBytes(bitCount, width, height);
  if (bytes == 0) return BmpFileSize::NoSuchBitmap;
  return bytes <= kMaxBmpFileBytes ? BmpFileSize::Fits : BmpFileSize::TooLarge;
}

// Whether a 24-bit output of this size can be written as a BMP file at all.
inline bool FitsInBmpFile(std::int32_t width, std::int32_t height) {
  return BmpFileSizeOf(kOutputBitCount, width, height) == BmpFileSize::Fits;
}

// The information header of a bitmap of this depth and size: bottom-up, uncompressed.
gdi::BITMAPINFOHEADER BmpInfoHeader(std::int32_t bitCount, std::int32_t width, std::int32_t height,
                                    std::uint32_t sizeImage);

// An uncompressed BMP of `bitCount` bits a pixel, with `colours` as its colour table (up to 8
// bits: 2^bitCount entries, those not given black). Its rows are the file's own (at 24 bits,
// B,G,R triplets), handed over top-down; each band goes straight to its place in the file,
// bottom row first, so nothing is held back. Refused (with the reason) when the file would
// exceed kMaxBmpFileBytes.
eveda::Result<std::unique_ptr<ImageEncoder>, EncodeError> MakeBmpEncoder(
    int fd, std::int32_t width, std::int32_t height, std::int32_t bitCount = kOutputBitCount,
    std::span<const gdi::RGBQUAD> colours = {});

}  // namespace formats
