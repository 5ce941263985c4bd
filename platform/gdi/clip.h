#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

namespace gdi::detail {

// One axis of a 1:1 copy after clipping: `length` pixels from `source` to `destination`.
struct ClippedSpan {
  std::int32_t destination = 0;
  std::int32_t source = 0;
  std::int32_t length = 0;
};

// Moves both starts together until each lies inside its bitmap, then cuts the length at the
// nearer far edge. nullopt when nothing is left.
inline std::optional<ClippedSpan> ClipSpan(std::int64_t destination, std::int64_t source,
                                           std::int64_t length, std::int64_t destinationSize,
                                           std::int64_t sourceSize) {
  if (destination < 0) {
    source -= destination;
    length += destination;
    destination = 0;
  }
  if (source < 0) {
    destination -= source;
    length += source;
    source = 0;
  }
  length = std::min({length, destinationSize - destination, sourceSize - source});
  if (length <= 0) return std::nullopt;
  return ClippedSpan{static_cast<std::int32_t>(destination), static_cast<std::int32_t>(source),
                     static_cast<std::int32_t>(length)};
}

}  // namespace gdi::detail
