#pragma once
// A bitmap as the raster layer keeps it: the pixel memory of a DIB section (or of the stock
// monochrome bitmap) and what is needed to read and write its pixels.

#include <array>
#include <cstdint>

#include "platform/gdi/channel.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/pixel_memory.h"

namespace gdi::detail {

struct Bitmap {
  std::int32_t width = 0;
  std::int32_t height = 0;  // magnitude; `topDown` says which way the rows are stored
  bool topDown = false;
  int bitCount = 0;
  std::int32_t stride = 0;
  bool isDibSection = true;  // the stock bitmap is not, so it has no colour table to report
  PixelMemory pixels;
  // Every index of a paletted bitmap is defined: entries past `colourCount` stay black.
  std::array<RGBQUAD, 256> colours{};
  std::uint32_t colourCount = 0;
  ChannelMasks masks{};  // 16 and 32 bits per pixel only
  bool defaultMasks = true;
  // A band of a taller image: the memory holds only the image rows firstRow ..
  // firstRow + storedRows - 1 (all rows when storedRows < 0), in the bitmap's row order.
  // Coordinates stay those of the whole image, so that a copy into a band computes every
  // pixel exactly as the same copy into the whole image would; rows outside are not touched.
  std::int32_t firstRow = 0;
  std::int32_t storedRows = -1;
  // Pixels owned by someone else (rows drawn straight from a decoder's buffer); read only.
  const std::uint8_t* view = nullptr;

  std::int32_t StoredBegin() const { return storedRows < 0 ? 0 : firstRow; }
  std::int32_t StoredEnd() const { return storedRows < 0 ? height : firstRow + storedRows; }

  // Row y of the image, counted from the top, whichever way the rows are stored.
  std::uint8_t* Row(std::int32_t y) const {
    const std::int64_t memoryRow =
        topDown ? std::int64_t{y} - StoredBegin() : std::int64_t{StoredEnd()} - 1 - y;
    std::uint8_t* base = view != nullptr ? const_cast<std::uint8_t*>(view) : pixels.get();
    return base + memoryRow * stride;
  }
  bool IsPaletted() const { return bitCount <= 8; }
};

// Two bitmaps whose pixels mean the same colours byte for byte.
bool SamePixelFormat(const Bitmap& a, const Bitmap& b);

}  // namespace gdi::detail
