#pragma once
// Reads a decoded bitmap back as 0x00RRGGBB colours, top row first, by the raster layer's
// channel rule: a mask narrower than 8 bits widens by bit replication, a wider one keeps its
// top 8 bits.

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/bmp_loader/bmp_decoder.h"
#include "tests/support/plain_decoder.h"

namespace eveda::testing {

inline std::uint32_t WidenChannel(std::uint32_t word, std::uint32_t mask) {
  const int shift = std::countr_zero(mask);
  const int bits = std::popcount(mask);
  const std::uint32_t value = (word & mask) >> shift;
  if (bits >= 8) return value >> (bits - 8);
  std::uint32_t out = 0;
  int filled = 0;
  for (; filled < 8; filled += bits) out = (out << bits) | value;
  return out >> (filled - 8);
}

inline std::uint32_t DecodedRgb(const DecodedImage& image, int x, int y) {
  const bmp_loader::Layout& l = image.layout;
  const std::uint8_t* row =
      image.pixels.data() + static_cast<std::size_t>(l.height - 1 - y) * l.stride;
  const auto entry = [&](unsigned index) {
    const bmp_loader::PaletteEntry& e = l.palette[index];
    return (std::uint32_t{e.red} << 16) | (std::uint32_t{e.green} << 8) | e.blue;
  };
  const auto masked = [&](std::uint32_t word, std::array<std::uint32_t, 3> masks) {
    return (WidenChannel(word, masks[0]) << 16) | (WidenChannel(word, masks[1]) << 8) |
           WidenChannel(word, masks[2]);
  };
  switch (l.bitCount) {
    case 1:
      return entry((row[x / 8] >> (7 - x % 8)) & 1);
    case 4:
      return entry((row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 15);
    case 8:
      return entry(row[x]);
    case 16: {
      const std::uint32_t word = row[2 * x] | (row[2 * x + 1] << 8);
      return l.compression == bmp_loader::BI_BITFIELDS ? masked(word, l.masks)
                                                : masked(word, {0x7C00, 0x03E0, 0x001F});
    }
    case 24:
      return (std::uint32_t{row[3 * x + 2]} << 16) | (row[3 * x + 1] << 8) | row[3 * x];
    default: {
      std::uint32_t word;
      std::memcpy(&word, row + 4 * x, 4);
      return l.compression == bmp_loader::BI_BITFIELDS ? masked(word, l.masks) : word & 0xFFFFFF;
    }
  }
}

inline std::vector<std::uint32_t> DecodedRgb(const DecodedImage& image) {
  std::vector<std::uint32_t> out;
  for (int y = 0; y < image.layout.height; ++y) {
    for (int x = 0; x < image.layout.width; ++x) out.push_back(DecodedRgb(image, x, y));
  }
  return out;
}

}  // namespace eveda::testing
