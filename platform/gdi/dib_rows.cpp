#include "platform/gdi/dib_rows.h"

#include <algorithm>
#include <memory>
#include <new>

#include "platform/gdi/blit.h"
#include "platform/gdi/object_table.h"
#include "platform/gdi/pixel_rows.h"

namespace gdi {
namespace {

using detail::Bitmap;

// A record over the caller's rows; null when they do not fit the image.
std::unique_ptr<Bitmap> ViewOf(const DibRows& rows) {
  if (!rows.info || !rows.bits) return nullptr;
  auto bitmap = detail::MakeDibBitmap(*rows.info);
  if (!bitmap || rows.firstRow < 0 || rows.rowCount < 0 ||
      rows.rowCount > bitmap->height - rows.firstRow)
    return nullptr;
  bitmap->firstRow = rows.firstRow;
  bitmap->storedRows = rows.rowCount;
  bitmap->view = static_cast<const std::uint8_t*>(rows.bits);
  return bitmap;
}

}  // namespace

HBITMAP CreateBandSection(const BITMAPINFO* info, std::int32_t rowCapacity, void** bits) {
  if (bits) *bits = nullptr;
  if (!info || rowCapacity < 1) return HBITMAP{};
  try {
    std::unique_ptr<Bitmap> bitmap = detail::MakeDibBitmap(*info, true);
    if (!bitmap) return HBITMAP{};
    const std::int32_t rows = std::min(rowCapacity, bitmap->height);
    bitmap->storedRows = rows;
    bitmap->pixels =
        detail::PixelMemory::Zeroed(std::size_t(bitmap->stride) * static_cast<std::size_t>(rows));
    void* pixels = bitmap->pixels.get();
    const std::uint32_t id = detail::ObjectTable::Instance().Add(std::move(bitmap));
    if (id != 0 && bits) *bits = pixels;
    return HBITMAP{id};
  } catch (const std::bad_alloc&) {
    return HBITMAP{};
  }
}

BOOL MoveBandSection(HBITMAP band, std::int32_t firstRow) {
  auto* found = detail::ObjectTable::Instance().FindBitmap(band.id);
  if (!found || found->bitmap->storedRows < 0) return 0;
  Bitmap& bitmap = *found->bitmap;
  if (firstRow < 0 || firstRow >= bitmap.height) return 0;
  const auto capacity =
      static_cast<std::int32_t>(bitmap.pixels.size() / std::size_t(bitmap.stride));
  bitmap.firstRow = firstRow;
  bitmap.storedRows = std::min(capacity, bitmap.height - firstRow);
  return 1;
}

BOOL BitBltRows(HDC dst, int x, int y, int cx, int cy, const DibRows& src, int xs, int ys) {
  Bitmap* destination = detail::ObjectTable::Instance().SelectedBitmap(dst.id);
  try {
    const auto source = ViewOf(src);
    if (!destination || !source) return 0;
    return detail::CopyBitmap(*source, *destination, x, y, cx, cy, xs, ys);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

BOOL DibRowsToBgr(const DibRows& src, int y, int count, std::uint8_t* out, std::ptrdiff_t stride) {
  try {
    const auto source = ViewOf(src);
    if (!source || count < 0 || y < source->StoredBegin() || y + count > source->StoredEnd())
      return 0;
    for (int k = 0; k < count; ++k)
      detail::DecodeRow(*source, source->Row(y + k), 0, source->width, out + k * stride);
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

BOOL StretchBltRows(HDC dst, int x, int y, int cx, int cy, const DibRows& src, int xs, int ys,
                    int cxs, int cys) {
  Bitmap* destination = detail::ObjectTable::Instance().SelectedBitmap(dst.id);
  try {
    const auto source = ViewOf(src);
    if (!destination || !source) return 0;
    return detail::StretchBitmap(*source, *destination, x, y, cx, cy, xs, ys, cxs, cys);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

}  // namespace gdi
