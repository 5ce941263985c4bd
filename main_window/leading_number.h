#pragma once
// How a settings box's text becomes a number: the leading number of the text, the rest
// ignored, so that a half-typed "12a" still means 12 and an empty box means 0.

#include <string_view>

namespace main_window {

// Spaces, tabs and line feeds are skipped wherever they stand ("1 2" is 12); then a sign,
// decimal digits with one "." and an exponent (E or e, a sign, digits), or "&H" with
// hexadecimal or "&O" with octal digits. Reading stops at the first character that cannot
// continue the number; a text without a number reads as 0. A carriage return is not a blank:
// a single-line box never holds one, and a text that does is not a plain number.
double LeadingNumber(std::string_view text);

}  // namespace main_window
