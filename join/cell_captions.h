#pragma once
// The caption under each cell, drawn by whoever knows its text and font: the pass only says
// where, so that the join needs no font of its own.

#include <cstddef>
#include <cstdint>

namespace join {

class CellCaptions {
 public:
  virtual ~CellCaptions() = default;
  // Draws source `index`'s caption (from 0, drawn or not) in a strip `width` x `height` of
  // 24-bit B,G,R rows, `stride` bytes apart, whose background is already painted.
  virtual void Draw(std::int32_t index, std::int32_t width, std::int32_t height,
                    std::uint8_t* topRow, std::ptrdiff_t stride) = 0;
};

}  // namespace join
