#include "main_window/leading_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace main_window {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string WithoutBlanks(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if (!IsBlank(c)) kept += c;
  }
  return kept;
}

int DigitValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

double ReadRadixDigits(std::string_view digits, int radix) {
  double value = 0;
  for (char c : digits) {
    const int digit = DigitValue(c);
    if (digit >= radix) break;
    value = value * radix + digit;
  }
  return value;
}

// The decimal number at the start of `text` rewritten as sign, mantissa and exponent only,
// or "" when there is none.
std::string DecimalPrefix(std::string_view text) {
  std::string number;
  std::size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    if (text[at] == '-') number += '-';
    ++at;
  }
  bool hasDigit = false;
  bool hasPoint = false;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (IsDigit(c)) {
      hasDigit = true;
    } else if (c == '.' && !hasPoint) {
      hasPoint = true;
    } else {
      break;
    }
    number += c;
  }
  if (!hasDigit) return {};
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    std::size_t digitsAt = at + 1;
    std::string exponent = "e";
    if (digitsAt < text.size() && (text[digitsAt] == '+' || text[digitsAt] == '-')) {
      exponent += text[digitsAt++];
    }
    std::size_t end = digitsAt;
    while (end < text.size() && IsDigit(text[end])) ++end;
    // An exponent without digits is not part of the number: "1e" reads as 1.
    if (end > digitsAt) number += exponent + std::string(text.substr(digitsAt, end - digitsAt));
  }
  return number;
}

// Whether the first significant digit of a rewritten decimal (sign, mantissa, exponent)
// stands right of the decimal point: the number is then nearer 0 than 1. Out of range, that
// tells a number too small for a double from one too large, whatever the exponent's sign
// ("0.000…01" and "0.000…01e+3" are as small as "1e-999").
bool BelowOne(std::string_view number) {
  if (number.front() == '-') number.remove_prefix(1);
  const std::size_t e = number.find('e');
  const std::string_view mantissa = number.substr(0, e);
  std::int64_t exponent = 0;
  if (e != std::string_view::npos) {
    std::string_view digits = number.substr(e + 1);
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
      digits.remove_prefix(1);
    // Far beyond any double's range; stopping there keeps the sum below from overflowing.
    for (char c : digits)
      exponent = std::min<std::int64_t>(exponent * 10 + (c - '0'), 1'000'000'000);
    if (negative) exponent = -exponent;
  }
  const std::size_t first = mantissa.find_first_not_of("0.");
  if (first == std::string_view::npos) return true;  // all zeros
  const auto point = static_cast<std::int64_t>(std::min(mantissa.find('.'), mantissa.size()));
  const auto at = static_cast<std::int64_t>(first);
  const std::int64_t power = at < point ? point - at - 1 : point - at;
  return power + exponent < 0;
}

double ReadDecimal(std::string_view text) {
  const std::string number = DecimalPrefix(text);
  if (number.empty()) return 0;
  double value = 0;
  // from_chars, unlike strtod, never reads the decimal point from the process's locale.
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error == std::errc::result_out_of_range) {
    const double magnitude = BelowOne(number) ? 0.0 : std::numeric_limits<double>::infinity();
    return number.front() == '-' ? -magnitude : magnitude;
  }
  return value;
}

}  // namespace

double LeadingNumber(std::string_view text) {
  const std::string kept = WithoutBlanks(text);
  const std::string_view number = kept;
  if (number.size() >= 2 && number[0] == '&') {
    const char base = number[1];
    if (base == 'H' || base == 'h') return ReadRadixDigits(number.substr(2), 16);
    if (base == 'O' || base == 'o') return ReadRadixDigits(number.substr(2), 8);
    return 0;
  }
  return ReadDecimal(number);
}

}  // namespace main_window
