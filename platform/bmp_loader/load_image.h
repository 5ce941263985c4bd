#pragma once
// The BMP loader behind gdi::LoadImageA, with the reason when a file does not load.

#include "platform/bmp_loader/bmp_decoder.h"
#include "platform/bmp_loader/row_source.h"
#include "platform/gdi/gdi.h"

namespace bmp_loader {

// Reads the file through a RowSource and returns a DIB section at its own size and depth;
// the caller deletes it. Uncompressed rows keep the file's row order (a top-down file gives
// a top-down section); RLE and 2-bit images are decoded into a bottom-up one.
eveda::Result<gdi::HBITMAP, DecodeError> LoadBitmap(const char* path);

// Why the latest LoadImageA on this thread returned no bitmap, kept the way the system keeps
// its last error: read it right after the failing call.
DecodeError LastLoadError();

}  // namespace bmp_loader
