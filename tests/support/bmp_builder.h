#pragma once
// Writes BMP files of every variant the loader meets, so that tests, the fuzzer's seed
// corpus, the benchmark and the sample generator make their images in code.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/bmp_format/bmp_format.h"

namespace eveda::testing {

struct BmpSpec {
  std::uint32_t headerSize = 40;  // 12, 16, 40, 52, 56, 64, 108 or 124
  std::int32_t width = 1;
  std::int32_t height = 1;  // negative: rows top-down
  std::uint16_t bitCount = 24;
  std::uint32_t compression = bmp_format::BI_RGB;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB, written as 3- or 4-byte entries
  std::uint32_t colorsUsed = 0;        // biClrUsed as written
  // Red, green, blue, alpha. Written inside 52-byte and larger headers, and after a 40-byte
  // header when the compression is a bitfields one (the alpha mask only for
  // BI_ALPHABITFIELDS).
  std::array<std::uint32_t, 4> masks{};
  std::uint32_t gapBytes = 0;              // between the colour table and the pixels
  std::optional<std::uint32_t> offBits;    // bfOffBits instead of the true offset
  std::optional<std::uint32_t> sizeImage;  // biSizeImage instead of the pixel byte count
  std::optional<std::uint32_t> fileSize;   // bfSize instead of the true file size
  std::int32_t pelsPerMeter = 2835;        // both resolutions; Eveda writes 0
};

// The headers of an uncompressed file that `BuildBmp` would write in front of `pixelBytes` of
// rows, as Eveda writes them: sizes true, biSizeImage and the resolutions 0, no colour table.
std::vector<std::uint8_t> HeadersOfWrittenBmp(std::int32_t width, std::int32_t height,
                                              std::uint16_t bitCount, std::uint32_t pixelBytes);

// The whole file: headers, masks, colour table, gap and `pixelData` as given.
std::vector<std::uint8_t> BuildBmp(const BmpSpec& spec, std::span<const std::uint8_t> pixelData);

// Rows in file order (bottom row first unless `topDown`), each padded to 4 bytes, from one
// value per pixel given top row first: a palette index at 1, 2, 4 and 8 bits, the raw
// 16- or 32-bit word, or 0x00RRGGBB at 24 bits.
std::vector<std::uint8_t> PackRows(int width, int height, unsigned bitCount, bool topDown,
                                   std::span<const std::uint32_t> values);

// An RLE8 or RLE4 stream, code by code.
class RleStream {
 public:
  RleStream& Run(std::uint8_t count, std::uint8_t value);
  RleStream& Absolute8(std::span<const std::uint8_t> indices);  // 3 to 255 pixels
  RleStream& Absolute4(std::span<const std::uint8_t> indices);  // 3 to 255 pixels
  RleStream& EndOfLine();
  RleStream& EndOfBitmap();
  RleStream& Delta(std::uint8_t right, std::uint8_t up);
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  void PadToWord();
  std::vector<std::uint8_t> bytes_;
};

bool WriteFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace eveda::testing
