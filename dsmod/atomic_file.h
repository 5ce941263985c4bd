#pragma once
// Writes a file so that it appears whole or not at all.

#include <cstdint>
#include <span>
#include <string>

#include "dsmod/dsmod.h"

namespace DSMod::detail {

// Writes `parts` back to back into a new hidden file in the target's directory, flushes it
// to disk and renames it over `path`. On any failure the new file is removed, a file that
// already had that name keeps its old contents, and the error carries the system's reason.
eveda::Result<void, SaveError> WriteFileAtomically(
    const std::string& path, std::span<const std::span<const std::uint8_t>> parts);

}  // namespace DSMod::detail
