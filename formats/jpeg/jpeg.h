#pragma once
// JPEG sources (libjpeg-turbo): baseline and progressive, grey, YCbCr, RGB, CMYK and YCCK
// (Adobe's inverted CMYK when the Adobe marker says so). Colour profiles are not applied.
//
// Hostile input never crashes and never makes the decoder allocate beyond the limits: the
// declared size is checked against DecodeLimits and against what the file's length could
// possibly hold before the pixel memory is taken; data that ends early is an error.

#include <cstdint>
#include <span>

#include "formats/decoded_image.h"
#include "formats/row_stream.h"
#include "formats/source_error.h"
#include "platform/result.h"

namespace formats {

// SOI followed by a marker.
bool SniffJpeg(std::span<const std::uint8_t> head);

// The size in the first start-of-frame. Walks the marker segments by their lengths, so only a
// few bytes of each segment are read however large its EXIF or ICC payload is.
eveda::Result<ProbedImage, SourceError> ProbeJpeg(const ByteInput& file);

eveda::Result<void, SourceError> DecodeJpeg(std::span<const std::uint8_t> file, DecodedImage& out,
                                            const DecodeLimits& limits = {});

}  // namespace formats
