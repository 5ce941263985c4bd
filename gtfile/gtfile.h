#pragma once
// Sorted listings of a directory: the files matching wildcard patterns (optionally from the
// whole tree below it) and its subdirectories.

#include <string>
#include <string_view>
#include <vector>

#include "gtfile/list_order.h"

namespace GTFile {

// A one-based list of names: element 0 exists and is always empty, elements 1 to the upper
// bound hold the entries, so the upper bound (size() - 1) is the number of entries.
using NameList = std::vector<std::string>;

// The number of entries of a name list: its upper bound.
inline int UBound(const NameList& list) {
  return list.empty() ? 0 : static_cast<int>(list.size()) - 1;
}

// Replaces `FileNames` with the names of the regular, non-hidden files of `DirPath` whose
// lower-cased name matches any of `Patterns`, sorted without regard to case. With `Recurse`
// the matches of every subdirectory come first, as "sub/deeper/x.bmp", subdirectory by
// subdirectory in sorted order. A missing or unreadable directory gives an empty list.
// `Order` orders each directory's files, and its subdirectories too when it is natural or none
// (none: the file system's order); otherwise subdirectories go in name order. A link to a
// directory already on the way down from `DirPath` is not entered, so link loops end.
// `Reverse` reads each directory's files, and its subdirectories, backwards.
void FindFiles(std::string DirPath, NameList& FileNames, const std::vector<std::string>& Patterns,
               bool Recurse, ListOrder Order = ListOrder::Name, bool Reverse = false);

// Replaces `DirNames` with the sorted names of the non-hidden subdirectories of `DirPath`.
void ListSubDirs(std::string DirPath, NameList& DirNames);

// Whole-name wildcard match, case significant: * any run, ? any one character, # one digit,
// [list] one of the list, [!list] one not in it, ranges written a-z.
bool MatchesPattern(std::string_view name, std::string_view pattern);

// Appends "/" unless the text already ends in one.
std::string NormalizeDir(std::string dir);

}  // namespace GTFile
