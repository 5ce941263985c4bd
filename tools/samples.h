#pragma once
// What eveda-samples writes: a showcase of small images of every depth the joiner reads, or
// numbered tiles of one size for benchmarks.

#include <optional>
#include <string>
#include <vector>

namespace tools {

struct SampleRequest {
  std::string directory;
  bool tiles = false;  // false: the showcase
  int count = 0;
  int width = 0;
  int height = 0;
  int bitCount = 24;  // tiles: 24, or 8 with a 256-entry palette
};

// DIR | DIR --count N --size WxH [--bits 8|24]; nothing when the arguments are not that. A
// DIR that starts with "-" is a mistyped option, not a folder to make ("./-x" is one).
std::optional<SampleRequest> ParseSampleArguments(const std::vector<std::string>& arguments);

// --help or -h anywhere.
bool AsksForHelp(const std::vector<std::string>& arguments);

inline constexpr const char* kSamplesUsage =
    "usage: eveda-samples DIR [--count N --size WxH [--bits 8|24]]";
inline constexpr const char* kSamplesHelp =
    "usage: eveda-samples DIR [--count N --size WxH [--bits 8|24]]\n"
    "Writes BMP files to try Eveda on into DIR, which is created when missing.\n"
    "  DIR                    a few small images of every depth the joiner reads\n"
    "  --count N --size WxH   N numbered tiles of W x H pixels (N up to 10000, W and H\n"
    "                         up to 4096), for the benchmarks\n"
    "  --bits 8|24            the tiles' depth: 24 bits, or 8 with a palette\n"
    "  -h, --help             print this and exit\n";

// Writes the files into the directory (creating it) and returns their paths in order; on
// the first file that cannot be written, the paths so far and that file's path as `failed`.
struct SampleOutcome {
  std::vector<std::string> written;
  std::string failed;
};
SampleOutcome WriteSamples(const SampleRequest& request);

}  // namespace tools
