#include "app/shell_quote.h"

#include <unicode/utf8.h>

#include <cstdint>

namespace app {
namespace {

// One character of the text: a code point, or an ill-formed run of bytes.
struct Unit {
  std::string_view bytes;
  bool escaped = false;
};

// Control characters, and the format characters that reorder or hide the text around them
// (zero-width spaces and joiners, bidirectional embeddings, overrides and isolates): a name
// holding one would not read as the bytes it is.
bool IsControl(UChar32 c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x200B && c <= 0x200F) ||
         (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The unit starting at `at`; `at` moves past it.
Unit NextUnit(std::string_view text, std::int32_t& at) {
  const std::int32_t start = at;
  UChar32 c = 0;
  U8_NEXT(reinterpret_cast<const std::uint8_t*>(text.data()), at,
          static_cast<std::int32_t>(text.size()), c);
  return {text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(at - start)),
          c < 0 || IsControl(c)};
}

// Inside $'...': the shell's letter escapes where it has one, else three octal digits.
void AppendEscaped(std::string& out, unsigned char byte) {
  static constexpr std::string_view kLetters = "abtnvfr";  // 7 to 13
  out += '\\';
  if (byte >= 7 && byte <= 13) {
    out += kLetters[byte - 7];
    return;
  }
  out += static_cast<char>('0' + (byte >> 6));
  out += static_cast<char>('0' + ((byte >> 3) & 7));
  out += static_cast<char>('0' + (byte & 7));
}

}  // namespace

bool NeedsShellQuoting(std::string_view text) {
  for (std::int32_t at = 0; at < static_cast<std::int32_t>(text.size());) {
    if (NextUnit(text, at).escaped) return true;
  }
  return false;
}

std::string ShellQuoted(std::string_view text) {
  // An empty name would vanish from the line it is printed in.
  if (text.empty()) return "''";
  if (!NeedsShellQuoting(text)) return std::string(text);
  std::string out = "'";
  bool insideDollarQuote = false;  // a $'...' is open and must be closed before plain text
  for (std::int32_t at = 0; at < static_cast<std::int32_t>(text.size());) {
    const Unit unit = NextUnit(text, at);
    if (unit.escaped) {
      if (!insideDollarQuote) out += "'$'";
      insideDollarQuote = true;
      for (const char byte : unit.bytes) AppendEscaped(out, static_cast<unsigned char>(byte));
    } else if (unit.bytes == "'") {
      // Closes whichever quote is open, adds the quote itself, opens a plain one.
      out += "'\\''";
      insideDollarQuote = false;
    } else {
      if (insideDollarQuote) out += "''";
      insideDollarQuote = false;
      out += unit.bytes;
    }
  }
  out += '\'';
  return out;
}

}  // namespace app
