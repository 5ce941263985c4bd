#include "app/output_target.h"

#include <sys/stat.h>

#include <filesystem>

#include "dsmod/output_file.h"

namespace app {
namespace {

// The path with its folder resolved through every link; the name itself stays, so that a
// file that does not exist yet still has one.
std::string Canonical(const std::string& path) {
  const std::filesystem::path full(DSMod::ResolvedTarget(path));
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::weakly_canonical(
      full.has_parent_path() ? full.parent_path() : std::filesystem::path("."), error);
  return (folder / full.filename()).string();
}

}  // namespace

std::function<bool(const std::string&)> SameFileAs(const std::string& output) {
  struct stat target;
  if (::stat(output.c_str(), &target) == 0) {
    return [device = target.st_dev, inode = target.st_ino](const std::string& path) {
      struct stat source;
      return ::stat(path.c_str(), &source) == 0 && source.st_dev == device &&
             source.st_ino == inode;
    };
  }
  const std::string resolved = Canonical(output);
  const std::string name = std::filesystem::path(resolved).filename().string();
  return [resolved, name](const std::string& path) {
    // Only a file of the same name can resolve to the same path; the rest cost no lookup.
    return std::filesystem::path(path).filename() == name && Canonical(path) == resolved;
  };
}

}  // namespace app
