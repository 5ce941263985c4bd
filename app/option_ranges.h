#pragma once
// The ranges the window's boxes accept, checked when an option is read, so that a value the
// run would refuse is a usage error naming the option rather than "invalid settings".

#include <optional>
#include <string>
#include <string_view>

namespace app {

// For a number option (-W, -H, -s, -w, by short name), its text and the number it reads as:
// why the window would refuse it, or nothing. The cell width is taken as typed, the others
// rounded half to even.
std::optional<std::string> OutOfRange(char shortName, std::string_view longName,
                                      std::string_view value, double number);

}  // namespace app
