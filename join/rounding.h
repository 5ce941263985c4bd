#pragma once
// Wherever a fraction becomes a whole number, it goes to the nearest one with halves to the
// even neighbour (2.5 gives 2, 3.5 gives 4), once, on the whole expression.

#include <cmath>
#include <cstdint>
#include <optional>

namespace join {

// Independent of the floating-point rounding mode, unlike std::nearbyint.
inline double RoundHalfEven(double value) {
  if (std::fabs(value - std::trunc(value)) == 0.5) return 2.0 * std::round(value / 2.0);
  return std::round(value);
}

// The rounded value, or nothing when it does not fit a signed 32-bit integer (infinities
// and NaN included): such a value must never reach an int32 conversion.
inline std::optional<std::int32_t> RoundToInt32(double value) {
  const double rounded = RoundHalfEven(value);
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) return std::nullopt;
  return static_cast<std::int32_t>(rounded);
}

}  // namespace join
