// Contexts, brushes and the selection rules that tie them to bitmaps.

#include <algorithm>
#include <cstring>

#include "platform/gdi/gdi.h"
#include "platform/gdi/object_table.h"

namespace gdi {

using detail::ObjectTable;

HDC CreateCompatibleDC(HDC reference) {
  ObjectTable& table = ObjectTable::Instance();
  if (reference && !table.FindDc(reference.id)) return HDC{};
  const std::uint32_t id =
      table.Add(detail::DeviceContext{table.StockBitmap(), table.StockBrush()});
  if (id == 0) return HDC{};
  table.FindBrush(table.StockBrush())->selections++;
  return HDC{id};
}

// Objects still selected into the context are let go, not deleted: their owners delete them.
BOOL DeleteDC(HDC dc) {
  ObjectTable& table = ObjectTable::Instance();
  detail::DeviceContext* context = table.FindDc(dc.id);
  if (!context) return 0;
  if (auto* bitmap = table.FindBitmap(context->bitmap); bitmap && bitmap->selectedInto == dc.id)
    bitmap->selectedInto = 0;
  if (auto* brush = table.FindBrush(context->brush)) brush->selections--;
  table.Erase(dc.id);
  return 1;
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  return HBRUSH{ObjectTable::Instance().Add(detail::Brush{colour & 0x00FFFFFF, 0})};
}

static HGDIOBJ SelectBitmap(ObjectTable& table, detail::DeviceContext& context, HDC dc,
                            HGDIOBJ object, detail::BitmapObject& bitmap) {
  const bool stock = object.id == table.StockBitmap();
  if (!stock && bitmap.selectedInto != 0 && bitmap.selectedInto != dc.id) return HGDIOBJ{};
  const HGDIOBJ previous{context.bitmap};
  if (auto* old = table.FindBitmap(context.bitmap); old && old->selectedInto == dc.id)
    old->selectedInto = 0;
  if (!stock) bitmap.selectedInto = dc.id;
  context.bitmap = object.id;
  return previous;
}

static HGDIOBJ SelectBrush(ObjectTable& table, detail::DeviceContext& context, HGDIOBJ object,
                           detail::Brush& brush) {
  const HGDIOBJ previous{context.brush};
  if (auto* old = table.FindBrush(context.brush)) old->selections--;
  brush.selections++;
  context.brush = object.id;
  return previous;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  ObjectTable& table = ObjectTable::Instance();
  detail::DeviceContext* context = table.FindDc(dc.id);
  if (!context) return HGDIOBJ{};
  if (auto* bitmap = table.FindBitmap(object.id))
    return SelectBitmap(table, *context, dc, object, *bitmap);
  if (auto* brush = table.FindBrush(object.id)) return SelectBrush(table, *context, object, *brush);
  return HGDIOBJ{};
}

BOOL DeleteObject(HGDIOBJ object) {
  ObjectTable& table = ObjectTable::Instance();
  if (table.IsStock(object.id)) return 0;
  if (auto* bitmap = table.FindBitmap(object.id)) {
    if (bitmap->selectedInto != 0) return 0;
  } else if (auto* brush = table.FindBrush(object.id)) {
    if (brush->selections != 0) return 0;
  } else {
    return 0;
  }
  table.Erase(object.id);
  return 1;
}

// The height is reported as a magnitude, whichever way the rows are stored.
int GetObjectA(HGDIOBJ object, int size, BITMAP* out) {
  auto* found = ObjectTable::Instance().FindBitmap(object.id);
  if (!found || !out || size < 24) return 0;
  const detail::Bitmap& bitmap = *found->bitmap;
  *out = BITMAP{};
  out->bmWidth = bitmap.width;
  out->bmHeight = bitmap.height;
  out->bmWidthBytes = bitmap.stride;
  out->bmPlanes = 1;
  out->bmBitsPixel = static_cast<WORD>(bitmap.bitCount);
  out->bmBits = bitmap.isDibSection ? bitmap.pixels.get() : nullptr;
  return static_cast<int>(sizeof(BITMAP));
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colours) {
  const detail::Bitmap* bitmap = ObjectTable::Instance().SelectedBitmap(dc.id);
  if (!bitmap || !colours || !bitmap->isDibSection || !bitmap->IsPaletted()) return 0;
  if (start >= bitmap->colourCount) return 0;
  const UINT copied = std::min(count, bitmap->colourCount - start);
  std::memcpy(colours, bitmap->colours.data() + start, copied * sizeof(RGBQUAD));
  return copied;
}

}  // namespace gdi
