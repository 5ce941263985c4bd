#pragma once
// The drawing pass: the output image band by band, each band the background and then every
// source's rows that fall into it, in source order; memory does not grow with the output.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "dsmod/dsmod.h"
#include "formats/source_error.h"
#include "join/cell_captions.h"
#include "join/grid_plan.h"
#include "platform/bmp_loader/row_source.h"
#include "platform/gdi/gdi.h"

namespace join {

// A source the pass could not draw: its cell keeps the background colour.
struct PassRefusal {
  std::int32_t index = 0;  // in the list of sources, from 0
  formats::SourceError error;
  friend bool operator==(const PassRefusal&, const PassRefusal&) = default;
};

// Called each time a source is finished, drawn or not, with how many are finished and the
// source count; false stops the pass after this source.
using TileProgress = std::function<bool(std::int32_t done, std::int32_t n)>;
// Called with each band once it is drawn, top band first; the band's memory is drawn on again
// after the call for the band after next.
using BandFinished = std::function<void(const DSMod::Band& band)>;
// Opens source `index` (from 0) for drawing, checked whole before any row is drawn, in buffers
// the pass keeps for it while it is drawn.
using SourceOpener = std::function<eveda::Result<bmp_loader::RowSource, formats::SourceError>(
    std::int32_t index, bmp_loader::RowBuffers& own, bmp_loader::ScratchBuffer& scratch)>;

struct GridPassResult {
  std::vector<PassRefusal> notDrawn;  // in source order
  bool stopped = false;
};

// Rows of a band for an output of this width: a few megabytes, a whole number of cell rows
// when a cell row fits in that, so that only cells taller than a band span two bands.
std::int32_t BandRowsFor(const Layout& layout, std::int32_t width, std::int32_t height);

// Draws `count` sources, opened by `open`, into the bands of an image of the bands' size on a
// `background`, alternating between the bands given (two, so one is written while the other
// is drawn). A source that cannot be opened or read keeps its cell in the background colour
// and the pass goes on. With `openAhead`, up to that many sources are opened ahead on other
// threads (see SourcePrefetch), for sources that cost more to decode than to draw; `open` must
// then be safe to call from those threads at once. With `captions` and a layout's
// CaptionHeight, every cell's strip gets its caption, an undrawn source's included. With
// `drawn`, it gets one rectangle per source, where its pixels went: empty for a source that
// could not be opened. A source that finds no descriptor left is opened again once the open
// sources are read whole. `opened`, when given, is told each source opened, on this thread,
// so that a first grid row of slow sources shows progress too.
GridPassResult DrawGridBands(const Layout& layout, gdi::COLORREF background, std::int32_t count,
                             std::span<DSMod::Band> bands, const BandFinished& finished,
                             const TileProgress& progress, const SourceOpener& open,
                             std::size_t openAhead = 0, CellCaptions* captions = nullptr,
                             std::vector<DrawnRect>* drawn = nullptr,
                             const TileProgress& opened = {});

}  // namespace join
