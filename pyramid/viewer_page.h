#pragma once
// The page that shows a pyramid: NAME.html beside NAME.dzi, opening it in OpenSeadragon with
// the mouse to pan and zoom. OpenSeadragon is copied beside it into openseadragon/, and the
// descriptor's fields are written into the page, so that it works from a file: URL, offline,
// where a browser refuses to fetch the descriptor. When the cells' names are there (NAME.map.js
// setting `evedaMap`, or NAME.map.json over http), the page names the cell under the mouse.

#include <string>

#include "platform/result.h"

namespace pyramid {

// Writes the page for `descriptor` (just written, so its fields are read back from it) with
// OpenSeadragon from the folder eveda-batch was installed with.
eveda::Result<void, std::string> WriteViewerPage(const std::string& descriptor);

}  // namespace pyramid
