#pragma once
// How names are compared and lower-cased: always with ICU and a fixed locale, never with the
// process locale, so the order of a listing is the same on every machine.

#include <string>
#include <string_view>
#include <vector>

namespace GTFile {

// Lower-cases a UTF-8 name letter by letter, non-ASCII letters included.
std::string LowerCaseName(std::string_view name);

// Sorts names ascending without regard to case; names equal under that comparison keep
// code-point order, so the result never depends on the order the file system returned them in.
void SortNames(std::vector<std::string>::iterator first, std::vector<std::string>::iterator last);

}  // namespace GTFile
