#pragma once
// The grid of a join: its size from the layout and the source count, where each cell lies
// (the arrangement order) and how its source is copied into it (the fit mode). Pure
// arithmetic, so every rounding rule is tested without drawing.

#include <cstdint>
#include <optional>

namespace join {

// The entries of the arrangement-order list, in list order, then the orders only eveda-batch
// offers: rows from the top right read as a right-to-left book's spreads are read.
enum class ArrangeOrder {
  RowsFromTopLeft,
  ColumnsFromTopLeft,
  ColumnsFromTopRight,
  RowsFromTopRight
};
// The entries of the fit-mode list, in list order; None while no entry is selected, which
// draws as Stretch. Contain (scaled to fit, aspect ratio kept, centred) and Cover (scaled to
// fill, aspect ratio kept, centred, the overflow cropped) are eveda-batch's alone: the window's
// list never offers them, and they come after its entries so that its indexes keep their meaning.
enum class FitMode { None = -1, TopLeft, Centre, Stretch, Contain, Cover };

// A list index read from the window. An index outside the order list reads as columns from
// the top left, the order every index but 0 and 2 has always drawn.
ArrangeOrder ArrangeOrderFromListIndex(int index);
FitMode FitModeFromListIndex(int index);

// The layout of a join, fixed when it starts.
struct Layout {
  double BlockWidth = 0;  // keeps a typed fraction: cells may be 12.5 pixels wide
  std::int32_t BlockHeight = 0;
  std::int32_t Spacing = 0;    // between cells and at the edges
  std::int32_t WrapCount = 1;  // cells per row (rows) or per column (columns)
  join::ArrangeOrder ArrangeOrder = join::ArrangeOrder::RowsFromTopLeft;
  join::FitMode FitMode = join::FitMode::TopLeft;
  // Rows below each cell's picture area for its caption; BlockHeight stays the picture's.
  std::int32_t CaptionHeight = 0;
};

struct GridSize {
  std::int32_t Columns = 0;
  std::int32_t Rows = 0;
  std::int32_t Width = 0;  // of the output, in pixels
  std::int32_t Height = 0;
  friend bool operator==(const GridSize&, const GridSize&) = default;
};

// The grid `count` sources make with `layout`: the full grid, even where its last row or
// column is partly empty, one spacing before the first cell, between cells and after the last
// on both axes; each cell is BlockHeight + CaptionHeight high. Nothing when no source is
// given, a layout value is out of its range (cell width not above 0, height or wrap below 1,
// spacing or caption height below 0), or a side leaves the signed 32-bit range.
std::optional<GridSize> GridOf(const Layout& layout, std::int32_t count);

struct CellOrigin {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(CellOrigin, CellOrigin) = default;
};

// The top-left corner of the cell of the `i`-th source (1-based) on a canvas `canvasWidth`
// pixels wide.
CellOrigin CellOriginOf(const Layout& layout, std::int32_t canvasWidth, std::int32_t i);

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

// How a source of sw x sh pixels is copied into the cell at `cell`. Cover has no copy of the
// window's kind: its sources arrive already scaled and cropped to the cell (see ScaledRect) and
// are placed as Centre places them.
TileCopy PlanTileCopy(const Layout& layout, CellOrigin cell, std::int32_t sw, std::int32_t sh);

struct DrawnRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const DrawnRect&, const DrawnRect&) = default;
};

// Where the pixels of a source of sw x sh pixels land on the output once the fit mode has
// placed it in the cell at `cell`: what a map of the cells tells.
DrawnRect DrawnRectOf(const Layout& layout, CellOrigin cell, std::int32_t sw, std::int32_t sh);

struct GridCell {
  std::int32_t row = 0;     // from 0, counted from the top
  std::int32_t column = 0;  // from 0, counted from the left whatever the order
};

// The row and column of the `i`-th source's (1-based) cell in `grid`.
GridCell GridCellOf(const Layout& layout, const GridSize& grid, std::int32_t i);

// A rectangle of the output, which may reach past the cell (Cover, and a larger source at its
// own size) or past the output.
struct Rect {
  std::int64_t x = 0, y = 0, cx = 0, cy = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Where the whole source of sw x sh pixels lands for the cell at `cell`: the one answer every
// drawing of a fit and every map of the output agree on. Contain's rectangle is PlanTileCopy's;
// Cover's is the source scaled by the larger of the two factors, centred on the cell with
// Contain's rounding; the fits that do not scale give the source's own size where they place it.
Rect ScaledRect(const Layout& layout, CellOrigin cell, std::int32_t sw, std::int32_t sh);

// The part of a drawn rectangle inside its cell, in the rectangle's own coordinates (its
// pixel [x, x + cx) x [y, y + cy) is drawn); empty when they do not meet.
Rect VisiblePart(const Layout& layout, CellOrigin cell, const Rect& drawn);

}  // namespace join
