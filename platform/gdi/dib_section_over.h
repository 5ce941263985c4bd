#pragma once
// A DIB section over pixel memory its caller has already filled, for the loader: the rows of
// an uncompressed file are read straight into the memory the bitmap then draws from, instead
// of being copied into a new section.

#include "platform/gdi/gdi.h"
#include "platform/gdi/pixel_memory.h"

namespace gdi {

// Makes the DIB section `info` describes (the same checks as CreateDIBSection) with `memory`
// as its pixels, which must hold the whole image; returns a null handle otherwise. The
// memory is taken either way: on failure it goes back where it came from.
HBITMAP CreateDIBSectionOver(const BITMAPINFO* info, detail::PixelMemory memory, void** bits);

}  // namespace gdi
