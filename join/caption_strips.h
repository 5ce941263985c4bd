#pragma once
// The caption strips of a grid, drawn as the bands reach them: each grid row's strips are
// painted once, when the first band reaches them, into one buffer as wide as the output and
// as high as a strip, kept from row to row; every band they cross takes its rows from it, so
// a caption cut by a band's edge is still drawn once and memory does not grow with the grid.

#include <cstdint>
#include <vector>

#include "dsmod/dsmod.h"
#include "join/cell_captions.h"
#include "join/grid_plan.h"
#include "platform/gdi/gdi.h"

namespace join {

class CaptionStrips {
 public:
  // The strips of `count` cells on an output `width` pixels wide.
  CaptionStrips(const Layout& layout, std::int32_t count, std::int32_t width,
                gdi::COLORREF background, CellCaptions& captions);

  // Copies into `band` the strip rows it holds, bands given top to bottom.
  void Draw(DSMod::Band& band);

 private:
  struct Cell {
    std::int32_t stripTop = 0;
    std::int32_t x = 0;
    std::int32_t index = 0;  // from 0
  };
  void PaintRow();

  std::int32_t width_, cellWidth_, height_;
  gdi::COLORREF background_;
  CellCaptions& captions_;
  std::vector<Cell> cells_;  // by strip top, then source order
  std::size_t next_ = 0;     // the first cell whose strip is not painted yet
  std::int32_t paintedTop_ = -1;
  std::vector<std::uint8_t> strip_;  // the painted row of strips, top row first
};

}  // namespace join
