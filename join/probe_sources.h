#pragma once
// The scan: the sizes of a job's sources, read on two threads (each is a few system calls and a
// header, and the second core has nothing else to do meanwhile), each with the reason when it
// cannot be read, so that nothing is opened again to explain a refusal.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "formats/source_reader.h"

namespace join {

struct ScannedSource {
  std::string path;
  formats::ProbedImage size;                    // 0 x 0 when it cannot be read
  std::optional<formats::SourceError> refusal;  // why it cannot be read
};

// Probes `paths` with `reader` (the window's: BMP only). `finished(i)` is called on this thread
// for i = 1 .. n in order, as soon as the first i are read; when it throws, the other thread
// stops after the file it is reading and the exception goes on.
//
// Each file is read again when it is drawn. Keeping the small ones whole from here to there
// was tried: on a folder of 2,500 small files the megabytes kept cost more in fresh pages than
// the second open saves.
std::vector<ScannedSource> ProbeSources(
    std::vector<std::string> paths, const std::function<void(int i)>& finished,
    const formats::SourceReader& reader = formats::SourceReader::BmpOnly());

// Each source's size as shown: sides swapped where its orientation turns it a quarter.
void TurnAsShown(std::span<ScannedSource> sources);

}  // namespace join
