#pragma once
// What a scan proposes for a job, the same for the window and eveda-batch: cells as large as
// the largest source, a near-square grid, and an output name not taken yet.

#include <cstdint>
#include <span>

#include "dsmod/dsmod.h"
#include "join/probe_sources.h"

namespace join {

struct Proposal {
  std::int32_t BlockWidth = 0;  // the widest source; 0 when none could be read
  std::int32_t BlockHeight = 0;
  std::int32_t WrapCount = 0;  // the smallest whole number not below the square root of the count
};

Proposal ProposeSettings(std::span<const ScannedSource> sources);

// For a save to a name the scan proposed without showing it: when another program has taken
// the name since, the next free name in the same directory instead of replacing that file.
DSMod::NextOutputName NextFreeOutputName();

}  // namespace join
