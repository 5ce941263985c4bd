#pragma once
// The map of a written join: for every source's cell, its index, row and column, the source's
// path, the rectangle its pixels went to and whether it was drawn, as JSON or CSV.

#include <optional>
#include <string>
#include <string_view>

#include "dsmod/file_system.h"
#include "join/join.h"

namespace app {

// A path as map text: valid UTF-8 as it is, "\" as "\\" and every other byte as "\xHH", so
// that the text is UTF-8 and the bytes can be had back.
std::string MapPathText(std::string_view path);

// The map of `report`'s cells in `request` (one made with reportDrawn), as `path`'s extension
// says: .json (one object with the output's size and a "cells" array) or .csv. A cell whose
// source was not opened has no rectangle (null, or empty fields).
std::string CellMapText(const std::string& path, const join::JoinRequest& request,
                        const join::JoinReport& report);

// Writes the map to `path` whole or not at all: into an unnamed file, named once on disk.
// The error is the system's reason.
std::optional<std::string> WriteCellMap(const std::string& path, const std::string& text,
                                        DSMod::detail::FileSystem& fileSystem);

}  // namespace app
