#pragma once
// Names as eveda-batch prints them: a name is untrusted text, and an escape sequence or a
// newline in it must not reach the terminal or split a line.

#include <string>
#include <string_view>

namespace app {

// True when `text` holds a control character (C0, DEL or C1), a bidirectional or invisible
// format character (U+200B to U+200F, U+202A to U+202E, U+2066 to U+2069) or bytes that are
// not UTF-8.
bool NeedsShellQuoting(std::string_view text);

// `text` unchanged when it needs no quoting, '' when it is empty; otherwise quoted as GNU
// `ls --quoting-style=shell-escape` quotes it ('esc'$'\033''[2J.bmp'), which a POSIX shell
// reads back as the same bytes.
std::string ShellQuoted(std::string_view text);

}  // namespace app
