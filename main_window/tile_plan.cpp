#include "main_window/tile_plan.h"

#include <cmath>

namespace main_window {
namespace {

// Fractions become integers once, for the whole expression, halves going to the even
// neighbour (the default rounding mode of nearbyint).
std::int32_t Round(double value) { return static_cast<std::int32_t>(std::nearbyint(value)); }

}  // namespace

CellOrigin CellOriginOf(const TileSettings& s, std::int32_t canvasWidth, std::int32_t i) {
  const std::int64_t q = (i - 1) / s.WrapCount;
  const std::int64_t r = (i - 1) % s.WrapCount;
  const bool byRows = s.ArrangeOrder == 0;
  const std::int64_t col = byRows ? r : q;
  const std::int64_t row = byRows ? q : r;

  CellOrigin origin;
  origin.y = static_cast<std::int32_t>(row * s.BlockHeight + (row + 1) * s.Spacing);
  const double colD = static_cast<double>(col);
  if (s.ArrangeOrder == 2) {
    // Columns are counted from the canvas's right edge.
    origin.x = Round(canvasWidth - ((colD + 1) * s.BlockWidth + (colD + 1) * s.Spacing));
  } else {
    origin.x = Round(colD * s.BlockWidth + (colD + 1) * s.Spacing);
  }
  return origin;
}

TileCopy PlanTileCopy(const TileSettings& s, CellOrigin cell, std::int32_t sw, std::int32_t sh) {
  TileCopy copy{false, cell.x, cell.y, sw, sh, 0, 0};
  const std::int32_t blockWidth = Round(s.BlockWidth);
  switch (s.FitMode) {
    case 0:  // top left: a larger source loses its right and bottom parts
      if (sw > s.BlockWidth) copy.cx = blockWidth;
      if (sh > s.BlockHeight) copy.cy = s.BlockHeight;
      break;
    case 1:  // centre: a larger source is cropped to its middle, a smaller one is centred
      if (sw > s.BlockWidth) {
        copy.cx = blockWidth;
        copy.sx = Round((sw - copy.cx) / 2.0);
      } else if (sw < s.BlockWidth) {
        copy.x = Round(cell.x + (s.BlockWidth - sw) / 2.0);
      }
      if (sh > s.BlockHeight) {
        copy.cy = s.BlockHeight;
        copy.sy = Round((sh - s.BlockHeight) / 2.0);
      } else if (sh < s.BlockHeight) {
        copy.y = Round(cell.y + (s.BlockHeight - sh) / 2.0);
      }
      break;
    case 2:
    default:  // stretch: the whole source scaled into the whole cell
      copy.stretch = true;
      copy.cx = blockWidth;
      copy.cy = s.BlockHeight;
      break;
  }
  return copy;
}

}  // namespace main_window
