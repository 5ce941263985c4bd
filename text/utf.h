#pragma once
// Text arrives as bytes from file names that may not be UTF-8; every step after this one works
// on code points, and every bad byte sequence becomes one U+FFFD so the user sees where it was.

#include <string>
#include <string_view>

namespace text {

std::u32string DecodeUtf8(std::string_view bytes);
std::string EncodeUtf8(std::u32string_view codePoints);

// The same bytes where they are valid UTF-8, U+FFFD for each maximal bad sequence.
std::string ValidUtf8(std::string_view bytes);

}  // namespace text
