#include "app/source_list.h"

#include <sys/stat.h>

#include <functional>

#include "app/output_target.h"
#include "app/shell_quote.h"
#include "dsmod/output_file.h"
#include "gtfile/gtfile.h"
#include "gtfile/name_text.h"
#include "gtfile/path_list.h"

namespace app {
namespace {

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A file named on the command line is a source whatever it is: reading it says what is wrong.
bool IsNamedFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

void AppendDirectory(const BatchOptions& options, const std::string& directory,
                     const std::function<bool(const std::string&)>& isOutput, SourceList& list) {
  GTFile::NameList names;
  GTFile::FindFiles(directory, names, PatternsOf(options), options.recursive, options.sort,
                    options.reverse);
  const std::string prefix = GTFile::NormalizeDir(directory);
  for (std::size_t i = 1; i < names.size(); ++i) {
    std::string path = prefix + names[i];
    if (isOutput && isOutput(path)) {
      list.leftOut = path;
      continue;
    }
    list.paths.push_back(std::move(path));
  }
}

}  // namespace

bool IsOneDirectoryJob(const BatchOptions& options) {
  return options.paths.size() == 1 && !options.filesFrom && !IsNamedFile(options.paths.front());
}

std::vector<std::string> PatternsOf(const BatchOptions& options) {
  if (options.include.empty()) return {"*.bmp"};
  std::vector<std::string> lowered;
  for (const std::string& pattern : options.include)
    lowered.push_back(GTFile::LowerCaseName(pattern));
  return lowered;
}

eveda::Result<SourceList, std::string> ListSources(const BatchOptions& options) {
  const bool toFile = options.output && *options.output != DSMod::kStandardOutput;
  const auto isOutput =
      toFile ? SameFileAs(*options.output) : std::function<bool(const std::string&)>();
  SourceList list;
  for (const std::string& path : options.paths) {
    if (IsOneDirectoryJob(options) || IsDirectory(path)) {
      AppendDirectory(options, path, isOutput, list);
    } else {
      list.paths.push_back(path);
    }
  }
  if (options.filesFrom) {
    const auto format = options.nullSeparated ? GTFile::PathListFormat::NulSeparated
                                              : GTFile::PathListFormat::Lines;
    GTFile::PathList listed = GTFile::ReadPathList(*options.filesFrom, format);
    if (!listed) {
      const std::string name =
          *options.filesFrom == "-" ? "standard input" : ShellQuoted(*options.filesFrom);
      return eveda::Unexpected{name + ": " + listed.error()};
    }
    if (list.paths.empty()) {
      list.paths = std::move(*listed);
    } else {
      list.paths.insert(list.paths.end(), std::make_move_iterator(listed->begin()),
                        std::make_move_iterator(listed->end()));
    }
  }
  return list;
}

}  // namespace app
