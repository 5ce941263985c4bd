#include "dsmod/canvas_layout.h"

#include <algorithm>
#include <limits>

#include "formats/bmp/bmp.h"

namespace DSMod::detail {

eveda::Result<CanvasLayout, CanvasError> ComputeLayout(std::int32_t BitCount, std::int32_t Width,
                                                       std::int32_t Height) {
  if (Width < 1 || Height < 1 || !gdi::IsDibDepth(BitCount))
    return eveda::Unexpected{CanvasError::BadSize};
  constexpr std::int64_t limit = std::numeric_limits<std::int32_t>::max();
  const std::int64_t rowBits = std::int64_t{Width} * BitCount;
  if (rowBits > limit) return eveda::Unexpected{CanvasError::Overflow};
  const std::int64_t stride = bmp_format::RowStride(Width, BitCount);
  const std::int64_t imageBytes = stride * Height;
  if (stride > limit || imageBytes > limit) return eveda::Unexpected{CanvasError::Overflow};
  return CanvasLayout{static_cast<std::int32_t>(stride), static_cast<std::int32_t>(imageBytes)};
}

gdi::BITMAPINFO MakeCreationHeader(std::int32_t BitCount, std::int32_t Width, std::int32_t Height,
                                   const CanvasLayout& layout,
                                   std::span<const gdi::RGBQUAD> Palette) {
  gdi::BITMAPINFO info{};
  info.bmiHeader =
      formats::BmpInfoHeader(BitCount, Width, Height, static_cast<gdi::DWORD>(layout.ImageBytes));
  if (BitCount <= 8) {
    const std::size_t entries = std::min<std::size_t>(std::size_t{1} << BitCount, Palette.size());
    std::copy_n(Palette.begin(), entries, info.bmiColors);
  }
  return info;
}

}  // namespace DSMod::detail
