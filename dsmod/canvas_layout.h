#pragma once
// Sizes of a canvas, computed before anything is created so that a refused size leaves
// nothing behind.

#include <cstdint>
#include <span>
#include <utility>

#include "dsmod/dsmod.h"

namespace DSMod::detail {

// A canvas's or a band's drawing handles: its previous bitmap selected back, its section and
// context deleted, each once; the record then holds none.
template <class Record>
void ReleaseHandles(Record& record) {
  if (record.hOldBitmap) gdi::SelectObject(record.hDC, record.hOldBitmap);
  if (record.hBitmap) gdi::DeleteObject(record.hBitmap);
  if (record.hDC) gdi::DeleteDC(record.hDC);
  record.hDC = {};
  record.hBitmap = {};
  record.hOldBitmap = {};
  record.pBits = nullptr;
}

// Moves the handles of `from` to `to`, whose own go first; the other fields are copied.
template <class Record>
Record& TakeHandles(Record& to, Record& from) {
  if (&to == &from) return to;
  ReleaseHandles(to);
  to.hDC = std::exchange(from.hDC, {});
  to.hBitmap = std::exchange(from.hBitmap, {});
  to.pBits = std::exchange(from.pBits, nullptr);
  to.hOldBitmap = std::exchange(from.hOldBitmap, {});
  return to;
}

struct CanvasLayout {
  std::int32_t Stride = 0;
  std::int32_t ImageBytes = 0;  // Stride * Height
};

// Checks the size and depth and works out the row stride, refusing any result beyond the
// signed 32-bit range.
eveda::Result<CanvasLayout, CanvasError> ComputeLayout(std::int32_t BitCount, std::int32_t Width,
                                                       std::int32_t Height);

// The canvas's pixel memory while its DIB section is alive and has the canvas's shape; null
// for a released or hand-made record.
const std::uint8_t* LivePixels(const Canvas& canvas);

// The header a canvas is created from: biSizeImage is Stride * Height, and for depths of
// 8 bits or less the first 2^BitCount palette entries fill the colour table.
gdi::BITMAPINFO MakeCreationHeader(std::int32_t BitCount, std::int32_t Width, std::int32_t Height,
                                   const CanvasLayout& layout,
                                   std::span<const gdi::RGBQUAD> Palette);

}  // namespace DSMod::detail
