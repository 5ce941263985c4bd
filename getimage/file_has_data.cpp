#include <filesystem>
#include <system_error>

#include "getimage/getimage.h"
#include "getimage/hidden_name.h"

namespace GetImage {

bool FileHasData(std::string FilePath) {
  if (detail::IsHiddenName(FilePath)) return false;
  const std::filesystem::path path(std::move(FilePath));
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;  // follows links
  const std::uintmax_t length = std::filesystem::file_size(path, error);
  return !error && length >= 2;
}

}  // namespace GetImage
