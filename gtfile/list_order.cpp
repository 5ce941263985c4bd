#include "gtfile/list_order.h"

#include <algorithm>
#include <cstddef>
#include <utility>

#include <sys/stat.h>

#include "gtfile/keyed_order.h"
#include "gtfile/name_text.h"

namespace GTFile {
namespace {

std::vector<std::size_t> OrderOf(const std::vector<ListedFile>& files, ListOrder order) {
  if (order == ListOrder::Name || order == ListOrder::Natural) {
    std::vector<std::string> names;
    names.reserve(files.size());
    for (const ListedFile& file : files) names.push_back(file.name);
    return order == ListOrder::Name ? NameOrder(names) : NaturalOrder(names);
  }
  if (order == ListOrder::Mtime)
    return StableOrder(files, [](const auto& a, const auto& b) { return a.mtime < b.mtime; });
  return StableOrder(files, [](const auto& a, const auto& b) { return a.size < b.size; });
}

}  // namespace

void SortListing(std::vector<ListedFile>& files, ListOrder order, bool reverse) {
  if (order != ListOrder::None) ApplyOrder(files.begin(), OrderOf(files, order));
  if (reverse) std::reverse(files.begin(), files.end());
}

std::vector<ListedFile> WithFileFacts(const std::string& dir, std::vector<std::string> names) {
  std::vector<ListedFile> files;
  files.reserve(names.size());
  for (std::string& name : names) {
    ListedFile file;
    file.name = std::move(name);
    struct stat info {};
    if (stat((dir + file.name).c_str(), &info) == 0) {
      file.mtime = std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
      file.size = static_cast<std::uint64_t>(info.st_size);
    }
    files.push_back(std::move(file));
  }
  return files;
}

}  // namespace GTFile
