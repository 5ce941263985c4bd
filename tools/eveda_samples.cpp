// eveda-samples DIR: a handful of small, colourful BMP files of different sizes and depths
// in DIR (created when missing), to try the joiner on.
// eveda-samples DIR --count N --size WxH [--bits 8]: N tiles of W x H for benchmarks.

#include <cstdio>
#include <string>
#include <vector>

#include "tools/samples.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (tools::AsksForHelp(arguments)) {
    std::fputs(tools::kSamplesHelp, stdout);
    return 0;
  }
  const auto request = tools::ParseSampleArguments(arguments);
  if (!request) {
    std::fprintf(stderr, "%s\n", tools::kSamplesUsage);
    return 2;
  }
  const tools::SampleOutcome outcome = tools::WriteSamples(*request);
  for (const std::string& path : outcome.written) std::printf("%s\n", path.c_str());
  if (!outcome.failed.empty()) {
    std::fprintf(stderr, "eveda-samples: cannot write %s\n", outcome.failed.c_str());
    return 1;
  }
  return 0;
}
