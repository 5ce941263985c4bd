#pragma once
// JPEG sources (libjpeg-turbo): baseline and progressive, Huffman and arithmetic coded, grey,
// YCbCr, RGB, CMYK and YCCK (Adobe's inverted CMYK when the Adobe marker says so), read as a
// stream of B,G,R rows, shrunk by DCT scaling where the caller allows. The EXIF orientation and
// the ICC profile are described, not applied.
//
// Hostile input never crashes and never makes the decoder allocate beyond the limits: the
// declared size is checked against DecodeLimits and against what the file's length could
// possibly hold before the pixel memory is taken; data that ends early is an error, and so are
// more scans than the file's length can carry.

#include <cstdint>
#include <memory>
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

// The rows read from `input` as they are asked for, at the smallest eighth of the stored size
// that is still no smaller than the hints ask (full size when they ask nothing). A baseline
// file holds a few rows of blocks; a file of several scans (progressive) is read into
// libjpeg's coefficient buffer when it opens.
eveda::Result<std::unique_ptr<RowStream>, SourceError> OpenJpegStream(
    std::unique_ptr<ByteInput> input, const OpenHints& hints, const DecodeLimits& limits = {});

// The stream's rows at full size.
eveda::Result<void, SourceError> DecodeJpeg(std::span<const std::uint8_t> file, DecodedImage& out,
                                            const DecodeLimits& limits = {});

}  // namespace formats
