#pragma once

#include <cstdint>

#include "platform/gdi/bitmap.h"

namespace gdi::detail {

// Fills the pixels x0 <= x < x1, y0 <= y < y1 (image rows counted from the top) with one
// colour, clipped to the bitmap. The row is encoded once and copied into every row.
// Returns false only when memory for the row is short.
bool FillArea(Bitmap& bitmap, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
              COLORREF colour);

}  // namespace gdi::detail
