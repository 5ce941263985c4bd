// StretchBlt in the BLACKONWHITE stretch mode, the initial mode of every context.
//
// Each axis is mapped on its own. With S source pixels drawn onto D destination pixels,
// destination pixel d (counted from the start of the destination rectangle) takes the source
// pixels from
//     lo(d) = floor(d * S / D)   to   hi(d) = max(lo(d), floor((d + 1) * S / D) - 1).
// Shrinking (S > D) thus gives every destination pixel a run of one or more source pixels,
// and the runs tile the source exactly; enlarging or equal sizes (S <= D) give a single
// pixel, lo(d), so pixels repeat. The source pixels of a destination pixel (the product of
// its column run and row run) are merged by a bitwise AND of their blue, green and red bytes,
// which is what BLACKONWHITE does: dark pixels survive a shrink.
//
// Destination pixels outside the destination bitmap are not drawn. Source pixels outside the
// source bitmap take no part in the merge; a destination pixel left with none is not drawn.
// Extents of zero or below fail (the Win32 GDI mirrors on negative ones; nothing here asks
// for that).

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/gdi/blit.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/object_table.h"
#include "platform/gdi/pixel_rows.h"

namespace gdi {
namespace {

using detail::Bitmap;

struct AxisMap {
  std::int32_t firstDestination = 0;  // bitmap coordinate of the first pixel drawn
  std::vector<std::int32_t> lo, hi;   // per pixel drawn: source run, bitmap coordinates
  std::size_t Count() const { return lo.size(); }
};

// Destination pixels are drawn where the destination stores them ([dstBegin, dstEnd)); source
// pixels are read where the source stores them ([srcBegin, srcEnd)). Every run is computed
// from the whole rectangle, so a band of the destination gets exactly the pixels it would get
// as part of the whole.
AxisMap MapAxis(std::int64_t dstStart, std::int64_t dstLength, std::int64_t dstBegin,
                std::int64_t dstEnd, std::int64_t srcStart, std::int64_t srcLength,
                std::int64_t srcBegin, std::int64_t srcEnd) {
  AxisMap map;
  const std::int64_t first = std::max<std::int64_t>(0, dstBegin - dstStart);
  const std::int64_t end = std::min(dstLength, dstEnd - dstStart);
  for (std::int64_t d = first; d < end; ++d) {
    const std::int64_t lo = d * srcLength / dstLength;
    const std::int64_t hi = std::max(lo, (d + 1) * srcLength / dstLength - 1);
    const std::int64_t clippedLo = std::max<std::int64_t>(srcStart + lo, srcBegin);
    const std::int64_t clippedHi = std::min(srcStart + hi, srcEnd - 1);
    if (clippedLo > clippedHi) continue;
    if (map.lo.empty()) map.firstDestination = static_cast<std::int32_t>(dstStart + d);
    map.lo.push_back(static_cast<std::int32_t>(clippedLo));
    map.hi.push_back(static_cast<std::int32_t>(clippedHi));
  }
  return map;
}

void AndInto(std::uint8_t* accumulated, const std::uint8_t* row, std::size_t bytes) {
  for (std::size_t i = 0; i < bytes; ++i) accumulated[i] &= row[i];
}

// Merges the decoded source rows lo..hi (each `span` pixels from source column `first`) and
// then each destination column's run of that merged row.
class StretchRows {
 public:
  StretchRows(const Bitmap& source, const AxisMap& columns)
      : source_(source),
        columns_(columns),
        first_(columns.lo.front()),
        span_(columns.hi.back() - columns.lo.front() + 1),
        merged_(std::size_t(span_) * 3),
        row_(std::size_t(span_) * 3),
        out_(columns.Count() * 3) {}

  const std::uint8_t* Row(std::int32_t lo, std::int32_t hi) {
    if (lo == lastLo_ && hi == lastHi_) return out_.data();
    lastLo_ = lo;
    lastHi_ = hi;
    detail::DecodeRow(source_, source_.Row(lo), first_, span_, merged_.data());
    for (std::int32_t y = lo + 1; y <= hi; ++y) {
      detail::DecodeRow(source_, source_.Row(y), first_, span_, row_.data());
      AndInto(merged_.data(), row_.data(), merged_.size());
    }
    MergeColumns();
    return out_.data();
  }

