#pragma once
// Row conversion between any bitmap format and 24-bit blue, green, red triplets. Copies and
// scaling convert a row span at a time: the format is looked at once per row, never per pixel.

#include <cstdint>

#include "platform/gdi/bitmap.h"

namespace gdi::detail {

// Pixels x .. x + count - 1 of a row of `bitmap` as `count` B,G,R triplets.
void DecodeRow(const Bitmap& bitmap, const std::uint8_t* row, std::int32_t x, std::int32_t count,
               std::uint8_t* bgr);

// `count` B,G,R triplets stored as pixels x .. x + count - 1 of a row of `bitmap`. Paletted
// formats take the entry of exactly that colour, else the nearest one (squared distance in
// R, G, B; the first of equals); masked formats truncate each channel to its field.
void EncodeRow(const Bitmap& bitmap, const std::uint8_t* bgr, std::int32_t count, std::uint8_t* row,
               std::int32_t x);

// Bytes per pixel for formats of whole bytes, 0 for 1 and 4 bits per pixel.
inline int WholeBytesPerPixel(const Bitmap& bitmap) {
  return bitmap.bitCount % 8 == 0 ? bitmap.bitCount / 8 : 0;
}

}  // namespace gdi::detail
