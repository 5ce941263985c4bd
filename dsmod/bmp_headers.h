#pragma once
// The bytes in front of the pixels of a written BMP file.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/gdi/gdi.h"

namespace DSMod::detail {

struct BitmapFileHeader {
  std::uint16_t bfType = 0x4D42;  // "BM"
  std::uint32_t bfSize = 0;
  std::uint16_t bfReserved1 = 0;
  std::uint16_t bfReserved2 = 0;
  std::uint32_t bfOffBits = 0;
};

// 14 bytes of file header, field by field with no padding, then the 40-byte info header,
// then the colour table; all little-endian.
std::vector<std::uint8_t> EncodeHeaders(const BitmapFileHeader& file,
                                        const gdi::BITMAPINFOHEADER& info,
                                        std::span<const gdi::RGBQUAD> colours);

}  // namespace DSMod::detail
