#pragma once
// The orders a listing can be put in, by name or by what the file system knows of each file.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace GTFile {

// name: name order without regard to case (SortNames); natural: digit runs by value
// (SortNamesNaturally); mtime: oldest first; size: smallest first; none: as given.
enum class ListOrder { Name, Natural, Mtime, Size, None };

// The orders' names as a user types them, in the enum's order.
inline constexpr std::array<std::string_view, 5> kListOrderNames = {"name", "natural", "mtime",
                                                                    "size", "none"};

struct ListedFile {
  std::string name;        // a bare name or a path, as listed
  std::int64_t mtime = 0;  // last modification, in nanoseconds since 1970
  std::uint64_t size = 0;  // in bytes
};

// Sorts `files` in `order`. Files whose mtime or size are equal keep the order they were given
// in, so a listing already in name order breaks those ties by name. `reverse` mirrors the
// whole result, ties included: it is always exactly the forward result read backwards.
void SortListing(std::vector<ListedFile>& files, ListOrder order, bool reverse);

// `names` with the mtime and size of the file each names, resolved against `dir` ("" or ending
// in "/"); links are followed. A name that cannot be examined keeps mtime 0 and size 0, so it
// sorts first: reading it later says why it failed.
std::vector<ListedFile> WithFileFacts(const std::string& dir, std::vector<std::string> names);

}  // namespace GTFile
