#pragma once
// The drawing pass: the background, then every source into its cell.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dsmod/dsmod.h"
#include "main_window/tile_plan.h"
#include "platform/bmp_loader/bmp_decoder.h"

namespace main_window {

// Called after each source, drawn or not, with its 1-based number and the source count;
// false stops the pass there.
using TileProgress = std::function<bool(std::int32_t i, std::int32_t n)>;
// Called when the canvas rows above `rows` (counted from the top) can no longer change.
using RowsFinished = std::function<void(std::int32_t rows)>;

// A source the pass could not draw: its 1-based number and why.
struct SkippedSource {
  std::int32_t index = 0;
  eveda::bmp::DecodeError reason = eveda::bmp::DecodeError::Unreadable;
  std::string detail;  // a PNG or JPEG decoder's own words, which say more than `reason`
  friend bool operator==(const SkippedSource&, const SkippedSource&) = default;
};

// Fills `canvas` with the background colour and draws `files` (1-based: element 0 unused)
// into their cells. A source that cannot be loaded keeps its cell in the background colour
// and the pass goes on; those sources are returned in order. A stopped pass leaves the
// later cells as they are. In row order, `rowsFinished` hears of each band of rows as soon
// as every later source lies below it.
std::vector<SkippedSource> DrawTilesPass(const TileSettings& settings,
                                         const std::vector<std::string>& files,
                                         DSMod::Canvas& canvas, const TileProgress& progress,
                                         const RowsFinished& rowsFinished = {});

}  // namespace main_window
