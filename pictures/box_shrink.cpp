#include "pictures/box_shrink.h"

#include <algorithm>
#include <type_traits>

namespace pictures {
namespace {

int BlocksFor(int size, int factor) { return (size + factor - 1) / factor; }

}  // namespace

BoxShrinker::BoxShrinker(int sourceWidth, int sourceHeight, int factorX, int factorY, int channels)
    : sourceWidth_(sourceWidth),
      sourceHeight_(sourceHeight),
      factorX_(factorX),
      factorY_(factorY),
      channels_(channels),
      width_(BlocksFor(sourceWidth, factorX)),
      height_(BlocksFor(sourceHeight, factorY)),
      sums_(static_cast<size_t>(width_) * channels, 0),
      out_(static_cast<size_t>(width_) * channels, 0) {}

// Sums each block's share of this row (in 32 bits without alpha: factorX × 255 fits), then
// adds it to the band's 64-bit sums.
template <int C>
void BoxShrinker::AddBlocks(const uint8_t* row) {
  for (int b = 0; b < width_; ++b) {
    const int x0 = b * factorX_;
    const int x1 = std::min(x0 + factorX_, sourceWidth_);
    using Part = std::conditional_t<C == 4, uint64_t, uint32_t>;
    Part part[C] = {};
    for (int x = x0; x < x1; ++x) {
      const uint8_t* p = row + static_cast<size_t>(x) * C;
      if constexpr (C == 4) {
        for (int c = 0; c < 3; ++c) part[c] += Part{p[c]} * p[3];
        part[3] += Part{p[3]} * kSampleOne;
      } else {
        for (int c = 0; c < C; ++c) part[c] += p[c];
      }
    }
    uint64_t* sum = sums_.data() + static_cast<size_t>(b) * C;
    for (int c = 0; c < C; ++c) sum[c] += part[c];
  }
}

// Averages the band into samples, rounding half up: the one place the box stage rounds.
void BoxShrinker::Emit() {
  const uint64_t scale = channels_ == 4 ? 1 : kSampleOne;
  for (int b = 0; b < width_; ++b) {
    const int columns = std::min(factorX_, sourceWidth_ - b * factorX_);
    const uint64_t pixels = static_cast<uint64_t>(columns) * rowsInBand_;
    for (int c = 0; c < channels_; ++c) {
      const size_t i = static_cast<size_t>(b) * channels_ + c;
      out_[i] = static_cast<int32_t>((sums_[i] * scale + pixels / 2) / pixels);
      sums_[i] = 0;
    }
  }
  rowsInBand_ = 0;
}

bool BoxShrinker::Add(const uint8_t* row) {
  if (rowsAdded_ >= sourceHeight_) return false;
  if (channels_ == 4) {
    AddBlocks<4>(row);
  } else {
    AddBlocks<3>(row);
  }
  ++rowsAdded_;
  ++rowsInBand_;
  if (rowsInBand_ < factorY_ && rowsAdded_ < sourceHeight_) return false;
  Emit();
  return true;
}

}  // namespace pictures
