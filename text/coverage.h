#pragma once
// A caption's grey coverage, gathered glyph by glyph in a buffer kept from one caption to the
// next, then blended once over the strip's B,G,R rows in the caption's colour.

#include "text/glyph_cache.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace text {

class Coverage {
 public:
  // Columns [left, left + width) of a strip `rows` high; clears what the last caption left.
  void Reset(std::int32_t left, std::int32_t width, std::int32_t rows);
  // Adds a glyph whose pen is at column `x` of the strip, on baseline row `baseline`.
  void Add(const GlyphBitmap& glyph, std::int32_t x, std::int32_t baseline);
  // colour is a COLORREF, 0x00BBGGRR; rows are width × 3 bytes, `stride` apart (may be < 0).
  void BlendOver(std::uint8_t* topRow, std::ptrdiff_t stride, std::uint32_t colour) const;

 private:
  std::int32_t left_ = 0, width_ = 0, rows_ = 0;
  std::vector<std::uint8_t> cells_;
};

}  // namespace text
