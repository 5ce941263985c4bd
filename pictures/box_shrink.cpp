#include "pictures/box_shrink.h"

#include <algorithm>

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
      columns_(static_cast<size_t>(sourceWidth) * channels, 0),
      out_(static_cast<size_t>(width_) * channels, 0) {}

// Sums rows column by column, a loop the compiler vectorises; blocks are summed across only
// once per band.
void BoxShrinker::AddColumns(const uint8_t* row) {
  const size_t samples = static_cast<size_t>(sourceWidth_) * channels_;
  uint32_t* column = columns_.data();
  if (channels_ == 3) {
    for (size_t i = 0; i < samples; ++i) column[i] += row[i];
    return;
  }
  for (size_t i = 0; i < samples; i += 4) {
    const uint32_t alpha = row[i + 3];
    for (int c = 0; c < 3; ++c) column[i + c] += row[i + c] * alpha;
    column[i + 3] += alpha * kSampleOne;
  }
}

// Averages each block into samples, rounding half up: the one place the box stage rounds.
void BoxShrinker::Emit() {
  const uint64_t scale = channels_ == 4 ? 1 : kSampleOne;
  for (int b = 0; b < width_; ++b) {
    const int x0 = b * factorX_, x1 = std::min(x0 + factorX_, sourceWidth_);
    const uint64_t pixels = static_cast<uint64_t>(x1 - x0) * rowsInBand_;
    for (int c = 0; c < channels_; ++c) {
      uint64_t sum = 0;
      for (int x = x0; x < x1; ++x) sum += columns_[static_cast<size_t>(x) * channels_ + c];
      // A block of one pixel (alpha only premultiplied) needs no division.
      out_[static_cast<size_t>(b) * channels_ + c] =
          static_cast<int32_t>(pixels == 1 ? sum * scale : (sum * scale + pixels / 2) / pixels);
    }
  }
  std::fill(columns_.begin(), columns_.end(), 0u);
  rowsInBand_ = 0;
}

bool BoxShrinker::Add(const uint8_t* row) {
  if (rowsAdded_ >= sourceHeight_) return false;
  AddColumns(row);
  ++rowsAdded_;
  ++rowsInBand_;
  if (rowsInBand_ < factorY_ && rowsAdded_ < sourceHeight_) return false;
  Emit();
  return true;
}

}  // namespace pictures
