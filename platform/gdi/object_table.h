#pragma once
// The one table behind every handle. Ids count up from 1 and are never handed out twice, so
// a deleted handle can never come to name a newer object.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <variant>

#include "platform/gdi/bitmap.h"
#include "platform/gdi/gdi.h"

namespace gdi::detail {

struct DeviceContext {
  std::uint32_t bitmap = 0;
  std::uint32_t brush = 0;
};

struct Brush {
  COLORREF colour = 0;
  int selections = 0;  // a brush may be current in several contexts at once
};

struct BitmapObject {
  std::unique_ptr<Bitmap> bitmap;
  std::uint32_t selectedInto = 0;  // the context holding it, 0 when none
};

class ObjectTable {
 public:
  static ObjectTable& Instance();

  // 0 when the ids are used up or memory is short.
  std::uint32_t Add(DeviceContext dc);
  std::uint32_t Add(Brush brush);
  std::uint32_t Add(std::unique_ptr<Bitmap> bitmap);

  DeviceContext* FindDc(std::uint32_t id);
  Brush* FindBrush(std::uint32_t id);
  BitmapObject* FindBitmap(std::uint32_t id);
  // The bitmap currently selected into a live context.
  Bitmap* SelectedBitmap(std::uint32_t dcId);

  bool IsStock(std::uint32_t id) const { return id == stockBitmap_ || id == stockBrush_; }
  std::uint32_t StockBitmap() const { return stockBitmap_; }
  std::uint32_t StockBrush() const { return stockBrush_; }

  void Erase(std::uint32_t id) { objects_.erase(id); }
  // Objects alive besides the stock ones; lets tests see that nothing leaks.
  std::size_t LiveCount() const { return objects_.size() - 2; }

 private:
  ObjectTable();
  using Object = std::variant<DeviceContext, Brush, BitmapObject>;
  std::uint32_t Insert(Object object);

  std::unordered_map<std::uint32_t, Object> objects_;
  std::uint32_t lastId_ = 0;
  std::uint32_t stockBitmap_ = 0;
  std::uint32_t stockBrush_ = 0;
};

}  // namespace gdi::detail
