#pragma once
// A PNG or JPEG source for the drawing pass: its file read and decoded whole into buffers the
// caller keeps, 24-bit B,G,R rows top-down, drawn like a BMP source's rows.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bmp_loader/bmp_decoder.h"
#include "platform/gdi/gdi.h"
#include "platform/image_codecs/image_decoder.h"
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

// Reads `path` whole into `bytes` and decodes it into `image` (PNG or JPEG, by signature),
// alpha blended over `background`. A file with neither signature is left unread, with
// `notPngOrJpeg` set.
Result<void, SourceLoadError> DecodeSourceFile(const char* path, gdi::COLORREF background,
                                               std::vector<std::uint8_t>& bytes,
                                               DecodedImage& image);

// The DIB header of a decoded image: 24 bits, top-down.
gdi::BITMAPINFO BitmapInfoOf(const DecodedImage& image);

}  // namespace eveda::codecs
