#pragma once
// The bytes in front of the pixels of a written BMP file.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/bmp_format/bmp_format.h"
#include "platform/gdi/gdi.h"

namespace formats {

struct BitmapFileHeader {
  std::uint16_t bfType = 0x4D42;  // "BM"
  std::uint32_t bfSize = 0;
  std::uint16_t bfReserved1 = 0;
  std::uint16_t bfReserved2 = 0;
  std::uint32_t bfOffBits = 0;
};

// The file header and the 40-byte information header: what every written file starts with.
inline constexpr std::uint32_t kHeaderBytes =
    bmp_format::kFileHeaderBytes + sizeof(gdi::BITMAPINFOHEADER);

// Entries of the colour table a file of this depth carries: every colour a pixel of 8 bits or
// less can name, so that no pixel value points past the table; none for deeper pixels.
std::uint32_t ColourTableEntries(std::int32_t BitCount);

// Bytes in front of the pixels: the two headers and, up to 8 bits per pixel, the full colour
// table.
std::uint32_t HeaderBytes(std::int32_t BitCount);

// 14 bytes of file header, field by field with no padding, then the 40-byte info header,
// then the colour table; all little-endian.
std::vector<std::uint8_t> EncodeHeaders(const BitmapFileHeader& file,
                                        const gdi::BITMAPINFOHEADER& info,
                                        std::span<const gdi::RGBQUAD> colours);

}  // namespace formats
