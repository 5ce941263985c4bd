#include "main_window/leading_number.h"

#include <charconv>
#include <cmath>
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
std::string DecimalPrefix(std::string_view text, bool& negativeExponent) {
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
      negativeExponent = text[digitsAt] == '-';
      exponent += text[digitsAt++];
    }
    std::size_t end = digitsAt;
    while (end < text.size() && IsDigit(text[end])) ++end;
    // An exponent without digits is not part of the number: "1e" reads as 1.
    if (end > digitsAt) number += exponent + std::string(text.substr(digitsAt, end - digitsAt));
  }
  return number;
}

double ReadDecimal(std::string_view text) {
  bool negativeExponent = false;
  const std::string number = DecimalPrefix(text, negativeExponent);
  if (number.empty()) return 0;
  double value = 0;
  // from_chars, unlike strtod, never reads the decimal point from the process's locale.
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error == std::errc::result_out_of_range) {
    const double magnitude = negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
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
