#pragma once
// The window's command line is one directory; `--version` and `--help` are answered instead
// only when no directory has that name.

#include <optional>
#include <string>

namespace app {

// What `eveda` prints for a command line that asks for its version or its usage, or nothing
// when the command line names a directory to open.
std::optional<std::string> AnswerInsteadOfWindow(const std::string& commandLine,
                                                 const std::string& version);

}  // namespace app
