#pragma once
// Where each source goes on the canvas: the cell origin from the arrangement order and the
// copy from the fit mode. Pure arithmetic, so every rounding rule is tested without drawing.

#include <cstdint>

#include "platform/gdi/gdi.h"

namespace main_window {

// The layout a drawing pass works with, fixed when the run starts.
struct TileSettings {
  double BlockWidth = 0;
  std::int32_t BlockHeight = 0;
  std::int32_t Spacing = 0;
  std::int32_t WrapCount = 1;
  std::int32_t ArrangeOrder = 0;  // 0 rows from the top left, 1 columns from the top left,
                                  // 2 columns from the top right
  std::int32_t FitMode = 0;       // 0 top left, 1 centre, 2 stretch
  gdi::COLORREF BackColor = 0;
};

struct CellOrigin {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(CellOrigin, CellOrigin) = default;
};

// The top-left corner of the cell of the `i`-th source (1-based) on a canvas `canvasWidth`
// pixels wide.
CellOrigin CellOriginOf(const TileSettings& settings, std::int32_t canvasWidth, std::int32_t i);

struct TileCopy {
  bool stretch = false;  // true: scale the whole source to cx x cy
  std::int32_t x = 0;    // destination
  std::int32_t y = 0;
  std::int32_t cx = 0;  // size
  std::int32_t cy = 0;
  std::int32_t sx = 0;  // source offset
  std::int32_t sy = 0;
  friend bool operator==(const TileCopy&, const TileCopy&) = default;
};

// How a source of sw x sh pixels is copied into the cell at `cell`.
TileCopy PlanTileCopy(const TileSettings& settings, CellOrigin cell, std::int32_t sw,
                      std::int32_t sh);

}  // namespace main_window
