#include "join/output_name.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace join {

bool NameIsTaken(const std::string& path) {
  std::error_code error;
  // symlink_status, so that a link is taken whether or not its target exists.
  const auto status = std::filesystem::symlink_status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) return false;
  return true;
}

std::string OutputName(int number) {
  char digits[4];
  std::snprintf(digits, sizeof digits, "%03d", number);
  return std::string("plemo") + digits + ".bmp";
}

std::optional<std::string> FirstFreeOutputPath(const std::string& dir) {
  for (int number = kFirstOutputNumber; number <= kLastOutputNumber; ++number) {
    std::string candidate = dir + OutputName(number);
    if (!NameIsTaken(candidate)) return candidate;
  }
  return std::nullopt;
}

std::string ChooseOutputPath(const std::string& dir) {
  return FirstFreeOutputPath(dir).value_or(dir + OutputName(kLastOutputNumber));
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

}  // namespace join
