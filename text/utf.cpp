#include "text/utf.h"

#include <unicode/utf8.h>

#include <cstdint>

namespace text {

std::u32string DecodeUtf8(std::string_view bytes) {
  std::u32string codePoints;
  codePoints.reserve(bytes.size());
  const auto* s = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const auto length = static_cast<std::int32_t>(bytes.size());
  for (std::int32_t i = 0; i < length;) {
    UChar32 c;
    U8_NEXT_OR_FFFD(s, i, length, c);
    codePoints.push_back(static_cast<char32_t>(c));
  }
  return codePoints;
}

std::string EncodeUtf8(std::u32string_view codePoints) {
  std::string bytes;
  bytes.reserve(codePoints.size());
  for (char32_t c : codePoints) {
    std::uint8_t unit[U8_MAX_LENGTH];
    std::int32_t n = 0;
    U8_APPEND_UNSAFE(unit, n, static_cast<UChar32>(c));
    bytes.append(reinterpret_cast<const char*>(unit), static_cast<std::size_t>(n));
  }
  return bytes;
}

std::string ValidUtf8(std::string_view bytes) { return EncodeUtf8(DecodeUtf8(bytes)); }

}  // namespace text
