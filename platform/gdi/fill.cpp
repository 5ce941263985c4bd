#include "platform/gdi/fill.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/gdi/pixel_rows.h"

namespace gdi::detail {

bool FillArea(Bitmap& bitmap, std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1,
              COLORREF colour) {
  x0 = std::max<std::int64_t>(x0, 0);
  y0 = std::max<std::int64_t>(y0, bitmap.StoredBegin());
  x1 = std::min<std::int64_t>(x1, bitmap.width);
  y1 = std::min<std::int64_t>(y1, bitmap.StoredEnd());
  if (x0 >= x1 || y0 >= y1) return true;
  const auto left = static_cast<std::int32_t>(x0);
  const auto count = static_cast<std::int32_t>(x1 - x0);
  try {
    std::vector<std::uint8_t> bgr(std::size_t(count) * 3);
    for (std::int32_t i = 0; i < count; ++i) {
      bgr[3 * i] = GetBValue(colour);
      bgr[3 * i + 1] = GetGValue(colour);
      bgr[3 * i + 2] = GetRValue(colour);
    }
    const int bytesPerPixel = WholeBytesPerPixel(bitmap);
    if (bytesPerPixel == 0) {
      for (std::int64_t y = y0; y < y1; ++y)
        EncodeRow(bitmap, bgr.data(), count, bitmap.Row(static_cast<std::int32_t>(y)), left);
      return true;
    }
    std::vector<std::uint8_t> pattern(std::size_t(count) * bytesPerPixel);
    EncodeRow(bitmap, bgr.data(), count, pattern.data(), 0);
    const std::int64_t offset = x0 * bytesPerPixel;
    for (std::int64_t y = y0; y < y1; ++y)
      std::memcpy(bitmap.Row(static_cast<std::int32_t>(y)) + offset, pattern.data(),
                  pattern.size());
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace gdi::detail
