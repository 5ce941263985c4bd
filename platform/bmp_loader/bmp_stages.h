#pragma once
// The decoder's stages, shared between its source files. Not for use outside the decoder.

#include <cstdint>
#include <span>

#include "platform/bmp_loader/bmp_decoder.h"
#include "platform/bmp_loader/byte_cursor.h"

namespace bmp_loader {

// What the headers say, before any of it is trusted.
struct InfoHeader {
  std::uint32_t size = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t compression = BI_RGB;
  std::uint32_t colorsUsed = 0;
  bool core = false;      // 12-byte header: 3-byte palette entries
  bool hasMasks = false;  // masks stored inside the header (52 bytes and more)
  std::array<std::uint32_t, 3> masks{};
};

eveda::Result<std::uint32_t, DecodeError> ReadFileHeader(ByteCursor& cursor);
eveda::Result<InfoHeader, DecodeError> ReadInfoHeader(ByteCursor& cursor);
eveda::Result<void, DecodeError> CheckFormat(const InfoHeader& header);
eveda::Result<std::array<std::uint32_t, 3>, DecodeError> ReadMasks(ByteCursor& cursor,
                                                                   const InfoHeader& header);
eveda::Result<void, DecodeError> ReadPalette(ByteCursor& cursor, const InfoHeader& header,
                                             std::uint32_t pixelOffset, Layout& layout);

// Writers into the bottom-up bitmap; `row` 0 is the bottom row.
std::span<std::uint8_t> BitmapRow(const Layout& layout, std::span<std::uint8_t> pixels,
                                  std::int64_t row);
void DecodeRows(ByteCursor& cursor, const DecodePlan& plan, std::span<std::uint8_t> pixels);
void DecodeRle8(ByteCursor& cursor, const Layout& layout, std::span<std::uint8_t> pixels);
void DecodeRle4(ByteCursor& cursor, const Layout& layout, std::span<std::uint8_t> pixels);

}  // namespace bmp_loader
