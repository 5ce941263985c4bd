#pragma once
// Facts of the BMP format itself, shared by the raster layer, the decoder, the canvas, the
// probe and the tests, so that each is written once.

#include <cstdint>

namespace bmp_format {

// biCompression values.
inline constexpr std::uint32_t BI_RGB = 0;
inline constexpr std::uint32_t BI_RLE8 = 1;
inline constexpr std::uint32_t BI_RLE4 = 2;
inline constexpr std::uint32_t BI_BITFIELDS = 3;
inline constexpr std::uint32_t BI_JPEG = 4;
inline constexpr std::uint32_t BI_PNG = 5;
inline constexpr std::uint32_t BI_ALPHABITFIELDS = 6;

// Bytes of one stored row: the row's bits rounded up to whole 32-bit words. 64-bit so that
// callers can check the result against their own limits.
constexpr std::int64_t RowStride(std::int64_t width, int bitCount) {
  return (width * bitCount + 31) / 32 * 4;
}

// The file header, "BM" and four fields.
inline constexpr std::uint32_t kFileHeaderBytes = 14;
// The largest information header (V5) plus the colour masks that may follow a 40-byte one and
// a full 256-entry colour table: every byte a decoder looks at before the pixels.
inline constexpr std::uint32_t kLongestHeaders = kFileHeaderBytes + 124 + 16 + 256 * 4;

}  // namespace bmp_format
