#include <algorithm>
#include <string>
#include <vector>

#include "gtfile/enumerate.h"
#include "gtfile/gtfile.h"
#include "gtfile/list_order.h"
#include "gtfile/name_text.h"

namespace GTFile {
namespace {

// The directories entered on the way down from the listed one; a link leading back to one of
// them would otherwise recurse without end.
using RecursionPath = std::vector<DirIdentity>;

// Puts the names of entries of `dir` in `order`; equal times and sizes fall in name order.
void PutInOrder(const std::string& dir, std::vector<std::string>& names, ListOrder order) {
  if (order == ListOrder::None) return;
  if (order == ListOrder::Natural) return SortNamesNaturally(names.begin(), names.end());
  SortNames(names.begin(), names.end());
  if (order == ListOrder::Name) return;
  std::vector<ListedFile> files = WithFileFacts(dir, std::move(names));
  SortListing(files, order, false);
  names.clear();
  for (ListedFile& file : files) names.push_back(std::move(file.name));
}

// Subdirectories go in name order unless the order is natural or none: a directory's time or
// size says nothing about the pictures in it.
ListOrder SubDirOrder(ListOrder order) {
  return order == ListOrder::Natural || order == ListOrder::None ? order : ListOrder::Name;
}

std::vector<std::string> SortedSubDirs(const std::string& dir, ListOrder order,
                                       bool reverse = false) {
  std::vector<std::string> names;
  for (DirEntry& entry : EnumerateDir(dir, AttributeSet::WithDirectories)) {
    if (entry.name == "." || entry.name == ".." || !entry.isDirectory) continue;
    names.push_back(std::move(entry.name));
  }
  PutInOrder(dir, names, order);
  if (reverse) std::reverse(names.begin(), names.end());
  return names;
}

std::vector<std::string> SortedMatchingFiles(const std::string& dir,
                                             const std::vector<std::string>& patterns,
                                             ListOrder order, bool reverse) {
  std::vector<std::string> names;
  for (DirEntry& entry : EnumerateDir(dir, AttributeSet::Plain)) {
    const std::string lowered = LowerCaseName(entry.name);
    const bool matched = std::any_of(patterns.begin(), patterns.end(), [&](const auto& pattern) {
      return MatchesPattern(lowered, pattern);
    });
    if (matched) names.push_back(std::move(entry.name));
  }
  PutInOrder(dir, names, order);
  if (reverse) std::reverse(names.begin(), names.end());
  return names;
}

// Appends the matches of `dir` (normalised) to `names`, each behind `prefix`: every
// subdirectory's group first, in subdirectory order, then the directory's own files. Each group
// is ordered by bare name before the prefix goes on, so a prefix never changes the order.
void AppendMatches(const std::string& dir, const std::string& prefix,
                   const std::vector<std::string>& patterns, bool recurse, ListOrder order,
                   bool reverse, RecursionPath& path, NameList& names) {
  if (recurse) {
    const std::optional<DirIdentity> identity = IdentifyDir(dir);
    if (!identity || std::find(path.begin(), path.end(), *identity) != path.end()) return;
    path.push_back(*identity);
    for (const std::string& sub : SortedSubDirs(dir, SubDirOrder(order), reverse))
      AppendMatches(dir + sub + "/", prefix + sub + "/", patterns, recurse, order, reverse, path,
                    names);
    path.pop_back();
  }
  for (std::string& name : SortedMatchingFiles(dir, patterns, order, reverse))
    names.push_back(prefix + name);
}

}  // namespace

std::string NormalizeDir(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir.push_back('/');
  return dir;
}

void FindFiles(std::string DirPath, NameList& FileNames, const std::vector<std::string>& Patterns,
               bool Recurse, ListOrder Order, bool Reverse) {
  FileNames.assign(1, std::string());
  RecursionPath path;
  AppendMatches(NormalizeDir(std::move(DirPath)), std::string(), Patterns, Recurse, Order, Reverse,
                path, FileNames);
}

void ListSubDirs(std::string DirPath, NameList& DirNames) {
  DirNames.assign(1, std::string());
  for (std::string& name : SortedSubDirs(NormalizeDir(std::move(DirPath)), ListOrder::Name))
    DirNames.push_back(std::move(name));
}

}  // namespace GTFile
