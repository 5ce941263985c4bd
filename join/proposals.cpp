#include "join/proposals.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "join/output_name.h"

namespace join {

Proposal ProposeSettings(std::span<const ScannedSource> sources) {
  Proposal proposal;
  for (const ScannedSource& source : sources) {
    // Sizes compare as signed 32-bit numbers; the probe refuses any side beyond 2^28 pixels.
    proposal.BlockWidth =
        std::max(proposal.BlockWidth, static_cast<std::int32_t>(source.size.width));
    proposal.BlockHeight =
        std::max(proposal.BlockHeight, static_cast<std::int32_t>(source.size.height));
  }
  const double count = static_cast<double>(sources.size());
  proposal.WrapCount = static_cast<std::int32_t>(-std::floor(-std::sqrt(count)));
  return proposal;
}

DSMod::NextOutputName NextFreeOutputName() {
  // Only when all 999 are taken does the search give back the name that was just refused; a
  // name another run takes between the search and the link is simply searched past again.
  return [](const std::string& taken) -> std::optional<std::string> {
    std::string next = ChooseOutputPath(DirectoryOf(taken));
    if (next == taken) return std::nullopt;
    return next;
  };
}

}  // namespace join
