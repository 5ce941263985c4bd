#pragma once
// A PNG or JPEG source for the drawing pass: decoded and handed over as a 24-bit top-down DIB
// section, which BitBlt and StretchBlt copy like any loaded BMP.

#include <string>

#include "platform/bmp_loader/bmp_decoder.h"
#include "platform/gdi/gdi.h"
#include "platform/image_codecs/image_probe.h"
#include "platform/result.h"

namespace eveda::codecs {

// Why a source did not load: the loader's reason, and, for a decoder's refusal, its own words
// (which then replace the reason's text when the file is named to the user).
struct SourceLoadError {
  bmp::DecodeError reason = bmp::DecodeError::Unreadable;
  std::string detail;
  bool notPngOrJpeg = false;  // neither signature: the BMP loader's business
};

// The format by the file's signature, or Other when it cannot be read.
ImageFormat SniffFile(const char* path);

// Reads and decodes `path` (PNG or JPEG, by signature), alpha blended over `background`; the
// caller deletes the bitmap. The decoders' buffers are kept per thread and reused.
Result<gdi::HBITMAP, SourceLoadError> LoadDecodedBitmap(const char* path, gdi::COLORREF background);

}  // namespace eveda::codecs