 private:
  void MergeColumns() {
    std::uint8_t* out = out_.data();
    for (std::size_t k = 0; k < columns_.Count(); ++k, out += 3) {
      const std::uint8_t* pixel = merged_.data() + std::size_t(columns_.lo[k] - first_) * 3;
      std::uint8_t b = pixel[0], g = pixel[1], r = pixel[2];
      for (std::int32_t x = columns_.lo[k]; x < columns_.hi[k]; ++x) {
        pixel += 3;
        b &= pixel[0];
        g &= pixel[1];
        r &= pixel[2];
      }
      out[0] = b;
      out[1] = g;
      out[2] = r;
    }
  }

  const Bitmap& source_;
  const AxisMap& columns_;
  std::int32_t first_, span_;
  std::vector<std::uint8_t> merged_, row_, out_;
  std::int32_t lastLo_ = -1, lastHi_ = -1;
};

// A copy of the source to read from when the source is also the destination, so that every
// destination pixel is taken from the picture as it was before the call, never from pixels the
// same call has already written.
std::unique_ptr<Bitmap> Snapshot(const Bitmap& bitmap) {
  auto copy = std::make_unique<Bitmap>();
  copy->width = bitmap.width;
  copy->height = bitmap.height;
  copy->topDown = bitmap.topDown;
  copy->bitCount = bitmap.bitCount;
  copy->stride = bitmap.stride;
  copy->colours = bitmap.colours;
  copy->colourCount = bitmap.colourCount;
  copy->masks = bitmap.masks;
  copy->defaultMasks = bitmap.defaultMasks;
  copy->firstRow = bitmap.firstRow;
  copy->storedRows = bitmap.storedRows;
  const std::size_t bytes =
      std::size_t(bitmap.stride) * std::size_t(bitmap.StoredEnd() - bitmap.StoredBegin());
  copy->pixels = detail::PixelMemory::ForOverwrite(bytes);
  std::memcpy(copy->pixels.get(), bitmap.pixels.get(), bytes);
  return copy;
}

void Stretch(const Bitmap& source, Bitmap& destination, const AxisMap& columns,
             const AxisMap& rows) {
  StretchRows stretch(source, columns);
  for (std::size_t j = 0; j < rows.Count(); ++j) {
    const std::uint8_t* bgr = stretch.Row(rows.lo[j], rows.hi[j]);
    detail::EncodeRow(destination, bgr, static_cast<std::int32_t>(columns.Count()),
                      destination.Row(rows.firstDestination + static_cast<std::int32_t>(j)),
                      columns.firstDestination);
  }
}

}  // namespace

namespace detail {

BOOL StretchBitmap(const Bitmap& source, Bitmap& destination, int x, int y, int cx, int cy, int xs,
                   int ys, int cxs, int cys) {
  if (cx <= 0 || cy <= 0 || cxs <= 0 || cys <= 0) return 0;
  try {
    const AxisMap columns = MapAxis(x, cx, 0, destination.width, xs, cxs, 0, source.width);
    const AxisMap rows = MapAxis(y, cy, destination.StoredBegin(), destination.StoredEnd(), ys, cys,
                                 source.StoredBegin(), source.StoredEnd());
    if (columns.Count() == 0 || rows.Count() == 0) return 1;
    if (&source == &destination) {
      const std::unique_ptr<Bitmap> copy = Snapshot(source);
      Stretch(*copy, destination, columns, rows);
    } else {
      Stretch(source, destination, columns, rows);
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

}  // namespace detail

BOOL StretchBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int xs, int ys, int cxs, int cys,
                DWORD rop) {
  auto& table = detail::ObjectTable::Instance();
  Bitmap* destination = table.SelectedBitmap(dst.id);
  const Bitmap* source = table.SelectedBitmap(src.id);
  if (!destination || !source || rop != SRCCOPY) return 0;
  return detail::StretchBitmap(*source, *destination, x, y, cx, cy, xs, ys, cxs, cys);
}

}  // namespace gdi
