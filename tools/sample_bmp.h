#pragma once
// Writes the sample images eveda-samples makes: any canvas depth through the project's own
// BMP writer, and one RLE8 file, a kind the writer never produces.

#include <cstdint>
#include <string>
#include <vector>

namespace tools {

struct SampleImage {
  int bitCount = 24;  // 1, 4, 8, 24 or 32
  int width = 1;
  int height = 1;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB, 2^bitCount entries up to 8 bits
  std::vector<std::uint32_t> values;   // top row first: a palette index or 0x00RRGGBB
};

bool WriteSampleBMP(const SampleImage& image, const std::string& path);

// Rows of equal runs of `runLength` pixels, the colour index of each run given per row and
// the rows in file order (bottom row first); a compression RLE8 file with `palette` as its colour
// table.
bool WriteRunsRLE8(const std::vector<std::vector<std::uint8_t>>& rows, int runLength,
                   const std::vector<std::uint32_t>& palette, const std::string& path);

}  // namespace tools
