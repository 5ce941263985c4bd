#include "app/option_ranges.h"

#include <cstdint>
#include <limits>

#include "main_window/leading_number.h"
#include "main_window/rounding.h"

namespace batch {
namespace {

constexpr double kInt32Max = std::numeric_limits<std::int32_t>::max();

std::string Refusal(std::string_view longName, std::string_view rule, std::string_view value) {
  return "--" + std::string(longName) + " must be " + std::string(rule) + ", not '" +
         std::string(value) + "'";
}

}  // namespace

std::optional<std::string> OutOfRange(char shortName, std::string_view longName,
                                      std::string_view value) {
  const double number = main_window::LeadingNumber(value);
  if (shortName == 'W') {
    // The width keeps its fraction; a cell wider than any output could be is never drawn.
    if (!(number > 0)) return Refusal(longName, "more than 0", value);
    if (!(number <= kInt32Max)) return Refusal(longName, "at most 2147483647", value);
    return std::nullopt;
  }
  const std::optional<std::int32_t> rounded = main_window::RoundToInt32(number);
  const std::int32_t least = shortName == 's' ? 0 : 1;
  if (rounded && *rounded >= least) return std::nullopt;
  if (number > 0 && !rounded) return Refusal(longName, "at most 2147483647", value);
  return Refusal(longName, least == 0 ? "at least 0" : "at least 1", value);
}

}  // namespace batch
