#include "text/coverage.h"

#include <algorithm>

namespace text {
namespace {

std::uint8_t Mix(std::uint8_t under, std::uint32_t ink, std::uint32_t alpha) {
  return static_cast<std::uint8_t>((under * (255 - alpha) + ink * alpha + 127) / 255);
}

}  // namespace

void Coverage::Reset(std::int32_t left, std::int32_t width, std::int32_t rows) {
  left_ = left;
  width_ = std::max(width, 0);
  rows_ = std::max(rows, 0);
  cells_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(rows_), 0);
}

void Coverage::Add(const GlyphBitmap& glyph, std::int32_t x, std::int32_t baseline) {
  const std::int32_t column0 = x + glyph.left - left_;
  const std::int32_t row0 = baseline - glyph.top;
  const std::int32_t fromRow = std::max(0, -row0), toRow = std::min(glyph.rows, rows_ - row0);
  const std::int32_t fromCol = std::max(0, -column0);
  const std::int32_t toCol = std::min(glyph.width, width_ - column0);
  for (std::int32_t r = fromRow; r < toRow; ++r) {
    const std::uint8_t* source = glyph.coverage.data() + static_cast<std::size_t>(r) * glyph.width;
    std::uint8_t* target = cells_.data() + static_cast<std::size_t>(row0 + r) * width_ + column0;
    for (std::int32_t c = fromCol; c < toCol; ++c) {
      // Overlapping glyphs (a mark on its letter) add up, never past full.
      target[c] = static_cast<std::uint8_t>(std::min(255, target[c] + source[c]));
    }
  }
}

void Coverage::BlendOver(std::uint8_t* topRow, std::ptrdiff_t stride, std::uint32_t colour) const {
  const std::uint32_t red = colour & 0xFF, green = (colour >> 8) & 0xFF,
                      blue = (colour >> 16) & 0xFF;
  for (std::int32_t r = 0; r < rows_; ++r) {
    const std::uint8_t* alpha = cells_.data() + static_cast<std::size_t>(r) * width_;
    std::uint8_t* pixel = topRow + r * stride + static_cast<std::ptrdiff_t>(left_) * 3;
    for (std::int32_t c = 0; c < width_; ++c, pixel += 3) {
      if (alpha[c] == 0) continue;
      pixel[0] = Mix(pixel[0], blue, alpha[c]);
      pixel[1] = Mix(pixel[1], green, alpha[c]);
      pixel[2] = Mix(pixel[2], red, alpha[c]);
    }
  }
}

}  // namespace text
