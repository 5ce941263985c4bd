#pragma once
// The ranges the window's boxes accept, checked when an option is read, so that a value the
// run would refuse is a usage error naming the option rather than "invalid settings".

#include <optional>
#include <string>
#include <string_view>

namespace batch {

// For a number option (-W, -H, -s, -w, by short name) and its text, already known to be a
// number: why the window would refuse it, or nothing. The text is read as the box reads it:
// the cell width as typed, the others rounded half to even.
std::optional<std::string> OutOfRange(char shortName, std::string_view longName,
                                      std::string_view value);

}  // namespace batch
