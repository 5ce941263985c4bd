#pragma once
// Whether eveda-batch's DIRECTORY can be listed at all. The window's scan treats a folder it
// cannot list like one without bitmaps; on the command line the difference matters.

#include <optional>
#include <string>

namespace app {

// The system's reason (strerror) why `path` cannot be opened as a directory, or nothing.
std::optional<std::string> DirectoryProblem(const std::string& path);

}  // namespace app
