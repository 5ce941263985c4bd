#pragma once
// Sources beyond BMP (PNG and JPEG, for eveda-batch's -i): decoded whole when opened, into the
// buffers the pass keeps for the source, and then drawn like any BMP source's rows.

#include "main_window/draw_tiles.h"
#include "platform/gdi/gdi.h"

namespace main_window {

// Opens PNG and JPEG files by their signature, alpha blended over `background`; any other
// file as a BMP.
SourceOpener ImageSourceOpener(gdi::COLORREF background);

}  // namespace main_window
