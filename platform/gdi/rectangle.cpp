// Rectangle with the context's pen, which is always one pixel of solid black.

#include <utility>

#include "platform/gdi/fill.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/object_table.h"

namespace gdi {

// Corners given the wrong way round are put in order first, as the Win32 GDI does; the
// right column and bottom row of the ordered rectangle are then left out.
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  auto& table = detail::ObjectTable::Instance();
  const detail::DeviceContext* context = table.FindDc(dc.id);
  if (!context) return 0;
  detail::Bitmap* bitmap = table.SelectedBitmap(dc.id);
  const detail::Brush* brush = table.FindBrush(context->brush);
  if (!bitmap || !brush) return 0;

  std::int64_t l = left, t = top, r = right, b = bottom;
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  if (l == r || t == b) return 1;

  constexpr COLORREF pen = RGB(0, 0, 0);
  const bool drawn = detail::FillArea(*bitmap, l + 1, t + 1, r - 1, b - 1, brush->colour) &&
                     detail::FillArea(*bitmap, l, t, r, t + 1, pen) &&
                     detail::FillArea(*bitmap, l, b - 1, r, b, pen) &&
                     detail::FillArea(*bitmap, l, t, l + 1, b, pen) &&
                     detail::FillArea(*bitmap, r - 1, t, r, b, pen);
  return drawn ? 1 : 0;
}

}  // namespace gdi
