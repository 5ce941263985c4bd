#pragma once
// How names are compared and lower-cased: always with ICU and a fixed locale, never with the
// process locale, so the order of a listing is the same on every machine.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace GTFile {

// Lower-cases a UTF-8 name letter by letter, non-ASCII letters included.
std::string LowerCaseName(std::string_view name);

// Sorts names ascending without regard to case; names equal under that comparison keep
// code-point order, so the result never depends on the order the file system returned them in.
void SortNames(std::vector<std::string>::iterator first, std::vector<std::string>::iterator last);

// The same order as a permutation: element i is the index in `names` of the i-th name.
std::vector<std::size_t> NameOrder(const std::vector<std::string>& names);

// The collation key of `text` in name order: texts compare as their keys do, bytewise.
std::string NameCollationKey(std::string_view text);

// Natural order: each name is cut into runs of ASCII digits and runs of anything else, and the
// runs are compared in turn. Digit runs compare by value, of any length; other runs by name
// order; a digit run against another run goes where name order puts "0" ("_1" < "1" < "a").
// A name whose runs all compare equal to another's but that has fewer leading zeros in the first
// digit run where the two differ comes first (img2 < img02 < img002); then code-point order
// decides, as in name order, so only identical names are equal, and those keep their order.
// Digits other than ASCII 0-9 (fullwidth, Arabic-Indic...) are text, not numbers.
std::vector<std::size_t> NaturalOrder(const std::vector<std::string>& names);
void SortNamesNaturally(std::vector<std::string>::iterator first,
                        std::vector<std::string>::iterator last);

}  // namespace GTFile
