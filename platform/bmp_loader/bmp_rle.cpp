// RLE8 and RLE4 streams. Codes come in byte pairs: a count and a value for an encoded run,
// or 0 and an escape: 0 end of line, 1 end of bitmap, 2 delta (right, up), 3..255 an
// absolute run padded to a 16-bit boundary. Anything past the right edge or the top row is
// dropped, never wrapped; pixels the stream skips keep index 0; a stream that stops early
// (no end-of-bitmap, or cut inside a code) leaves the rest at index 0.

#include <algorithm>
#include <cstring>

#include "platform/bmp_loader/bmp_stages.h"

namespace bmp_loader {
namespace {

// The pen of an RLE stream. x and y stop growing at the edges so that hostile counts cannot
// overflow them.
class RlePen {
 public:
  RlePen(const Layout& layout, std::span<std::uint8_t> pixels) : layout_(layout), pixels_(pixels) {}

  bool done() const { return y_ >= layout_.height; }
  std::int64_t x() const { return x_; }
  void advance(std::int64_t dx) { x_ = std::min<std::int64_t>(x_ + dx, layout_.width); }
  void NextLine() {
    x_ = 0;
    ++y_;
  }
  void delta(std::int64_t dx, std::int64_t dy) {
    advance(dx);
    y_ = std::min<std::int64_t>(y_ + dy, layout_.height);
  }
  // Pixels of this line still inside the bitmap from x, at most `count`.
  std::int64_t visible(std::int64_t count) const {
    return std::max<std::int64_t>(0, std::min<std::int64_t>(count, layout_.width - x_));
  }
  std::span<std::uint8_t> row() const { return BitmapRow(layout_, pixels_, y_); }

 private:
  const Layout& layout_;
  std::span<std::uint8_t> pixels_;
  std::int64_t x_ = 0;
  std::int64_t y_ = 0;
};

void SetNibble(std::span<std::uint8_t> row, std::int64_t x, std::uint8_t value) {
  std::uint8_t& byte = row[static_cast<std::size_t>(x / 2)];
  byte = (x % 2 == 0) ? static_cast<std::uint8_t>((byte & 0x0F) | (value << 4))
                      : static_cast<std::uint8_t>((byte & 0xF0) | (value & 0x0F));
}

// Handles the escapes shared by both depths; false when the stream ends here.
bool ApplyEscape(ByteCursor& cursor, std::uint8_t escape, RlePen& pen) {
  switch (escape) {
    case 0:
      pen.NextLine();
      return true;
    case 1:
      return false;
    default:  // 2: delta
      if (!cursor.Has(2)) return false;
      const std::uint8_t dx = cursor.U8();
      pen.delta(dx, cursor.U8());
      return true;
  }
}

}  // namespace

void DecodeRle8(ByteCursor& cursor, const Layout& layout, std::span<std::uint8_t> pixels) {
  RlePen pen(layout, pixels);
  while (!pen.done() && cursor.Has(2)) {
    const std::uint8_t count = cursor.U8();
    const std::uint8_t value = cursor.U8();
    if (count > 0) {
      std::memset(pen.row().data() + pen.x(), value, static_cast<std::size_t>(pen.visible(count)));
      pen.advance(count);
    } else if (value >= 3) {
      const std::size_t padded = value + (value & 1u);
      if (!cursor.Has(padded)) return;
      const auto run = cursor.Take(padded);
      std::memcpy(pen.row().data() + pen.x(), run.data(),
                  static_cast<std::size_t>(pen.visible(value)));
      pen.advance(value);
    } else if (!ApplyEscape(cursor, value, pen)) {
      return;
    }
  }
}

void DecodeRle4(ByteCursor& cursor, const Layout& layout, std::span<std::uint8_t> pixels) {
  RlePen pen(layout, pixels);
  while (!pen.done() && cursor.Has(2)) {
    const std::uint8_t count = cursor.U8();
    const std::uint8_t value = cursor.U8();
    if (count > 0) {
      const auto row = pen.row();
      const std::uint8_t colours[2] = {static_cast<std::uint8_t>(value >> 4),
                                       static_cast<std::uint8_t>(value & 0x0F)};
      for (std::int64_t i = 0, n = pen.visible(count); i < n; ++i) {
        SetNibble(row, pen.x() + i, colours[i % 2]);
      }
      pen.advance(count);
    } else if (value >= 3) {
      const std::size_t bytes = (value + 1u) / 2;
      const std::size_t padded = bytes + (bytes & 1u);
      if (!cursor.Has(padded)) return;
      const auto run = cursor.Take(padded);
      const auto row = pen.row();
      for (std::int64_t i = 0, n = pen.visible(value); i < n; ++i) {
        const std::uint8_t byte = run[static_cast<std::size_t>(i / 2)];
        SetNibble(row, pen.x() + i, i % 2 == 0 ? byte >> 4 : byte & 0x0F);
      }
      pen.advance(value);
    } else if (!ApplyEscape(cursor, value, pen)) {
      return;
    }
  }
}

}  // namespace bmp_loader
