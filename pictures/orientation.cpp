#include "pictures/orientation.h"

#include <algorithm>
#include <cstring>

namespace pictures {
namespace {

bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// Where the shown frame's first pixel is in the stored one, and the stored step (in pixels)
// of one shown column and of one shown row.
struct Walk {
  int64_t origin, column, row;
};

Walk WalkFor(int orientation, int64_t w, int64_t h) {
  switch (orientation) {
    case 2:
      return {w - 1, -1, w};
    case 3:
      return {(h - 1) * w + w - 1, -1, -w};
    case 4:
      return {(h - 1) * w, 1, -w};
    case 5:
      return {0, w, 1};
    case 6:
      return {(h - 1) * w, -w, 1};
    case 7:
      return {(h - 1) * w + w - 1, -w, -1};
    case 8:
      return {w - 1, w, -1};
    default:
      return {0, 1, w};
  }
}

// Tiles keep both frames' rows in cache when a turn reads the stored frame by columns.
constexpr int kTile = 64;

template <int C>
void CopyTile(const uint8_t* stored, const Walk& walk, uint8_t* shown, int shownWidth, int x0,
              int y0, int x1, int y1, int channels) {
  const int bytes = C > 0 ? C : channels;
  for (int y = y0; y < y1; ++y) {
    uint8_t* out = shown + (static_cast<int64_t>(y) * shownWidth + x0) * bytes;
    int64_t at = walk.origin + walk.row * y + walk.column * x0;
    for (int x = x0; x < x1; ++x, at += walk.column, out += bytes) {
      std::memcpy(out, stored + at * bytes, static_cast<size_t>(bytes));
    }
  }
}

}  // namespace

Size OrientedSize(int width, int height, int orientation) {
  return SwapsSides(orientation) ? Size{height, width} : Size{width, height};
}

bool OrientFrame(std::span<const uint8_t> stored, int width, int height, int channels,
                 int orientation, std::span<uint8_t> shown) {
  const uint64_t bytes = uint64_t(width) * uint64_t(height) * uint64_t(channels);
  if (width < 0 || height < 0 || channels < 1 || stored.size() < bytes || shown.size() < bytes) {
    return false;
  }
  const Size size = OrientedSize(width, height, orientation);
  const Walk walk = WalkFor(orientation, width, height);
  if (walk.column == 1) {  // 1 and 4 keep each row whole
    const size_t rowBytes = static_cast<size_t>(width) * channels;
    for (int y = 0; y < height; ++y) {
      std::memcpy(shown.data() + rowBytes * y,
                  stored.data() + (walk.origin + walk.row * y) * channels, rowBytes);
    }
    return true;
  }
  auto copy = channels == 3 ? &CopyTile<3> : channels == 4 ? &CopyTile<4> : &CopyTile<0>;
  for (int ty = 0; ty < size.height; ty += kTile) {
    for (int tx = 0; tx < size.width; tx += kTile) {
      copy(stored.data(), walk, shown.data(), size.width, tx, ty, std::min(tx + kTile, size.width),
           std::min(ty + kTile, size.height), channels);
    }
  }
  return true;
}

}  // namespace pictures
