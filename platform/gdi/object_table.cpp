#include "platform/gdi/object_table.h"

#include <limits>
#include <new>

namespace gdi::detail {
namespace {

// What a new context holds before anything is selected: one pixel of a monochrome bitmap.
// It is not a DIB section, so it reports no colour table and no pixel memory.
std::unique_ptr<Bitmap> MakeStockBitmap() {
  auto bitmap = std::make_unique<Bitmap>();
  bitmap->width = 1;
  bitmap->height = 1;
  bitmap->bitCount = 1;
  bitmap->stride = 4;
  bitmap->isDibSection = false;
  bitmap->pixels = PixelMemory::Zeroed(4);
  bitmap->colours[1] = RGBQUAD{255, 255, 255, 0};
  bitmap->colourCount = 2;
  return bitmap;
}

}  // namespace

ObjectTable& ObjectTable::Instance() {
  static ObjectTable table;
  return table;
}

ObjectTable::ObjectTable() {
  stockBitmap_ = Insert(BitmapObject{MakeStockBitmap(), 0});
  stockBrush_ = Insert(Brush{RGB(255, 255, 255), 0});
}

std::uint32_t ObjectTable::Insert(Object object) {
  if (lastId_ == std::numeric_limits<std::uint32_t>::max()) return 0;
  try {
    objects_.emplace(lastId_ + 1, std::move(object));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return ++lastId_;
}

std::uint32_t ObjectTable::Add(DeviceContext dc) { return Insert(dc); }
std::uint32_t ObjectTable::Add(Brush brush) { return Insert(brush); }
std::uint32_t ObjectTable::Add(std::unique_ptr<Bitmap> bitmap) {
  return Insert(BitmapObject{std::move(bitmap), 0});
}

template <class T>
static T* FindIn(
    std::unordered_map<std::uint32_t, std::variant<DeviceContext, Brush, BitmapObject>>& objects,
    std::uint32_t id) {
  if (id == 0) return nullptr;
  auto found = objects.find(id);
  return found == objects.end() ? nullptr : std::get_if<T>(&found->second);
}

DeviceContext* ObjectTable::FindDc(std::uint32_t id) { return FindIn<DeviceContext>(objects_, id); }
Brush* ObjectTable::FindBrush(std::uint32_t id) { return FindIn<Brush>(objects_, id); }
BitmapObject* ObjectTable::FindBitmap(std::uint32_t id) {
  return FindIn<BitmapObject>(objects_, id);
}

Bitmap* ObjectTable::SelectedBitmap(std::uint32_t dcId) {
  const DeviceContext* dc = FindDc(dcId);
  if (!dc) return nullptr;
  BitmapObject* object = FindBitmap(dc->bitmap);
  return object ? object->bitmap.get() : nullptr;
}

}  // namespace gdi::detail
