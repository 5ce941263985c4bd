#include "app/directory_check.h"

#include <dirent.h>

#include <cerrno>
#include <system_error>

namespace app {

std::optional<std::string> DirectoryProblem(const std::string& path) {
  // Opening it is the one test that covers every reason at once: missing, not a directory,
  // no permission to read it.
  DIR* directory = opendir(path.c_str());
  if (directory == nullptr) return std::generic_category().message(errno);
  closedir(directory);
  return std::nullopt;
}

}  // namespace app
