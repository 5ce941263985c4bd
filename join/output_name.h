#pragma once
// The output file's name: the first of plemo001.bmp to plemo999.bmp that is not taken.

#include <optional>
#include <string>

namespace join {

// Any entry of that name is taken: a file, a dot-file, a directory, a link (even one that
// leads nowhere), and anything whose presence cannot be ruled out. Writing over a directory
// would only make the run fail, and a name we cannot see into is not ours to overwrite.
bool NameIsTaken(const std::string& path);

// The names a run proposes are numbered from the first to the last of these.
inline constexpr int kFirstOutputNumber = 1;
inline constexpr int kLastOutputNumber = 999;

// The name numbered `number`, three digits wide: plemo001.bmp for 1.
std::string OutputName(int number);

// `dir` ends in "/". The first name not taken, or nothing when all are.
std::optional<std::string> FirstFreeOutputPath(const std::string& dir);

// The first name not taken; when all are, the last one, which the window's run then replaces.
std::string ChooseOutputPath(const std::string& dir);

// The directory part of `path`, ending in "/" ("./" for a bare name).
std::string DirectoryOf(const std::string& path);

}  // namespace join
