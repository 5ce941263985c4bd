#include <filesystem>
#include <system_error>

#include "getimage/getimage.h"

namespace GetImage {

bool FileHasData(std::string FilePath) {
  const std::filesystem::path path(std::move(FilePath));
  const std::string name = path.filename().string();
  if (name.empty() || name.front() == '.') return false;  // dot-files are hidden
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;  // follows links
  const std::uintmax_t length = std::filesystem::file_size(path, error);
  return !error && length >= 2;
}

}  // namespace GetImage
