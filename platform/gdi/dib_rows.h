#pragma once
// Drawing an image a band of rows at a time, so that neither the output nor a source has to
// be held whole.
//
// A band section is a DIB section that stores only some rows of a taller image, and keeps the
// whole image's coordinates: a BitBlt, StretchBlt or Rectangle into it draws exactly the pixels
// the same call draws into those rows of the whole image, and nothing elsewhere. DibRows are
// rows of a source held outside any bitmap object (a decoder's buffer), copied the same way.

#include <cstddef>
#include <cstdint>

#include "platform/gdi/gdi.h"

namespace gdi {

// A section of the image `info` describes (its width, height, depth and row order) with memory
// for `rowCapacity` rows; it first holds the top rows. Null on a bad header or no memory.
HBITMAP CreateBandSection(const BITMAPINFO* info, std::int32_t rowCapacity, void** bits);

// Makes the band hold image rows firstRow .. firstRow + rowCapacity - 1 (fewer at the bottom
// of the image); the memory is reused as it is. 0 for anything but a band section.
BOOL MoveBandSection(HBITMAP band, std::int32_t firstRow);

// Image rows firstRow .. firstRow + rowCount - 1 of the image `info` describes, stored in its
// row order (bottom-up: the lowest of these rows first) with its stride, at `bits`.
struct DibRows {
  const BITMAPINFO* info = nullptr;
  const void* bits = nullptr;
  std::int32_t firstRow = 0;
  std::int32_t rowCount = 0;
};

// BitBlt and StretchBlt from DibRows: coordinates are the whole source image's; source pixels
// outside the rows given take no part.
BOOL BitBltRows(HDC dst, int x, int y, int cx, int cy, const DibRows& src, int xs, int ys);
// Image rows y .. y + count - 1 of `src` (which must hold them) as packed B,G,R triplets, `stride`
// bytes apart: the pixels a BitBlt into a 24-bit bitmap gives. No handle is involved, so any
// thread may convert its own rows. 0 when the rows are not all in `src`.
BOOL DibRowsToBgr(const DibRows& src, int y, int count, std::uint8_t* out, std::ptrdiff_t stride);
BOOL StretchBltRows(HDC dst, int x, int y, int cx, int cy, const DibRows& src, int xs, int ys,
                    int cxs, int cys);

}  // namespace gdi
