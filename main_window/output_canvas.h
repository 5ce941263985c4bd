#pragma once
// The bands a run draws on: 24 bits, the output's width, and only when the file they become
// can be written, so that an output too large for its file is refused before anything is
// drawn.

#include <array>
#include <cstdint>

#include "dsmod/dsmod.h"

namespace main_window {

// What the bands become. A BMP file stops at DSMod::kMaxBmpFileBytes; an encoded file (PNG) has
// no limit of its own below the 32-bit sides, so its bytes are counted in 64 bits throughout.
enum class OutputFileKind { Bmp, Encoded };

// Whether the BMP file a run's output of this size becomes can be written at all.
bool OutputFitsInBmpFile(std::int32_t Width, std::int32_t Height);

// The widest output a band can hold: a band row's bits are counted in 32 bits.
inline constexpr std::int32_t kMaxBandWidth = INT32_MAX / 24;

// Two bands of `Rows` rows of a Width x Height output: one is written while the other is
// drawn. CanvasError::Overflow when a BMP file would exceed DSMod::kMaxBmpFileBytes, or when
// the output is wider than kMaxBandWidth.
using OutputBands = std::array<DSMod::Band, 2>;
eveda::Result<OutputBands, DSMod::CanvasError> CreateOutputBands(gdi::HDC RefDC, std::int32_t Width,
                                                                 std::int32_t Height,
                                                                 std::int32_t Rows,
                                                                 OutputFileKind kind);
void ReleaseOutputBands(OutputBands& bands);

}  // namespace main_window
