#pragma once
// The page that shows a pyramid: NAME.html beside NAME.dzi, opening it in OpenSeadragon with
// the mouse to pan and zoom. OpenSeadragon is copied beside it into openseadragon/, and the
// descriptor's fields are written into the page, so that it works from a file: URL, offline,
// where a browser refuses to fetch the descriptor. With the map of the cells beside it
// (NAME.map.js setting `evedaMap`), the page names the cell under the mouse.

#include <string>

#include "platform/result.h"

namespace pyramid {

// Writes the page for `descriptor` (just written, so its fields are read back from it) with
// OpenSeadragon from the folder eveda-batch was installed with; with `cellsJson` (a map of the
// cells, as --map writes it in JSON), also NAME.map.js, so that the page names the cells.
eveda::Result<void, std::string> WriteViewerPage(const std::string& descriptor,
                                                 const std::string& cellsJson = {});

}  // namespace pyramid
