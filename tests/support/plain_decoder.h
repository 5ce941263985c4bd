#pragma once
// The plain way to decode a BMP file: the whole file in memory, every row written into one
// bottom-up image by the decoder's own stages. What the row source must agree with.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/bmp_loader/bmp_decoder.h"

namespace eveda::testing {

struct DecodedImage {
  bmp_loader::Layout layout;
  std::vector<std::uint8_t> pixels;  // bottom-up rows of layout.stride bytes
};
Result<DecodedImage, bmp_loader::DecodeError> DecodeWhole(std::span<const std::uint8_t> file);

// The same picture through the row source the drawing pass reads
// (bmp_loader::RowSource::FromMemory), its rows put bottom-up: what the decoder's tests check.
Result<DecodedImage, bmp_loader::DecodeError> DecodeThroughRows(std::span<const std::uint8_t> file);

}  // namespace eveda::testing
