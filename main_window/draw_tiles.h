#pragma once
// The drawing pass: the output image band by band, each band the background and then every
// source's rows that fall into it, in source order; memory does not grow with the output.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "dsmod/dsmod.h"
#include "gtfile/gtfile.h"
#include "main_window/job_state.h"
#include "main_window/tile_plan.h"
#include "platform/bmp_loader/row_source.h"

namespace main_window {

// A source that kept its cell in the background colour, and why.
struct NotDrawnSource {
  std::string path;
  eveda::bmp::DecodeError reason = eveda::bmp::DecodeError::Unreadable;
  std::string detail;  // a PNG or JPEG decoder's own words, which say more than `reason`
  friend bool operator==(const NotDrawnSource&, const NotDrawnSource&) = default;
};

// Why a source could not be opened: the loader's reason, and another decoder's own words.
struct SourceRefusal {
  SourceRefusal(eveda::bmp::DecodeError why, std::string words = {})
      : reason(why), detail(std::move(words)) {}
  eveda::bmp::DecodeError reason;
  std::string detail;
};

// Called each time a source is finished, drawn or not, with how many are finished and the
// source count; false stops the pass after this source.
using TileProgress = std::function<bool(std::int32_t done, std::int32_t n)>;
// Called with each band once it is drawn, top band first; the band's memory is drawn on again
// after the call for the band after next.
using BandFinished = std::function<void(const DSMod::Band& band)>;
// Opens a source for drawing: checked whole before any row is drawn.
using SourceOpener = std::function<eveda::Result<eveda::bmp::RowSource, SourceRefusal>(
    const std::string& path, eveda::bmp::RowBuffers& own, eveda::bmp::ScratchBuffer& scratch)>;

struct GridPassResult {
  std::vector<NotDrawnSource> notDrawn;  // in source order
  bool stopped = false;
};

// The layout of a run from the window's job.
TileSettings TileSettingsOf(const JobState& job);

// Rows of a band for an output of this width: a few megabytes, a whole number of cell rows
// when a cell row fits in that, so that only cells taller than a band span two bands.
std::int32_t BandRowsFor(const TileSettings& settings, std::int32_t width, std::int32_t height);

// Draws `files` (1-based: element 0 unused) into the bands of an image of the bands' size,
// alternating between the bands given (two, so one is written while the other is drawn). A
// source that cannot be opened or read keeps its cell in the background colour and the pass
// goes on. `open` defaults to the files themselves (RowSource::Open). With `openAhead`, up to
// that many sources are opened ahead on other threads (see SourcePrefetch), for sources that
// cost more to decode than to draw; `open` must then be safe to call from those threads at once.
GridPassResult DrawGridBands(const TileSettings& settings, const GTFile::NameList& files,
                             std::span<DSMod::Band> bands, const BandFinished& finished,
                             const TileProgress& progress, const SourceOpener& open = {},
                             std::size_t openAhead = 0);

}  // namespace main_window
