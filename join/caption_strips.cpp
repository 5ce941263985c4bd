#include "join/caption_strips.h"

#include <algorithm>
#include <cstring>

#include "join/rounding.h"

namespace join {

CaptionStrips::CaptionStrips(const Layout& layout, std::int32_t count, std::int32_t width,
                             gdi::COLORREF background, CellCaptions& captions)
    : width_(width),
      cellWidth_(static_cast<std::int32_t>(RoundHalfEven(layout.BlockWidth))),
      height_(layout.CaptionHeight),
      background_(background),
      captions_(captions) {
  if (height_ < 1) return;
  cells_.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (std::int32_t i = 1; i <= count; ++i) {
    const CellOrigin origin = CellOriginOf(layout, width, i);
    cells_.push_back({origin.y + layout.BlockHeight, origin.x, i - 1});
  }
  std::stable_sort(cells_.begin(), cells_.end(),
                   [](const Cell& a, const Cell& b) { return a.stripTop < b.stripTop; });
}

void CaptionStrips::PaintRow() {
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * 3;
  strip_.resize(rowBytes * static_cast<std::size_t>(height_));
  for (std::size_t x = 0; x < rowBytes; x += 3) {
    strip_[x] = gdi::GetBValue(background_);
    strip_[x + 1] = gdi::GetGValue(background_);
    strip_[x + 2] = gdi::GetRValue(background_);
  }
  for (std::int32_t k = 1; k < height_; ++k)
    std::memcpy(strip_.data() + rowBytes * static_cast<std::size_t>(k), strip_.data(), rowBytes);
  paintedTop_ = cells_[next_].stripTop;
  for (; next_ < cells_.size() && cells_[next_].stripTop == paintedTop_; ++next_) {
    const Cell& cell = cells_[next_];
    const std::int32_t x = std::clamp(cell.x, 0, width_);
    const std::int32_t w = std::min(cellWidth_, width_ - x);
    if (w > 0) {
      captions_.Draw(cell.index, w, height_, strip_.data() + std::size_t(x) * 3,
                     static_cast<std::ptrdiff_t>(rowBytes));
    }
  }
}

void CaptionStrips::Draw(DSMod::Band& band) {
  if (band.pBits == nullptr) return;
  const std::int32_t top = band.FirstRow, bottom = band.FirstRow + band.Rows;
  const std::size_t rowBytes = static_cast<std::size_t>(width_) * 3;
  for (;;) {
    if (paintedTop_ < 0 || paintedTop_ + height_ <= top) {
      if (next_ >= cells_.size() || cells_[next_].stripTop >= bottom) return;
      PaintRow();
    }
    const std::int32_t from = std::max(top, paintedTop_);
    const std::int32_t to = std::min(bottom, paintedTop_ + height_);
    for (std::int32_t y = from; y < to; ++y) {
      // Band rows are stored bottom-up.
      auto* row =
          static_cast<std::uint8_t*>(band.pBits) + std::ptrdiff_t{bottom - 1 - y} * band.Stride;
      std::memcpy(row, strip_.data() + rowBytes * static_cast<std::size_t>(y - paintedTop_),
                  rowBytes);
    }
    if (paintedTop_ + height_ > bottom) return;  // the rest is in the next band
    paintedTop_ = -1;
  }
}

}  // namespace join
