// Uncompressed rows: one copy per row, straight into the bitmap.

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/bmp_loader/bmp_stages.h"

namespace bmp_loader {
namespace {

// Each 2-bit source byte (four pixels) becomes two 4-bit bytes.
constexpr std::array<std::uint16_t, 256> MakeTwoBitTable() {
  std::array<std::uint16_t, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    const unsigned p0 = (byte >> 6) & 3, p1 = (byte >> 4) & 3, p2 = (byte >> 2) & 3, p3 = byte & 3;
    table[byte] = static_cast<std::uint16_t>(((p0 << 4) | p1) | (((p2 << 4) | p3) << 8));
  }
  return table;
}
constexpr std::array<std::uint16_t, 256> kTwoBitToFour = MakeTwoBitTable();

void ExpandTwoBitRow(std::span<const std::uint8_t> source, std::span<std::uint8_t> row) {
  const std::size_t count = std::min(source.size(), row.size() / 2);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint16_t pair = kTwoBitToFour[source[i]];
    row[2 * i] = static_cast<std::uint8_t>(pair);
    row[2 * i + 1] = static_cast<std::uint8_t>(pair >> 8);
  }
}

}  // namespace

void DecodeRows(ByteCursor& cursor, const DecodePlan& plan, std::span<std::uint8_t> pixels) {
  const Layout& layout = plan.layout;
  const std::size_t rowBytes =
      (static_cast<std::size_t>(layout.width) * plan.sourceBitCount + 7) / 8;
  for (std::int64_t i = 0; i < layout.height; ++i) {
    if (!cursor.Has(rowBytes)) return;
    const auto source = cursor.Take(rowBytes);
    cursor.Skip(std::min(plan.sourceStride - rowBytes, cursor.remaining()));
    const std::int64_t row = plan.topDown ? layout.height - 1 - i : i;
    const auto target = BitmapRow(layout, pixels, row);
    if (plan.sourceBitCount == 2) {
      ExpandTwoBitRow(source, target);
    } else {
      std::memcpy(target.data(), source.data(), std::min(rowBytes, target.size()));
    }
  }
}

}  // namespace bmp_loader
