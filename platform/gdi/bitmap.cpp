#include "platform/gdi/bitmap.h"

#include <cstring>

namespace gdi::detail {

bool SamePixelFormat(const Bitmap& a, const Bitmap& b) {
  if (a.bitCount != b.bitCount) return false;
  if (a.IsPaletted()) return std::memcmp(a.colours.data(), b.colours.data(), sizeof a.colours) == 0;
  if (a.bitCount == 24) return true;
  return a.masks.red.mask == b.masks.red.mask && a.masks.green.mask == b.masks.green.mask &&
         a.masks.blue.mask == b.masks.blue.mask;
}

}  // namespace gdi::detail
