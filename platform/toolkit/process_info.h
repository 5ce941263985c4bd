#pragma once
// What a window learns from the process that runs it.

#include <string>

namespace toolkit {

// The arguments after the program's own path, joined by single spaces and otherwise
// unaltered: a quoted path keeps its quotation marks, several words stay one text.
std::string JoinArguments(int argc, const char* const* argv);

// The directory that holds the running executable, without a trailing "/"; "" when unknown.
std::string ExecutableDirectory();

}  // namespace toolkit
