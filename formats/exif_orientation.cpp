#include "formats/exif_orientation.h"

namespace formats {

Orientation ExifOrientation(std::span<const std::uint8_t> tiff) {
  if (tiff.size() < 8) return 1;
  const bool little = tiff[0] == 'I' && tiff[1] == 'I';
  if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
  // Callers check that at + 2 (or + 4) lies within the block.
  const auto u16 = [&](std::uint64_t at) -> std::uint32_t {
    return little ? tiff[at] | tiff[at + 1] << 8 : tiff[at] << 8 | tiff[at + 1];
  };
  const auto u32 = [&](std::uint64_t at) -> std::uint32_t {
    return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
  };
  if (u16(2) != 42) return 1;
  const std::uint64_t directory = u32(4);
  if (directory + 2 > tiff.size()) return 1;
  const std::uint32_t entries = u16(directory);
  for (std::uint32_t i = 0; i < entries; ++i) {
    const std::uint64_t at = directory + 2 + std::uint64_t{i} * 12;
    if (at + 12 > tiff.size()) return 1;
    if (u16(at) != 0x0112) continue;
    const std::uint32_t value = u16(at + 8);
    const bool oneShort = u16(at + 2) == 3 && u32(at + 4) == 1;
    return oneShort && value >= 1 && value <= 8 ? static_cast<Orientation>(value) : 1;
  }
  return 1;
}

}  // namespace formats
