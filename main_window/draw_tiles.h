#pragma once
// The drawing pass: the background, then every source into its cell.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "dsmod/dsmod.h"
#include "main_window/tile_plan.h"

namespace main_window {

// Called after each source, drawn or not, with its 1-based number and the source count.
using TileProgress = std::function<void(std::int32_t i, std::int32_t n)>;

// Fills `canvas` with the background colour and draws `files` (1-based: element 0 unused)
// into their cells. A source that cannot be loaded keeps its cell in the background colour
// and the pass goes on; the 1-based numbers of those sources are returned.
std::vector<std::int32_t> DrawTilesPass(const TileSettings& settings,
                                        const std::vector<std::string>& files,
                                        DSMod::Canvas& canvas, const TileProgress& progress);

}  // namespace main_window
