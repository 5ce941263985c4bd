#pragma once
// The canvas a run draws on: 24 bits, the output size, and only when the file it becomes can
// be written, so that an output too large for a BMP file is refused before anything is drawn.

#include <cstdint>

#include "dsmod/dsmod.h"

namespace main_window {

// Whether the file a run's canvas of this size becomes can be written at all.
bool OutputFitsInBmpFile(std::int32_t Width, std::int32_t Height);

// CanvasError::Overflow when the saved file would exceed DSMod::kMaxBmpFileBytes.
eveda::Result<DSMod::Canvas, DSMod::CanvasError> CreateOutputCanvas(gdi::HDC RefDC,
                                                                    std::int32_t Width,
                                                                    std::int32_t Height);

}  // namespace main_window
