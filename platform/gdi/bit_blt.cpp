// BitBlt: 1:1 copies between bitmaps of any format.

#include <cstring>
#include <new>
#include <vector>

#include "platform/gdi/blit.h"
#include "platform/gdi/clip.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/object_table.h"
#include "platform/gdi/pixel_rows.h"

namespace gdi {
namespace {

using detail::Bitmap;

// Rows are taken in the order that never reads a row the copy has already overwritten,
// which only matters when source and destination are the same bitmap.
void CopyRows(const Bitmap& source, Bitmap& destination, detail::ClippedSpan across,
              detail::ClippedSpan down) {
  const bool sameBitmap = &source == &destination;
  const int bytesPerPixel = detail::WholeBytesPerPixel(source);
  const bool rawCopy = bytesPerPixel != 0 && detail::SamePixelFormat(source, destination);
  const bool decodeInPlace = destination.bitCount == 24 && !sameBitmap;
  std::vector<std::uint8_t> bgr;
  if (!rawCopy && !decodeInPlace) bgr.resize(std::size_t(across.length) * 3);

  const bool upwards = sameBitmap && down.destination > down.source;
  for (std::int32_t step = 0; step < down.length; ++step) {
    const std::int32_t i = upwards ? down.length - 1 - step : step;
    const std::uint8_t* in = source.Row(down.source + i);
    std::uint8_t* out = destination.Row(down.destination + i);
    if (rawCopy) {
      std::memmove(out + std::int64_t{across.destination} * bytesPerPixel,
                   in + std::int64_t{across.source} * bytesPerPixel,
                   std::size_t(across.length) * bytesPerPixel);
    } else if (decodeInPlace) {
      detail::DecodeRow(source, in, across.source, across.length,
                        out + std::int64_t{across.destination} * 3);
    } else {
      detail::DecodeRow(source, in, across.source, across.length, bgr.data());
      detail::EncodeRow(destination, bgr.data(), across.length, out, across.destination);
    }
  }
}

}  // namespace

namespace detail {

BOOL CopyBitmap(const Bitmap& source, Bitmap& destination, int x, int y, int cx, int cy, int xs,
                int ys) {
  const auto across = ClipSpan(x, xs, cx, destination.width, source.width);
  auto down = ClipSpan(y, ys, cy, destination.height, source.height);
  if (down) {
    down = ClipToStored(*down, destination.StoredBegin(), destination.StoredEnd(),
                        source.StoredBegin(), source.StoredEnd());
  }
  if (!across || !down) return 1;
  try {
    CopyRows(source, destination, *across, *down);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

}  // namespace detail

// Only SRCCOPY is supported; other raster operations fail. An empty or negative size copies
// nothing and succeeds.
BOOL BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int xs, int ys, DWORD rop) {
  auto& table = detail::ObjectTable::Instance();
  Bitmap* destination = table.SelectedBitmap(dst.id);
  const Bitmap* source = table.SelectedBitmap(src.id);
  if (!destination || !source || rop != SRCCOPY) return 0;
  return detail::CopyBitmap(*source, *destination, x, y, cx, cy, xs, ys);
}

}  // namespace gdi
