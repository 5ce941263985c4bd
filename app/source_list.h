#pragma once
// The sources a job names: directories listed by -i in the chosen order, files as given, and
// the paths a list hands over.

#include <string>
#include <vector>

#include "app/batch_options.h"
#include "platform/result.h"

namespace app {

struct SourceList {
  std::vector<std::string> paths;  // in join order
  std::string leftOut;             // the output file, found in a directory and left out
};

// True when the job is the window's: one PATH, a directory (or missing, to be told as a
// directory is), and no list; it then proposes its output name in that directory.
bool IsOneDirectoryJob(const BatchOptions& options);

// The patterns a directory's files are matched by, lower-cased as the names are.
std::vector<std::string> PatternsOf(const BatchOptions& options);

// Every source in order; the error names a list that could not be read and why.
eveda::Result<SourceList, std::string> ListSources(const BatchOptions& options);

}  // namespace app
