#pragma once
// The bands a join draws on: 24 bits, the output's width, and only when the file they become
// can be written, so that an output too large for its file is refused before anything is
// drawn.

#include <array>
#include <cstdint>

#include "dsmod/dsmod.h"
#include "formats/bmp/bmp.h"

namespace join {

// The limit of a BMP output, as the window's message states it.
inline constexpr std::int64_t kMaxBmpFileGigabytes = formats::kMaxBmpFileGigabytes;

// The widest output a band can hold: a band row's bits are counted in 32 bits.
inline constexpr std::int32_t kMaxBandWidth = INT32_MAX / formats::kOutputBitCount;

// Two bands of `Rows` rows of a Width x Height output: one is written while the other is
// drawn. CanvasError::Overflow when the output is wider than kMaxBandWidth, or, for a BMP file
// (`bmpFileLimit`), when the file would exceed formats::kMaxBmpFileBytes.
using OutputBands = std::array<DSMod::Band, 2>;
eveda::Result<OutputBands, DSMod::CanvasError> CreateOutputBands(gdi::HDC RefDC, std::int32_t Width,
                                                                 std::int32_t Height,
                                                                 std::int32_t Rows,
                                                                 bool bmpFileLimit);

}  // namespace join
