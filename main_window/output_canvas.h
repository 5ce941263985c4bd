#pragma once
// The bands a run draws on: 24 bits, the output's width, and only when the file they become
// can be written, so that an output too large for a BMP file is refused before anything is
// drawn.

#include <array>
#include <cstdint>

#include "dsmod/dsmod.h"

namespace main_window {

// Whether the file a run's output of this size becomes can be written at all.
bool OutputFitsInBmpFile(std::int32_t Width, std::int32_t Height);

// Two bands of `Rows` rows of a Width x Height output: one is written while the other is
// drawn. CanvasError::Overflow when the saved file would exceed DSMod::kMaxBmpFileBytes.
using OutputBands = std::array<DSMod::Band, 2>;
eveda::Result<OutputBands, DSMod::CanvasError> CreateOutputBands(gdi::HDC RefDC, std::int32_t Width,
                                                                 std::int32_t Height,
                                                                 std::int32_t Rows);
void ReleaseOutputBands(OutputBands& bands);

}  // namespace main_window
