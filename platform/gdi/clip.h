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

// Cuts a row span of a copy further to the rows the destination's and the source's memory
// hold (see Bitmap::firstRow); nullopt when none of them is left.
inline std::optional<ClippedSpan> ClipToStored(ClippedSpan span, std::int64_t destinationBegin,
                                               std::int64_t destinationEnd,
                                               std::int64_t sourceBegin, std::int64_t sourceEnd) {
  const std::int64_t shift = std::int64_t{span.source} - span.destination;
  const std::int64_t begin =
      std::max({std::int64_t{span.destination}, destinationBegin, sourceBegin - shift});
  const std::int64_t end =
      std::min({std::int64_t{span.destination} + span.length, destinationEnd, sourceEnd - shift});
  if (end <= begin) return std::nullopt;
  return ClippedSpan{static_cast<std::int32_t>(begin), static_cast<std::int32_t>(begin + shift),
                     static_cast<std::int32_t>(end - begin)};
}

}  // namespace gdi::detail
