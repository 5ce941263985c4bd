#pragma once
// BitBlt and StretchBlt between bitmap records, for callers that hold a bitmap outside the
// object table (rows drawn straight from a decoder's buffer, see dib_rows.h).

#include <memory>

#include "platform/gdi/bitmap.h"

namespace gdi::detail {

// The bitmap a header describes, without its pixel memory; null for a header no DIB section
// can have. A band holds only some of the rows, so its whole image may pass 2^31 - 1 bytes.
std::unique_ptr<Bitmap> MakeDibBitmap(const BITMAPINFO& info, bool band = false);

BOOL CopyBitmap(const Bitmap& source, Bitmap& destination, int x, int y, int cx, int cy, int xs,
                int ys);
BOOL StretchBitmap(const Bitmap& source, Bitmap& destination, int x, int y, int cx, int cy, int xs,
                   int ys, int cxs, int cys);

}  // namespace gdi::detail
