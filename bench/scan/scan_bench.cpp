// How long the window takes to read a large directory: listing and sorting the names, then
// probing every header, as GetBMPList does when a folder is chosen. The files are written
// once and read several times, so the figures are for a warm cache.
//
//   scan_bench [FILES]     default 20000

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "formats/source_reader.h"
#include "getimage/getimage.h"
#include "gtfile/gtfile.h"
#include "join/probe_sources.h"
#include "join/proposals.h"

namespace {

constexpr int kRepeats = 5;

std::string SmallBmp() {
  // 8 by 8 at 24 bits: 54 header bytes and 8 rows of 24 bytes.
  std::string bytes(54 + 8 * 24, '\x7f');
  const auto put = [&](std::size_t at, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put(2, static_cast<std::uint32_t>(bytes.size()), 4);
  put(6, 0, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, 8, 4);
  put(22, 8, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(30, 0, 4);
  put(34, 8 * 24, 4);
  for (std::size_t at = 38; at < 54; ++at) bytes[at] = 0;
  return bytes;
}

// Names of several shapes and cases, so that the sort has real work to do.
std::string NameOf(int i) {
  static const char* const kShapes[] = {"IMG_%05d.bmp", "photo %d.BMP", "scan-%d-b.Bmp",
                                        "z%07d.bmp", "Shot (%d).bmp"};
  char name[64];
  const int scrambled = (i * 7919) % 100003;
  std::snprintf(name, sizeof name, kShapes[i % 5], scrambled);
  return name;
}

std::string MakeDirectory(int files) {
  std::string dir = (std::filesystem::temp_directory_path() / "eveda-scan-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) return {};
  const std::string bytes = SmallBmp();
  for (int i = 0; i < files; ++i) {
    std::ofstream(dir + "/" + NameOf(i), std::ios::binary) << bytes;
  }
  return dir;
}

// The best of several runs, in milliseconds: the least disturbed by the other work on the
// machine.
double BestMilliseconds(const std::function<void()>& work) {
  double best = 1e300;
  for (int run = 0; run < kRepeats; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
  const std::string dir = MakeDirectory(files);
  if (dir.empty()) {
    std::fprintf(stderr, "scan_bench: cannot create a temporary directory\n");
    return 1;
  }

  GTFile::NameList names;
  const double listing = BestMilliseconds([&] { GTFile::FindFiles(dir, names, {"*.bmp"}, false); });
  const std::string prefix = GTFile::NormalizeDir(dir);
  std::int32_t widest = 0;
  const double probing = BestMilliseconds([&] {
    for (int i = 1; i <= GTFile::UBound(names); ++i) {
      widest = std::max(widest, GetImage::ReadBMPInfo(prefix + names[i]).Width);
    }
  });

  // The scan both programs make: every file probed on two threads, and the proposals.
  join::Proposal proposal;
  const double whole = BestMilliseconds([&] {
    std::vector<std::string> paths;
    for (int i = 1; i <= GTFile::UBound(names); ++i) paths.push_back(prefix + names[i]);
    const auto scanned = join::ProbeSources(std::move(paths), [](int) {});
    proposal = join::ProposeSettings(scanned);
  });

  std::printf("scan_bench: %d files of 8x8 24-bit, warm cache, best of %d\n", files, kRepeats);
  std::printf("  listing and sorting (FindFiles)   %8.1f ms  (%d names)\n", listing,
              GTFile::UBound(names));
  std::printf("  probing headers (ReadBMPInfo)     %8.1f ms  (widest %d)\n", probing, widest);
  std::printf("  the scan (ProbeSources)          %8.1f ms  (cells %dx%d, wrap %d)\n", whole,
              proposal.BlockWidth, proposal.BlockHeight, proposal.WrapCount);

  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return 0;
}
