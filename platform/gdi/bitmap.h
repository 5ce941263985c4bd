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

  // Row y of the image, counted from the top, whichever way the rows are stored.
  std::uint8_t* Row(std::int32_t y) const {
    const std::int64_t memoryRow = topDown ? y : height - 1 - y;
    return pixels.get() + memoryRow * stride;
  }
  bool IsPaletted() const { return bitCount <= 8; }
};

// Two bitmaps whose pixels mean the same colours byte for byte.
bool SamePixelFormat(const Bitmap& a, const Bitmap& b);

}  // namespace gdi::detail
