#pragma once
// eveda-batch run in-process with its options parsed as from a command line.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/batch_options.h"
#include "app/batch_run.h"

namespace eveda::testing {

struct BatchResult {
  int status = -1;
  std::string out;
  std::string err;
};

// The run with -q before `args`, saving through `fileSystem`; status -1 when the options do not
// parse.
inline BatchResult RunBatchWith(
    std::vector<std::string> args,
    DSMod::detail::FileSystem& fileSystem = DSMod::detail::SystemFileSystem()) {
  args.insert(args.begin(), "-q");
  const std::vector<std::string_view> views(args.begin(), args.end());
  const auto options = app::ParseBatchOptions(views);
  EXPECT_TRUE(options) << options.error();
  if (!options) return {};
  std::ostringstream out;
  std::ostringstream err;
  const int status = app::RunBatch(*options, out, err, fileSystem);
  return {status, out.str(), err.str()};
}

}  // namespace eveda::testing
