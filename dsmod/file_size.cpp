#include <limits>

#include "dsmod/bmp_headers.h"
#include "dsmod/canvas_layout.h"
#include "dsmod/dsmod.h"
#include "platform/bmp_format/bmp_format.h"

namespace DSMod {

namespace detail {

std::uint32_t HeaderBytes(std::int32_t BitCount) {
  return kHeaderBytes + ColourTableEntries(BitCount) * std::uint32_t{sizeof(gdi::RGBQUAD)};
}

}  // namespace detail

std::int64_t BmpFileBytes(std::int32_t BitCount, std::int32_t Width, std::int32_t Height) {
  if (Width < 1 || Height < 1 || !gdi::IsDibDepth(BitCount)) return 0;
  const std::int64_t headers = detail::HeaderBytes(BitCount);
  const std::int64_t stride = bmp_format::RowStride(Width, BitCount);
  constexpr std::int64_t kLargest = std::numeric_limits<std::int64_t>::max();
  // The widest 32-bit rows times the most rows pass even 64 bits.
  if (stride > (kLargest - headers) / Height) return kLargest;
  return headers + stride * Height;
}

}  // namespace DSMod
