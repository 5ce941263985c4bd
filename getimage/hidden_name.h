#pragma once
// Which names the probe treats as absent, written once for FileHasData and ReadBMPInfo.

#include <filesystem>
#include <string>

namespace GetImage::detail {

// Dot-files are hidden; a path that names no file (empty, or ending in "/") is absent too.
inline bool IsHiddenName(const std::string& path) {
  const std::string name = std::filesystem::path(path).filename().string();
  return name.empty() || name.front() == '.';
}

}  // namespace GetImage::detail
