#pragma once
// Where each source goes on the canvas: the cell origin from the arrangement order and the
// copy from the fit mode. Pure arithmetic, so every rounding rule is tested without drawing.

#include <cstdint>

#include "platform/gdi/gdi.h"

namespace main_window {

// The entries of the arrangement-order list, in list order.
enum class ArrangeOrder { RowsFromTopLeft, ColumnsFromTopLeft, ColumnsFromTopRight };
// The entries of the fit-mode list, in list order; None while no entry is selected, which
// draws as Stretch. Contain (scaled to fit, aspect ratio kept, centred) is eveda-batch's
// alone: the window's list never offers it.
enum class FitMode { None = -1, TopLeft, Centre, Stretch, Contain };

// A list index read from the window. An index outside the order list reads as columns from
// the top left, the order every index but 0 and 2 has always drawn.
ArrangeOrder ArrangeOrderFromListIndex(int index);
FitMode FitModeFromListIndex(int index);

// The layout a drawing pass works with, fixed when the run starts.
struct TileSettings {
  double BlockWidth = 0;
  std::int32_t BlockHeight = 0;
  std::int32_t Spacing = 0;
  std::int32_t WrapCount = 1;
  main_window::ArrangeOrder ArrangeOrder = main_window::ArrangeOrder::RowsFromTopLeft;
  main_window::FitMode FitMode = main_window::FitMode::TopLeft;
  gdi::COLORREF BackColor = 0;
  // PNG and JPEG sources are decoded too (eveda-batch -i); the window draws BMP only.
  bool OtherFormats = false;
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
