#include "join/grid_plan.h"

#include <algorithm>
#include <cmath>

#include "join/rounding.h"

namespace join {
namespace {

// Fractions become integers once, for the whole expression. The values are cell positions
// and sizes on a canvas whose size already fits 32 bits.
std::int32_t Round(double value) { return static_cast<std::int32_t>(RoundHalfEven(value)); }

// The whole source scaled by one factor and centred on the cell with Centre's rounding: the
// smaller factor touches the cell on two sides (Contain), the larger overflows it on one axis
// (Cover). Products are 64-bit: sides up to 2^31 - 1 multiply past 32 bits.
Rect ScaledToCell(const Layout& s, CellOrigin cell, std::int32_t sw, std::int32_t sh, bool cover) {
  const std::int64_t cellW = Round(s.BlockWidth), cellH = s.BlockHeight;
  std::int64_t cx = cellW, cy = cellH;
  const bool wider = std::int64_t{sw} * cellH >= std::int64_t{sh} * cellW;
  if (wider != cover) {
    cy = static_cast<std::int64_t>(RoundHalfEven(static_cast<double>(sh) * cellW / sw));
  } else {
    cx = static_cast<std::int64_t>(RoundHalfEven(static_cast<double>(sw) * cellH / sh));
  }
  cx = std::max<std::int64_t>(cx, 1);
  cy = std::max<std::int64_t>(cy, 1);
  return Rect{static_cast<std::int64_t>(RoundHalfEven(cell.x + (s.BlockWidth - cx) / 2.0)),
              static_cast<std::int64_t>(RoundHalfEven(cell.y + (s.BlockHeight - cy) / 2.0)), cx,
              cy};
}

// Contain's copy: StretchBlt scales the whole source, as it does for Stretch.
TileCopy ContainCopy(const Layout& s, CellOrigin cell, std::int32_t sw, std::int32_t sh) {
  const Rect r = ScaledToCell(s, cell, sw, sh, false);
  return TileCopy{true,
                  static_cast<std::int32_t>(r.x),
                  static_cast<std::int32_t>(r.y),
                  static_cast<std::int32_t>(r.cx),
                  static_cast<std::int32_t>(r.cy),
                  0,
                  0};
}

bool FillsRows(ArrangeOrder order) {
  return order == ArrangeOrder::RowsFromTopLeft || order == ArrangeOrder::RowsFromTopRight;
}

bool FromTheRight(ArrangeOrder order) {
  return order == ArrangeOrder::ColumnsFromTopRight || order == ArrangeOrder::RowsFromTopRight;
}

}  // namespace

std::optional<GridSize> GridOf(const Layout& layout, std::int32_t count) {
  if (count < 1 || !(layout.BlockWidth > 0) || layout.BlockHeight < 1 || layout.Spacing < 0 ||
      layout.WrapCount < 1 || layout.CaptionHeight < 0)
    return std::nullopt;
  const double n = count;
  const double lines = -std::floor(-n / layout.WrapCount);  // n / WrapCount rounded up
  const bool byRows = FillsRows(layout.ArrangeOrder);
  const double columns = byRows ? layout.WrapCount : lines;
  const double rows = byRows ? lines : layout.WrapCount;
  const auto width = RoundToInt32(columns * layout.BlockWidth + (columns + 1) * layout.Spacing);
  const double cellHeight = static_cast<double>(layout.BlockHeight) + layout.CaptionHeight;
  const auto height = RoundToInt32(rows * cellHeight + (rows + 1) * layout.Spacing);
  if (!width || !height) return std::nullopt;
  return GridSize{static_cast<std::int32_t>(columns), static_cast<std::int32_t>(rows), *width,
                  *height};
}

ArrangeOrder ArrangeOrderFromListIndex(int index) {
  if (index == 0) return ArrangeOrder::RowsFromTopLeft;
  return index == 2 ? ArrangeOrder::ColumnsFromTopRight : ArrangeOrder::ColumnsFromTopLeft;
}

FitMode FitModeFromListIndex(int index) {
  return index >= 0 && index <= 2 ? static_cast<FitMode>(index) : FitMode::None;
}

CellOrigin CellOriginOf(const Layout& s, std::int32_t canvasWidth, std::int32_t i) {
  const std::int64_t q = (i - 1) / s.WrapCount;
  const std::int64_t r = (i - 1) % s.WrapCount;
  const bool byRows = FillsRows(s.ArrangeOrder);
  const std::int64_t col = byRows ? r : q;
  const std::int64_t row = byRows ? q : r;

  CellOrigin origin;
  origin.y = static_cast<std::int32_t>(row * (std::int64_t{s.BlockHeight} + s.CaptionHeight) +
                                       (row + 1) * s.Spacing);
  const double colD = static_cast<double>(col);
  if (FromTheRight(s.ArrangeOrder)) {
    // Columns are counted from the canvas's right edge.
    origin.x = Round(canvasWidth - ((colD + 1) * s.BlockWidth + (colD + 1) * s.Spacing));
  } else {
    origin.x = Round(colD * s.BlockWidth + (colD + 1) * s.Spacing);
  }
  return origin;
}

TileCopy PlanTileCopy(const Layout& s, CellOrigin cell, std::int32_t sw, std::int32_t sh) {
  TileCopy copy{false, cell.x, cell.y, sw, sh, 0, 0};
  const std::int32_t blockWidth = Round(s.BlockWidth);
  switch (s.FitMode) {
    case FitMode::TopLeft:  // a larger source loses its right and bottom parts
      if (sw > s.BlockWidth) copy.cx = blockWidth;
      if (sh > s.BlockHeight) copy.cy = s.BlockHeight;
      break;
    case FitMode::Cover:
    case FitMode::Centre:  // a larger source is cropped to its middle, a smaller one is centred
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
    case FitMode::Contain:
      return ContainCopy(s, cell, sw, sh);
    case FitMode::Stretch:
    case FitMode::None:  // the whole source scaled into the whole cell
      copy.stretch = true;
      copy.cx = blockWidth;
      copy.cy = s.BlockHeight;
      break;
  }
  return copy;
}

DrawnRect DrawnRectOf(const Layout& layout, CellOrigin cell, std::int32_t sw, std::int32_t sh) {
  const Rect scaled = ScaledRect(layout, cell, sw, sh);
  const Rect visible = VisiblePart(layout, cell, scaled);
  return {static_cast<std::int32_t>(scaled.x + visible.x),
          static_cast<std::int32_t>(scaled.y + visible.y), static_cast<std::int32_t>(visible.cx),
          static_cast<std::int32_t>(visible.cy)};
}

GridCell GridCellOf(const Layout& s, const GridSize& grid, std::int32_t i) {
  const std::int32_t q = (i - 1) / s.WrapCount;
  const std::int32_t r = (i - 1) % s.WrapCount;
  const bool byRows = FillsRows(s.ArrangeOrder);
  const std::int32_t line = byRows ? r : q;
  return {byRows ? q : r, FromTheRight(s.ArrangeOrder) ? grid.Columns - 1 - line : line};
}

Rect ScaledRect(const Layout& s, CellOrigin cell, std::int32_t sw, std::int32_t sh) {
  if (s.FitMode == FitMode::Cover) return ScaledToCell(s, cell, sw, sh, true);
  const TileCopy copy = PlanTileCopy(s, cell, sw, sh);
  if (copy.stretch) return Rect{copy.x, copy.y, copy.cx, copy.cy};
  return Rect{std::int64_t{copy.x} - copy.sx, std::int64_t{copy.y} - copy.sy, sw, sh};
}

Rect VisiblePart(const Layout& s, CellOrigin cell, const Rect& drawn) {
  const std::int64_t left = std::max<std::int64_t>(cell.x, drawn.x);
  const std::int64_t top = std::max<std::int64_t>(cell.y, drawn.y);
  const std::int64_t right =
      std::min(std::int64_t{cell.x} + Round(s.BlockWidth), drawn.x + drawn.cx);
  const std::int64_t bottom = std::min(std::int64_t{cell.y} + s.BlockHeight, drawn.y + drawn.cy);
  if (right <= left || bottom <= top) return {};
  return Rect{left - drawn.x, top - drawn.y, right - left, bottom - top};
}

}  // namespace join
