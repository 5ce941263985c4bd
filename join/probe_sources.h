#pragma once
// The scan: the sizes of a job's sources, read on two threads (each is a few system calls and a
// header, and the second core has nothing else to do meanwhile), each with the reason when it
// cannot be read, so that nothing is opened again to explain a refusal.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formats/source_reader.h"

namespace join {

struct ScannedSource {
  std::string path;
  formats::ProbedImage size;                    // 0 x 0 when it cannot be read
  std::optional<formats::SourceError> refusal;  // why it cannot be read
  // The whole file, for a small one the scan could keep: opening it to draw then reads
  // nothing again.
  std::vector<std::uint8_t> kept;
};

// Small files kept whole by a scan that keeps any, at most this many bytes in all.
inline constexpr std::size_t kKeptBytes = std::size_t{16} << 20;

// Probes `paths` with `reader` (the window's: BMP only), keeping small files whole (up to
// kKeptBytes in all) when `keepFiles`. `finished(i)` is called on this thread for i = 1 .. n in order, as soon as the
// first i are read; when it throws, the other thread stops after the file it is reading and
// the exception goes on.
std::vector<ScannedSource> ProbeSources(
    std::vector<std::string> paths, const std::function<void(int i)>& finished,
    bool keepFiles = false,
    const formats::SourceReader& reader = formats::SourceReader::BmpOnly());

}  // namespace join
